// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/sidepanels/SidePanelController.h"

namespace brisa {

SidePanelController::SidePanelController(NotchController& notch, const Screens& screens,
                                         const SidePanelContent& content)
    : notch_(notch)
    , screens_(screens)
    , content_(content)
{
}

bool SidePanelController::shown() const { return notch_.expanded() && content_.hasContent(); }

std::optional<Rect> SidePanelController::targetFrame() const
{
    std::optional<ScreenInfo> screen = notch_.activeScreen();
    if (!screen) {
        const auto all = screens_.screens();
        for (const auto& s : all)
            if (s.primary)
                screen = s;
        if (!screen && !all.empty())
            screen = all.front();
    }
    if (!screen)
        return std::nullopt;
    return content_.frameFor(screen->frame, notch_.expandedSize());
}

std::optional<Rect> SidePanelController::frame() const
{
    if (!shown())
        return std::nullopt;
    return targetFrame();
}

bool SidePanelController::install(PanelWindow& window)
{
    if (window_)
        return true;
    const auto target = targetFrame();
    if (!target || !window.create(*target))
        return false;
    window_ = &window;
    placed_ = target;
    ignoring_ = true;
    window.orderFront();
    notch_.onChanged([this](NotchController::Flag flag) {
        if (flag == NotchController::Flag::Expanded || flag == NotchController::Flag::ActiveHasNotch)
            refresh();
    });
    refresh();
    return true;
}

void SidePanelController::refresh()
{
    if (!window_)
        return;
    if (const auto target = targetFrame(); target && target != placed_) {
        window_->setFrame(*target);
        placed_ = target;
    }
    const bool ignore = !shown();
    if (ignoring_ != ignore) {
        window_->setIgnoresMouse(ignore);
        ignoring_ = ignore;
    }
}

} // namespace brisa
