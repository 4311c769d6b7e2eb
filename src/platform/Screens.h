// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/ScreenGeometry.h"

#include <functional>
#include <vector>

namespace brisa {

/// The screens of the desktop, in Brisa's global space (origin at the primary screen's
/// bottom-left corner, y up), for placing the panels.
class Screens {
public:
    /// Runs on the main thread after screens were added or removed, moved, resized, had their
    /// work area change, or the primary screen changed; one call may stand for several changes.
    using Changed = std::function<void()>;

    virtual ~Screens() = default;

    /// Every screen in the window system's order, the primary one flagged; empty only when the
    /// window system reports none.
    virtual std::vector<ScreenInfo> screens() const = 0;

    /// Where the pointer is now; for when no PointerMonitor runs.
    virtual Point pointerPosition() const = 0;
    /// A frame in Brisa's space as a window geometry: origin at the top-left of the window system's
    /// virtual desktop, y down.
    virtual Rect toWindowSpace(const Rect& frame) const = 0;

    /// Adds a callback for screen changes; every added callback runs, in the order added.
    virtual void onChanged(Changed changed) = 0;
};

} // namespace brisa
