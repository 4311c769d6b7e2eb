// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuickNoteWindowController.h"

#include "core/support/Log.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeySequence>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QShortcut>
#include <QtMath>

namespace brisa {
namespace {

const QUrl viewUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/QuickNote.qml"));

// Ctrl is the Command key of other desktops: Qt spells it that way everywhere.
template <typename Action>
void addShortcut(QWindow* window, QKeySequence keys, QObject* context, Action action)
{
    auto* shortcut = new QShortcut(keys, window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, context, action);
}

} // namespace

QuickNoteWindowController::QuickNoteWindowController(QuickNoteController::SaveNote saveNote, QObject* parent)
    : QObject(parent), saveNote_(std::move(saveNote))
{
}

QuickNoteWindowController::~QuickNoteWindowController()
{
    // The view's items belong to the engine's types: the window goes first.
    delete window_;
}

QQuickWindow* QuickNoteWindowController::window() const { return window_; }

void QuickNoteWindowController::show()
{
    if (!window_ && !createWindow())
        return;
    window_->show();
    window_->raise();
    window_->requestActivate();
}

bool QuickNoteWindowController::createWindow()
{
    if (!engine_)
        engine_ = std::make_unique<QQmlEngine>();

    auto* view = new QQuickView(engine_.get(), nullptr);
    auto* note = new QuickNoteController(saveNote_, view);
    view->setInitialProperties({{QStringLiteral("controller"), QVariant::fromValue<QObject*>(note)}});
    view->setResizeMode(QQuickView::SizeViewToRootObject);
    view->setSource(viewUrl);
    if (view->status() != QQuickView::Ready || !view->rootObject()) {
        QStringList errors;
        for (const auto& e : view->errors())
            errors << e.toString();
        logf("No se pudo cargar la nota rápida: {}", errors.join(QStringLiteral("; ")).toStdString());
        delete view;
        return false;
    }

    view->setTitle(QuickNoteController::title());
    // A title bar with a close control only, above normal windows, and no taskbar entry of its own.
    view->setFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    const QSize size(width, qCeil(view->rootObject()->height()));
    view->resize(size);
    view->setMinimumSize(size);
    view->setMaximumSize(size);

    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        view->setScreen(screen);
        QRect frame(QPoint(), size);
        frame.moveCenter(screen->availableGeometry().center());
        view->setPosition(frame.topLeft());
    }

    const auto save = [note] { note->save(); }; // an empty note does nothing
    addShortcut(view, QKeySequence(Qt::CTRL | Qt::Key_Return), note, save);
    addShortcut(view, QKeySequence(Qt::CTRL | Qt::Key_Enter), note, save);
    // The hint shows the Command key, which is Super on these keyboards: it saves too.
    addShortcut(view, QKeySequence(Qt::META | Qt::Key_Return), note, save);
    addShortcut(view, QKeySequence(Qt::META | Qt::Key_Enter), note, save);
    const auto cancel = [note] { note->cancel(); };
    addShortcut(view, QKeySequence(Qt::CTRL | Qt::Key_Escape), note, cancel);
    addShortcut(view, QKeySequence(Qt::Key_Escape), note, cancel); // what the hint promises
    connect(note, &QuickNoteController::saved, this, &QuickNoteWindowController::discardWindow);
    connect(note, &QuickNoteController::cancelled, this, &QuickNoteWindowController::discardWindow);

    window_ = view;
    note_ = note;
    return true;
}

void QuickNoteWindowController::discardWindow()
{
    if (!window_)
        return;
    window_->hide();
    // Called from inside the window's own event handling (a click, a key): delete it later.
    window_->deleteLater();
    window_ = nullptr;
    note_ = nullptr;
}

} // namespace brisa
