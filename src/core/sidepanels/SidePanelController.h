// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/NotchController.h"
#include "core/notch/PanelLinks.h"
#include "platform/PanelWindow.h"
#include "platform/Screens.h"

#include <functional>
#include <optional>

namespace brisa {

/// One panel hanging beside the open drop-down panel (now playing, launcher): it places its
/// window beside the panel on the panel's screen, and lets the window take the pointer only while
/// it is shown; otherwise clicks go through it to the windows below. The window is never closed.
class SidePanelController final : public SidePanel {
public:
    /// The window frame for a screen's frame and the open panel's content size.
    using FrameFor = std::function<Rect(const Rect& screen, Size expandedSize)>;

    /// shownWhen: whether the panel is shown while the drop-down panel is open (always, when not
    /// given). Everything given must outlive the controller.
    SidePanelController(NotchController& notch, const Screens& screens, FrameFor frameFor,
                        std::function<bool()> shownWhen = {});

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
    FrameFor frameFor_;
    std::function<bool()> shownWhen_;
    PanelWindow* window_ = nullptr;
    std::optional<Rect> placed_;
    std::optional<bool> ignoring_;
};

} // namespace brisa
