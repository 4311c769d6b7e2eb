// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace brisa {

/// A top-level window as the window system names it; opaque outside the backend that made it.
struct WindowId {
    std::uint64_t value = 0;
    friend auto operator<=>(const WindowId&, const WindowId&) = default;
};

/// The window that had the focus before Brisa took it, and giving the focus back to it.
class WindowActivation {
public:
    virtual ~WindowActivation() = default;
    /// Notes the window that has the focus now as the one to come back to; false when there is none.
    virtual bool rememberActiveWindow() = 0;
    /// Asks for the focus to go back to the remembered window; false when none is remembered or it has gone.
    virtual bool restorePreviousWindow() = 0;
    /// The WM_CLASS class of the window that has the focus now; nullopt when it cannot be told.
    virtual std::optional<std::string> activeWindowClass() = 0;
    /// The window that has the focus now, as the window system names it; nullopt when none.
    virtual std::optional<WindowId> activeWindow() = 0;
    /// Asks for the focus to go to window; false when it does not exist or is not on screen.
    virtual bool activate(WindowId window) = 0;
    /// The window system's clock now, as it stamps user actions (for a launched program's startup
    /// id, so that its window may take the focus); nullopt where there is none.
    virtual std::optional<std::uint64_t> currentTime() { return std::nullopt; }
};

} // namespace brisa
