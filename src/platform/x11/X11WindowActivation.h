// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowActivation.h"

#include <memory>
#include <optional>
#include <string>

namespace brisa {

class X11Display;

/// Focus on X11: the window named by _NET_ACTIVE_WINDOW is remembered, and given back with the
/// window manager's _NET_ACTIVE_WINDOW request (as a pager would, with a real server time), or
/// with XSetInputFocus where no window manager handles that request. A connection of its own.
class X11WindowActivation final : public WindowActivation {
public:
    /// Opens displayName (empty: $DISPLAY); every call answers false/nullopt when that fails.
    explicit X11WindowActivation(const std::string& displayName = {});
    ~X11WindowActivation() override;
    X11WindowActivation(const X11WindowActivation&) = delete;
    X11WindowActivation& operator=(const X11WindowActivation&) = delete;

    bool rememberActiveWindow() override;
    bool restorePreviousWindow() override;
    std::optional<std::string> activeWindowClass() override;

    /// The window named by _NET_ACTIVE_WINDOW now (an X window id).
    std::optional<WindowId> activeWindow() override;
    /// The remembered window, if any.
    std::optional<WindowId> rememberedWindow() const { return remembered_; }
    bool activate(WindowId window) override;
    std::optional<std::uint64_t> currentTime() override;

    /// False when the display could not be opened.
    bool isConnected() const { return display_ != nullptr; }

private:
    bool exists(WindowId window);
    unsigned long serverTime();

    std::unique_ptr<X11Display> display_;
    std::optional<WindowId> remembered_;
    unsigned long timeWindow_ = 0;
};

} // namespace brisa
