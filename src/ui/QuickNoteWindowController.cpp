// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuickNoteWindowController.h"

#include "ui/AppWindows.h"

#include <QKeyEvent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtMath>

namespace brisa {
namespace {

const QUrl viewUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/QuickNote.qml"));

/// The note's keys, read from the window's key presses before its editor sees them. QShortcut is
/// no use here: in a QApplication its shortcuts only match while a widget window is active, and
/// this window is a Qt Quick one, so Ctrl+Return and Escape from the X server went to the editor.
class NoteKeys final : public QObject {
public:
    NoteKeys(QuickNoteController* note, QObject* parent) : QObject(parent), note_(note) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Ctrl is the Command key of other desktops; Super saves too, for hands used to that.
        const bool save = enter && (modifiers == Qt::ControlModifier || modifiers == Qt::MetaModifier);
        const bool cancel = key->key() == Qt::Key_Escape &&
                            (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier);
        if (!save && !cancel)
            return QObject::eventFilter(watched, event);
        if (event->type() == QEvent::KeyPress && !key->isAutoRepeat()) {
            if (save)
                note_->save(); // an empty note does nothing
            else
                note_->cancel();
        }
        event->accept();
        return true;
    }

private:
    QuickNoteController* note_;
};

} // namespace

QuickNoteWindowController::QuickNoteWindowController(NoteStore& store, QObject* parent)
    : QObject(parent), store_(store)
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
    bringToFront(*window_);
}

bool QuickNoteWindowController::createWindow()
{
    if (!engine_)
        engine_ = std::make_unique<QQmlEngine>();

    auto* view = new QQuickView(engine_.get(), nullptr);
    auto* note = new QuickNoteController(&store_, view);
    view->setInitialProperties({{QStringLiteral("controller"), QVariant::fromValue<QObject*>(note)}});
    view->setResizeMode(QQuickView::SizeViewToRootObject);
    if (!loadView(*view, viewUrl, "la nota rápida")) {
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

    centreOnPointerScreen(*view, size);

    view->installEventFilter(new NoteKeys(note, view));
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
