// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/notch/ExpandedPanelState.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace brisa {

namespace {

// 64-bit sums so that an extreme delta cannot overflow before clamping.
int clampedSum(int base, int delta, int lo, int hi)
{
    const std::int64_t sum = static_cast<std::int64_t>(base) + delta;
    return static_cast<int>(std::clamp<std::int64_t>(sum, lo, hi));
}

int tabIndex(NotchTab tab)
{
    const auto it = std::find(allNotchTabs.begin(), allNotchTabs.end(), tab);
    return it == allNotchTabs.end() ? 0 : static_cast<int>(it - allNotchTabs.begin());
}

} // namespace

void ExpandedPanelState::setSelectedTab(NotchTab tab)
{
    if (tab == selectedTab_)
        return;
    selectedTab_ = tab;
    onTabChanged();
}

void ExpandedPanelState::moveSelection(int delta, int count)
{
    if (count <= 0)
        return;
    selectedIndex_ = clampedSum(selectedIndex_, delta, 0, count - 1);
}

void ExpandedPanelState::moveTab(int delta)
{
    const int last = static_cast<int>(allNotchTabs.size()) - 1;
    setSelectedTab(allNotchTabs[static_cast<std::size_t>(clampedSum(tabIndex(selectedTab_), delta, 0, last))]);
}

void ExpandedPanelState::clampSelection(int count)
{
    selectedIndex_ = count <= 0 ? 0 : std::clamp(selectedIndex_, 0, count - 1);
}

bool ExpandedPanelState::selectCard(int index, int count)
{
    if (index < 0 || index >= count)
        return false;
    selectedIndex_ = index;
    return true;
}

PanelKeyResult ExpandedPanelState::handleKey(PanelKey key, int count)
{
    switch (key) {
    case PanelKey::Left: moveSelection(-1, count); break;
    case PanelKey::Right: moveSelection(+1, count); break;
    case PanelKey::Up: moveTab(-1); break;
    case PanelKey::Down: moveTab(+1); break;
    case PanelKey::Return:
        return {.handled = true, .action = hasValidSelection(count) ? PanelAction::PasteSelected : PanelAction::None};
    case PanelKey::Escape: return {.handled = true, .action = PanelAction::CloseAndRestoreFocus};
    case PanelKey::Delete:
    case PanelKey::Backspace:
        return {.handled = true, .action = hasValidSelection(count) ? PanelAction::DeleteSelected : PanelAction::None};
    case PanelKey::Other: return {.handled = false, .action = PanelAction::None};
    }
    return {.handled = true, .action = PanelAction::None};
}

void ExpandedPanelState::onKeyboardActiveChanged(bool active, NotchTab defaultTab)
{
    if (!active) {
        listHasFocus_ = false;
        return;
    }
    setSelectedTab(defaultTab);
    selectedIndex_ = 0;
    listHasFocus_ = true;
}

void ExpandedPanelState::onExpandedChanged(bool expanded)
{
    if (!expanded)
        return;
    selectedIndex_ = 0;
    bumpScrollReset();
}

void ExpandedPanelState::onTabChanged()
{
    selectedIndex_ = 0;
    bumpScrollReset();
}

void ExpandedPanelState::bumpScrollReset()
{
    // Only a change matters to the strip, so wrapping instead of overflowing is harmless.
    scrollReset_ = scrollReset_ == std::numeric_limits<int>::max() ? 0 : scrollReset_ + 1;
}

} // namespace brisa
