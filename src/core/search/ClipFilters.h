// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/model/ClipType.h"
#include "core/model/NotchTab.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// The panel's and the library's views of the history. Every function takes the whole history
// as the store returns it, newest first, and returns pointers into it: the records stay owned
// by the caller and must outlive the result.

namespace brisa {

using ClipList = std::vector<const ClipItem*>;

/// The panel's cards: clips of the tab, only pinned ones when favouritesOnly, matching
/// searchText; pinned first, then newest first.
ClipList filteredItems(std::span<const ClipItem* const> history, NotchTab tab, bool favouritesOnly,
                       std::string_view searchText);
ClipList filteredItems(std::span<const ClipItem> history, NotchTab tab, bool favouritesOnly,
                       std::string_view searchText);

/// The count badge of a tab: clips of the whole history the tab shows, regardless of the
/// favourites switch and the search text.
std::size_t count(std::span<const ClipItem* const> history, NotchTab tab);
std::size_t count(std::span<const ClipItem> history, NotchTab tab);

/// The library's clips: of kindFilter when set, matching searchText (whose own "@kind" applies
/// as well); pinned first, then newest first.
ClipList filtered(std::span<const ClipItem* const> history, std::optional<ClipType> kindFilter,
                  std::string_view searchText);
ClipList filtered(std::span<const ClipItem> history, std::optional<ClipType> kindFilter, std::string_view searchText);

/// Stable sort: pinned before unpinned, later createdAt first; full ties keep their order.
void sortPinnedThenNewest(ClipList& clips);

} // namespace brisa
