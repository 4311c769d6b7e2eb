// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/ScreenGeometry.h"
#include "platform/WindowActivation.h"

#include <optional>

namespace brisa {

/// A borderless window above everything (the drop-down panel, a toast) as the controllers that
/// place it see it. Frames are in Brisa's global space (origin bottom-left, y up).
class PanelWindow {
public:
    virtual ~PanelWindow() = default;

    /// Creates the window at frame and shows it above everything: borderless, not taking the focus
    /// on click, floating above desktop panels, transparent, not keyable, ignoring the mouse.
    virtual bool create(const Rect& frame) = 0;
    /// Moves and resizes the window, redrawn at once.
    virtual void setFrame(const Rect& frame) = 0;
    /// Lets pointer events pass through the window (true) or makes it take them (false).
    virtual void setIgnoresMouse(bool ignores) = 0;
    /// Raises the window above others without activating Brisa.
    virtual void orderFront() = 0;
    /// Whether the window may take the keyboard focus.
    virtual void setKeyable(bool keyable) = 0;
    /// Gives the window the keyboard focus and raises it.
    virtual void makeKeyAndFront() = 0;
    /// The window as the window system names it; nullopt before it exists.
    virtual std::optional<WindowId> windowId() const = 0;
    /// True while one of Brisa's own windows (this one or another) has the keyboard focus.
    virtual bool brisaHasFocus() const = 0;
    /// True when the pointer is over another of Brisa's windows (a menu, a dialog): a click there
    /// is not a click elsewhere.
    virtual bool pointerOverOtherBrisaWindow() const = 0;
};

} // namespace brisa
