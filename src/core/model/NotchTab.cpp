// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/model/NotchTab.h"

namespace brisa {

std::string_view rawValue(NotchTab tab)
{
    switch (tab) {
    case NotchTab::History: return "History";
    case NotchTab::Prompts: return "Prompts";
    case NotchTab::Colors: return "Colors";
    case NotchTab::Assets: return "Assets";
    }
    return "History";
}

std::optional<NotchTab> notchTabFromRaw(std::string_view raw)
{
    for (auto t : allNotchTabs)
        if (rawValue(t) == raw)
            return t;
    return std::nullopt;
}

bool matches(NotchTab tab, ClipType type)
{
    switch (tab) {
    case NotchTab::History: return true;
    case NotchTab::Prompts: return type == ClipType::Text || type == ClipType::Code || type == ClipType::Link;
    case NotchTab::Colors: return type == ClipType::Color;
    case NotchTab::Assets:
        return type == ClipType::Image || type == ClipType::File || type == ClipType::Screenshot;
    }
    return false;
}

} // namespace brisa
