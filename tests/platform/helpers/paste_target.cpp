// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the application the user pastes into: one window with one focused text field
// that takes several lines.
//
// Usage: paste_target OUTPUT_FILE
// Every change of the field's text replaces OUTPUT_FILE (written aside, then renamed, so a reader
// never sees half of it). Quits on SIGTERM like any application.

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QSaveFile>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString output = QString::fromLocal8Bit(argv[1]);
    QPlainTextEdit field;
    field.setWindowTitle(QStringLiteral("paste_target"));
    field.resize(400, 120);
    QObject::connect(&field, &QPlainTextEdit::textChanged, [&output, &field] {
        QSaveFile file(output);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(field.toPlainText().toUtf8());
            file.commit();
        }
    });
    field.show();
    field.activateWindow();
    field.setFocus();
    return app.exec();
}
