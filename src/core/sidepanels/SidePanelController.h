// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/NotchController.h"
#include "core/notch/PanelLinks.h"
#include "platform/PanelWindow.h"
#include "platform/Screens.h"

#include <optional>

namespace brisa {

/// What a side panel shows, as its controller needs to know: where its window goes and whether
/// it has anything to show. The panel's view model is the one.
class SidePanelContent {
public:
    /// The window frame for a screen's frame and the open panel's content size.
    virtual Rect frameFor(const Rect& screen, Size expandedSize) const = 0;
    /// Whether the panel is shown while the drop-down panel is open.
    virtual bool hasContent() const { return true; }

protected:
    ~SidePanelContent() = default;
};

/// One panel hanging beside the open drop-down panel (now playing, launcher): it places its
/// window beside the panel on the panel's screen, and lets the window take the pointer only while
/// it is shown; otherwise clicks go through it to the windows below. The window is never closed.
class SidePanelController final : public SidePanel {
public:
    /// Everything given must outlive the controller.
    SidePanelController(NotchController& notch, const Screens& screens, const SidePanelContent& content);

    /// Creates the window beside where the panel opens, click-through, and follows the panel from
    /// then on. Once only; false when the window cannot be made.
    bool install(PanelWindow& window);
    /// Places the window again and decides whether it takes the pointer: after a change of what
    /// it shows, its size, or the screens.
    void refresh();

    /// Whether the panel is shown now: the drop-down panel is open and it has something to show.
    bool shown() const;
    /// Where the window goes now; nullopt without a screen.
    std::optional<Rect> targetFrame() const;
    /// The window's frame while shown, for the drop-down panel's keep-open zone.
    std::optional<Rect> frame() const override;

private:
    NotchController& notch_;
    const Screens& screens_;
    const SidePanelContent& content_;
    PanelWindow* window_ = nullptr;
    std::optional<Rect> placed_;
    std::optional<bool> ignoring_;
};

} // namespace brisa
