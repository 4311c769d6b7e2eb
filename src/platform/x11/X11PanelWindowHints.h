// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PanelWindowHints.h"

#include <memory>

// Xlib's own declaration, without the macros of its header (None, Bool, Status clash with Qt and gtest).
typedef struct _XDisplay Display;

namespace brisa {

class X11Display;

namespace x11 {

// window is an X window id (Xlib's Window).

/// An empty input shape (on) lets every pointer event through window to the windows below; off sets
/// the input shape back to the whole window. False without the Shape extension 1.1 or when window is
/// gone. The window keeps its look: only its input region changes.
bool setClickThrough(Display* display, unsigned long window, bool on);
/// Only the rectangle takes pointer events (ShapeInput of one rectangle).
bool setInputArea(Display* display, unsigned long window, int x, int y, int width, int height);

/// Marks window as the panel: _NET_WM_STATE above, sticky, skip taskbar and skip pager,
/// _NET_WM_DESKTOP all desktops, _NET_WM_WINDOW_TYPE dock (kept above, never in the taskbar or the
/// window switcher, no decorations, no focus on a mere map). Properties for a window not shown yet;
/// for a shown one, the requests the window manager expects, which then writes the properties itself.
/// False when window is gone.
bool applyPanelHints(Display* display, unsigned long window);

/// For XWayland under a Wayland compositor, whose window manager tiles and focuses every managed
/// window: the window bypasses it (override-redirect, remapped if shown), placed where Brisa puts
/// it, typed _NET_WM_WINDOW_TYPE_NOTIFICATION so that mapping it never takes the keyboard focus.
/// False when window is gone.
bool makeUnmanaged(Display* display, unsigned long window);

/// _KDE_NET_WM_BLUR_BEHIND_REGION, read by compositors that blur (KWin and others): the region as
/// x, y, width, height cardinals. An empty region deletes the property, because an empty value
/// would mean "blur behind the whole window". False when window is gone.
bool setBlurBehind(Display* display, unsigned long window, const std::vector<WindowRect>& region);

/// The bounding shape (Shape extension): the window is only the region's rectangles, nothing for an
/// empty region; nullopt removes the shape. The input shape is cut to it by the server as well.
/// False without the Shape extension or when window is gone.
bool setVisibleRegion(Display* display, unsigned long window, const std::optional<std::vector<WindowRect>>& region);

} // namespace x11

/// PanelWindowHints on an X connection: Qt's own when the application runs on xcb, so that the
/// requests reach the server after Qt's creation of the window; else one of its own.
class X11PanelWindowHints final : public PanelWindowHints {
public:
    /// Qt's connection, or a new one to $DISPLAY; nullptr, with a log line, when there is no display.
    /// unmanaged: the X server is XWayland under a Wayland compositor (see makeUnmanaged).
    static std::unique_ptr<X11PanelWindowHints> create(bool unmanaged = false);
    ~X11PanelWindowHints() override;
    X11PanelWindowHints(const X11PanelWindowHints&) = delete;
    X11PanelWindowHints& operator=(const X11PanelWindowHints&) = delete;

    bool setClickThrough(NativeWindowId window, bool on) override;
    bool setInputArea(NativeWindowId window, int x, int y, int width, int height) override;
    bool applyPanelHints(NativeWindowId window) override;
    bool setBlurBehind(NativeWindowId window, const std::vector<WindowRect>& region) override;
    bool setVisibleRegion(NativeWindowId window, const std::optional<std::vector<WindowRect>>& region) override;

private:
    X11PanelWindowHints(Display* display, std::unique_ptr<X11Display> own);

    Display* display_;
    std::unique_ptr<X11Display> own_;
    bool unmanaged_ = false;
};

} // namespace brisa
