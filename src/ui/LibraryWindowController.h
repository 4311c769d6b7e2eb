// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <cstdint>
#include <optional>

class QQmlEngine;
class QQuickView;
class QQuickWindow;

namespace brisa {

class LibraryViewModel;
class WindowActivation;

/// Owns the library window: made on first show() and kept, closing only hides it, so the search,
/// the type filter and the selection are there again at the next show().
class LibraryWindowController : public QObject {
    Q_OBJECT

public:
    /// engine, library and windows (null: none) must outlive the controller.
    LibraryWindowController(QQmlEngine& engine, LibraryViewModel& library, WindowActivation* windows,
                            QObject* parent = nullptr);
    ~LibraryWindowController() override;

    /// Brings the window to the front with keyboard focus, making it first if there is none.
    void show();
    /// Gives the focus back to the window that had it before show(), for a paste to go there.
    bool restorePreviousWindow();

    /// The window, or null before the first show().
    QQuickWindow* window() const;

    static constexpr int kWidth = 880;
    static constexpr int kHeight = 560;

private:
    bool createWindow();

    QQmlEngine& engine_;
    LibraryViewModel& library_;
    WindowActivation* windows_;
    QQuickView* window_ = nullptr;
    std::optional<std::uint64_t> previous_; ///< a WindowId's value
};

} // namespace brisa
