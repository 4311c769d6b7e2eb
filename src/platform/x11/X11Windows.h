// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>

// Small readers of window-manager state shared by the X11 backends.
namespace brisa::x11 {

/// The window named by the root window's _NET_ACTIVE_WINDOW; nullopt without a window manager that
/// sets it, or when it names no window.
std::optional<Window> activeWindow(Display* display);

/// The WM_CLASS class of window (its instance name when the class is empty), as UTF-8; nullopt when
/// the window has none or has gone. The caller traps X errors (a vanished window answers BadWindow).
std::optional<std::string> windowClass(Display* display, Window window);

/// True when the window manager lists atomName in the root window's _NET_SUPPORTED.
bool windowManagerSupports(Display* display, const char* atomName);

} // namespace brisa::x11
