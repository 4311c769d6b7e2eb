// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/QuickNoteController.h"

#include <QObject>

#include <memory>

class QQmlEngine;
class QQuickView;
class QQuickWindow;

namespace brisa {

/// Owns the quick note window: made on first show(), hidden (text kept) by its close control,
/// discarded once the note is saved or cancelled so that the next show() starts empty.
class QuickNoteWindowController : public QObject {
    Q_OBJECT

public:
    /// store must outlive the controller.
    explicit QuickNoteWindowController(NoteStore& store, QObject* parent = nullptr);
    ~QuickNoteWindowController() override;

    /// Brings the window to the front with keyboard focus, making it first if there is none.
    void show();

    /// The current window, or null when there is none (never shown, or discarded).
    QQuickWindow* window() const;
    /// The note of the current window, or null.
    QuickNoteController* note() const { return note_; }

    /// The fixed width of the window, in device-independent pixels.
    static constexpr int width = 380;

private:
    bool createWindow();
    void discardWindow();

    NoteStore& store_;
    // Kept across windows: compiling the view again each time would cost more than the window.
    std::unique_ptr<QQmlEngine> engine_;
    QQuickView* window_ = nullptr;
    QuickNoteController* note_ = nullptr;
};

} // namespace brisa
