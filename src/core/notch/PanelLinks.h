// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/ScreenGeometry.h"

#include <optional>

namespace brisa {

// The few questions the drop-down panel, the toast and the paste services ask one another. Each
// side names the other only through these, so either can be tested alone.

/// Whether the drop-down panel is open now.
class PanelState {
public:
    virtual ~PanelState() = default;
    virtual bool expanded() const = 0;
};

/// The capture toast, as the panel that opens over it sees it.
class PanelToast {
public:
    virtual ~PanelToast() = default;
    /// Whether a toast is on screen now.
    virtual bool showing() const = 0;
    /// Removes the toast at once, without its animation.
    virtual void dismissNow() = 0;
};

/// A panel shown beside the open one (now playing, launcher): the pointer over it keeps the panel open.
class SidePanel {
public:
    virtual ~SidePanel() = default;
    /// Where it sits while the panel is open; nullopt when it is not shown.
    virtual std::optional<Rect> frame() const = 0;
};

/// The panel a paste is made from: it lets go of the keyboard and closes, then gives the focus back.
class PasteOrigin {
public:
    virtual ~PasteOrigin() = default;
    /// The panel lets go of the keyboard and closes.
    virtual void releaseAndCollapse() = 0;
    /// Gives the focus back to the window the user was in, when one of Brisa's windows holds it;
    /// false when there is nothing to give it back to.
    virtual bool restorePreviousWindow() = 0;
};

/// Sequential paste's place in the history, which starts again from the newest clip.
class PasteCursor {
public:
    virtual ~PasteCursor() = default;
    virtual void resetCursor() = 0;
};

} // namespace brisa
