// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipType.h"

#include <array>
#include <optional>
#include <string_view>

namespace brisa {

/// The panel's tabs, persisted by raw value ("History", ...).
enum class NotchTab { History, Prompts, Colors, Assets };

inline constexpr std::array<NotchTab, 4> allNotchTabs{NotchTab::History, NotchTab::Prompts, NotchTab::Colors,
                                                      NotchTab::Assets};

/// "History", "Prompts", "Colors", "Assets".
std::string_view rawValue(NotchTab tab);
/// The tab whose raw value is exactly raw (case-sensitive); nullopt otherwise.
std::optional<NotchTab> notchTabFromRaw(std::string_view raw);
/// Whether the tab shows clips of this kind.
bool matches(NotchTab tab, ClipType type);

} // namespace brisa
