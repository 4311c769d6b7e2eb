// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace brisa {

/// A window as the window system names it: QWindow::winId().
using NativeWindowId = std::uintptr_t;

/// A rectangle in window pixels, from the window's top-left corner.
struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect&) const = default;
};

/// What the drop-down panel window needs from the window system beyond Qt's window flags.
class PanelWindowHints {
public:
    virtual ~PanelWindowHints() = default;

    /// on: pointer events go through the window to whatever lies below it; off: the window takes
    /// them again. False when the window system cannot do it or the window is gone.
    virtual bool setClickThrough(NativeWindowId window, bool on) = 0;
    /// Only the rectangle (window pixels, from its top-left corner) takes pointer events; the rest
    /// of the window lets them through. False when the window system cannot do it or the window is gone.
    virtual bool setInputArea(NativeWindowId window, int x, int y, int width, int height) = 0;
    /// Asks the window manager to keep the window above the others on every desktop, out of the
    /// taskbar and the window switcher. Best done before the window is first shown, and again after
    /// Qt's window flags change (Qt rewrites the window type then). False when the window is gone.
    virtual bool applyPanelHints(NativeWindowId window) = 0;
    /// Asks the compositor to blur what lies behind the region (window pixels); an empty region
    /// withdraws the request. Compositors without blur ignore it. False when the window is gone.
    virtual bool setBlurBehind(NativeWindowId window, const std::vector<WindowRect>& region) = 0;
    /// Cuts the window to the region (window pixels): only that part is drawn and takes the pointer,
    /// and the desktop shows through the rest, with or without a compositor. An empty region hides
    /// the whole window; nullopt gives it back its full rectangle. False when the window system
    /// cannot do it or the window is gone.
    virtual bool setVisibleRegion(NativeWindowId window, const std::optional<std::vector<WindowRect>>& region) = 0;
};

} // namespace brisa
