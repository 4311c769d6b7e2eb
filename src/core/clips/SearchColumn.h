// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipType.h"
#include "core/support/Clock.h"
#include "core/support/Uuid.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

class SearchQuery;
class Storage;

/// What a search reads of every clip, held in memory in the library's order: pinned first, then
/// newest first, equal times newest row first. The texts sit one after another in one block, so
/// that a search walks memory in order instead of chasing a heap block per string.
class SearchColumn {
public:
    struct Entry {
        std::int64_t rowid = 0;
        TimePoint createdAt{};
        double createdAtStored = 0; ///< as stored: with rowid and isPinned, the row's key in the index
        std::uint64_t offset = 0; ///< of textContent in the block; sourceAppName and ocrText follow
        std::uint32_t textSize = 0;
        std::uint32_t appSize = 0;
        std::uint32_t ocrSize = 0;
        ClipType kind = ClipType::Text;
        bool isPinned = false;
        std::optional<Uuid> space{};
    };

    /// Reads the fields of every record afresh; false (and the column empty) on failure.
    bool load(Storage& storage);
    std::size_t size() const { return entries_.size(); }
    const Entry& entry(std::size_t i) const { return entries_[i]; }
    std::string_view textContent(const Entry& e) const { return {blob_.data() + e.offset, e.textSize}; }
    std::string_view sourceAppName(const Entry& e) const { return {blob_.data() + e.offset + e.textSize, e.appSize}; }
    std::string_view ocrText(const Entry& e) const
    {
        return {blob_.data() + e.offset + e.textSize + e.appSize, e.ocrSize};
    }

    /// Positions, in order, of the entries for which query matches and keep holds. A search over a
    /// long column is split across the cores; the result is the one a single pass gives.
    std::vector<std::uint32_t> matching(const SearchQuery& query, const std::function<bool(const Entry&)>& keep) const;

private:
    std::vector<Entry> entries_;
    std::string blob_;
};

} // namespace brisa
