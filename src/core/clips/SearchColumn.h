// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipType.h"
#include "core/search/LocalizedText.h"
#include "core/store/StoreChanges.h"
#include "core/support/Clock.h"
#include "core/store/Storage.h"
#include "core/support/Uuid.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

class SearchQuery;

/// What a search reads of every clip, held in memory in the library's order: pinned first, then
/// newest first, equal times newest row first. The texts sit one after another in one block, so
/// that a search walks memory in order instead of chasing a heap block per string. Once a query
/// needs every text beyond ASCII folded (an accented word), each such text keeps its comparison
/// form beside it, folded once: later queries of the kind compare without folding again. A search
/// word of three bytes or more compares only the texts whose sketch of runs of three bytes
/// (trigrams::sketch) holds all of the word's.
class SearchColumn {
public:
    struct Entry {
        std::int64_t rowid = 0;
        TimePoint createdAt{};
        double createdAtStored = 0; ///< as stored: with rowid and isPinned, the row's key in the index
        std::uint64_t offset = 0; ///< of textContent in the block; sourceAppName and ocrText follow
        std::uint64_t foldedOffset = 0;
        std::uint32_t textSize = 0;
        std::uint32_t appSize = 0;
        std::uint32_t ocrSize = 0;
        std::uint32_t foldedSize = 0;
        std::uint64_t sketchOffset = 0; ///< of the sketch, in words of sketches_
        std::uint32_t sketchWords = 0;
        ClipType kind = ClipType::Text;
        bool isPinned = false;
        bool hasFolded = false; ///< false for ASCII text, which folds on the fly without ICU
        bool nonAscii = false;
        std::optional<Uuid> space{};
    };

    /// Hands every record's searched fields to a function; false on failure.
    using RowReader = std::function<bool(const std::function<void(const Storage::SearchRow&)>&)>;

    /// Reads the fields of every record afresh, to be folded by rules; false (and the column empty) on failure.
    bool load(Storage& storage, CaseRules rules = currentCaseRules());
    /// The same through read (another connection's, on another thread), sizeHint records expected.
    bool load(const RowReader& read, std::size_t sizeHint, CaseRules rules = currentCaseRules());
    /// Brings the column up to date with one change made through storage, reading only the rows
    /// it wrote; false on a failed read (the column is then to be loaded afresh).
    bool apply(Storage& storage, const StoreChanges::Rows& rows);
    std::size_t size() const { return entries_.size(); }
    const Entry& entry(std::size_t i) const { return entries_[i]; }
    std::string_view textContent(const Entry& e) const { return {blob_.data() + e.offset, e.textSize}; }
    std::string_view sourceAppName(const Entry& e) const { return {blob_.data() + e.offset + e.textSize, e.appSize}; }
    std::string_view ocrText(const Entry& e) const
    {
        return {blob_.data() + e.offset + e.textSize + e.appSize, e.ocrSize};
    }
    /// The comparison form of the three fields joined; meaningful only when e.hasFolded.
    std::string_view foldedText(const Entry& e) const
    {
        return {blob_.data() + e.foldedOffset, e.foldedSize};
    }

    /// Positions, in order, of the entries for which query matches and keep holds. A search over a
    /// long column is split across the cores; the result is the one a single pass gives.
    std::vector<std::uint32_t> matching(const SearchQuery& query, const std::function<bool(const Entry&)>& keep);

    /// Whether matching() passes over the texts whose sketch lacks a run of the word; off, it
    /// compares every text (for tests that hold the two answers side by side).
    void setSketched(bool on) { sketched_ = on; }

private:
    /// A new entry for row, its texts added to the block; folded too when fold is set.
    Entry append(const Storage::SearchRow& row, bool fold);
    /// The three texts of e as one, as they lie in the block.
    std::string_view joined(const Entry& e) const
    {
        return {blob_.data() + e.offset, std::size_t{e.textSize} + e.appSize + e.ocrSize};
    }
    void addFolded(Entry& e, std::string_view folded);
    /// The comparison form of e's three texts, as a query reads them.
    std::string foldedForm(const Entry& e) const;
    /// Folds the texts of every entry that needs it, on every core.
    void foldAll();
    /// Drops the bytes of entries that are gone once they are most of the block.
    void compact();
    /// Sketches the texts of every entry, on every core.
    void sketchAll();
    /// Adds the sketch of e's texts.
    void addSketch(Entry& e);
    std::span<const std::uint64_t> sketchOf(const Entry& e) const
    {
        return {sketches_.data() + e.sketchOffset, e.sketchWords};
    }

    std::vector<Entry> entries_;
    std::string blob_;
    std::size_t garbage_ = 0; ///< bytes of blob_ no entry refers to
    CaseRules rules_ = CaseRules::Default;
    bool folded_ = false; ///< every entry that needs it has its comparison form
    std::vector<std::uint64_t> sketches_;
    std::size_t sketchGarbage_ = 0; ///< words of sketches_ no entry refers to
    bool sketched_ = true;
};

} // namespace brisa
