// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/ScreenGeometry.h"

#include <functional>

namespace brisa {

/// System-wide pointer and Escape-key events, whichever application is in front (Brisa included):
/// what the drop-down panel needs to open on hover or click and to close on a click elsewhere or on
/// Escape. Positions are global points: origin at the bottom-left of the primary screen, y up.
class PointerMonitor {
public:
    /// The receivers of events, all called on the main thread; an empty one drops its kind of event.
    struct Handlers {
        /// The pointer moved; the position it moved to.
        std::function<void(Point)> onMoved{};
        /// The left or right button went down; the pointer position at that moment.
        std::function<void(Point)> onButtonDown{};
        /// The Escape key went down.
        std::function<void()> onEscapeDown{};
    };

    virtual ~PointerMonitor() = default;

    /// Replaces every receiver at once; safe to call from inside a receiver.
    virtual void setHandlers(Handlers handlers) = 0;
    /// Where the pointer is now.
    virtual Point pointerPosition() = 0;
};

} // namespace brisa
