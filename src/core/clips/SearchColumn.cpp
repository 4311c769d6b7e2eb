// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clips/SearchColumn.h"

#include "core/clips/TrigramFilter.h"
#include "core/search/SearchQuery.h"
#include "core/store/Storage.h"
#include "core/support/ParallelFor.h"

#include <algorithm>
#include <limits>

namespace brisa {
namespace {

/// The library's order: pinned first, then newest first, equal times newest row first.
bool before(const SearchColumn::Entry& a, const SearchColumn::Entry& b)
{
    if (a.isPinned != b.isPinned)
        return a.isPinned;
    if (a.createdAt != b.createdAt)
        return a.createdAt > b.createdAt;
    return a.rowid > b.rowid;
}

/// Items per thread under which folding and sketching stay on fewer threads.
constexpr std::size_t kMinChunk = 1024;

bool allAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

SearchColumn::Entry SearchColumn::append(const Storage::SearchRow& row, bool fold)
{
    Entry e;
    e.rowid = row.rowid;
    e.createdAt = row.createdAt;
    e.createdAtStored = row.createdAtStored;
    e.offset = blob_.size();
    // A field beyond 4 GiB cannot be stored by any path Brisa has; cut rather than wrap.
    constexpr std::size_t kMaxField = std::numeric_limits<std::uint32_t>::max();
    const auto text = row.textContent.substr(0, kMaxField);
    const auto app = row.sourceAppName.substr(0, kMaxField);
    const auto ocr = row.ocrText.substr(0, kMaxField);
    e.textSize = static_cast<std::uint32_t>(text.size());
    e.appSize = static_cast<std::uint32_t>(app.size());
    e.ocrSize = static_cast<std::uint32_t>(ocr.size());
    blob_.append(text).append(app).append(ocr);
    e.nonAscii = !allAscii(text) || !allAscii(app) || !allAscii(ocr);
    if (e.nonAscii && fold)
        addFolded(e, foldedForm(e));
    e.kind = clipTypeOrText(row.typeRaw);
    e.isPinned = row.isPinned;
    if (!row.spaceID.empty())
        e.space = Uuid::parse(row.spaceID);
    return e;
}

std::string SearchColumn::foldedForm(const Entry& e) const
{
    const std::string_view parts[] = {textContent(e), sourceAppName(e), ocrText(e)};
    return foldJoinedForComparison(parts, rules_);
}

void SearchColumn::addFolded(Entry& e, std::string_view folded)
{
    if (folded.size() > std::numeric_limits<std::uint32_t>::max())
        return; // matched by folding on the fly instead
    e.hasFolded = true;
    e.foldedOffset = blob_.size();
    e.foldedSize = static_cast<std::uint32_t>(folded.size());
    blob_.append(folded);
}

void SearchColumn::foldAll()
{
    std::vector<std::uint32_t> todo;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].nonAscii)
            todo.push_back(static_cast<std::uint32_t>(i));
    std::vector<std::string> folded(todo.size());
    auto fold = [&](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k)
            folded[k] = foldedForm(entries_[todo[k]]);
    };
    forEachChunk(todo.size(), kMinChunk, fold);
    std::size_t bytes = 0;
    for (const auto& f : folded)
        bytes += f.size();
    blob_.reserve(blob_.size() + bytes);
    for (std::size_t k = 0; k < todo.size(); ++k)
        addFolded(entries_[todo[k]], folded[k]);
}

bool SearchColumn::load(Storage& storage, CaseRules rules)
{
    // A hint only: rows may come and go before the read starts.
    return load([&storage](const auto& f) { return storage.forEachSearchRow(f); },
                static_cast<std::size_t>(std::max<std::int64_t>(storage.count(), 0)), rules);
}

bool SearchColumn::load(const RowReader& read, std::size_t sizeHint, CaseRules rules)
{
    entries_.clear();
    blob_.clear();
    sketches_.clear();
    sketchGarbage_ = 0;
    garbage_ = 0;
    rules_ = rules;
    folded_ = false;
    entries_.reserve(sizeHint);
    const bool ok = read([this](const Storage::SearchRow& row) { entries_.push_back(append(row, false)); });
    if (!ok) {
        entries_.clear();
        blob_.clear();
        return false;
    }
    std::sort(entries_.begin(), entries_.end(), before);
    sketchAll();
    return true;
}

void SearchColumn::sketchAll()
{
    // Most texts are sketched as they lie in the block; the others are folded first. Both passes
    // run on every core, each entry's place in sketches_ fixed in between.
    const std::size_t n = entries_.size();
    std::vector<std::string> folded(n);
    std::vector<std::uint8_t> folds(n);
    forEachChunk(n, kMinChunk, [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            const std::string_view parts[] = {textContent(entries_[i]), sourceAppName(entries_[i]), ocrText(entries_[i])};
            if ((folds[i] = !trigrams::foldsInPlace(parts, rules_)))
                folded[i] = foldJoinedForComparison(parts, rules_);
        }
    });
    auto form = [&](std::size_t i) { return folds[i] ? std::string_view(folded[i]) : joined(entries_[i]); };
    std::size_t words = 0;
    for (std::size_t i = 0; i < n; ++i) {
        entries_[i].sketchOffset = words;
        entries_[i].sketchWords = static_cast<std::uint32_t>(trigrams::sketchWords(form(i).size()));
        words += entries_[i].sketchWords;
    }
    sketches_.assign(words, 0);
    forEachChunk(n, kMinChunk, [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            trigrams::sketch(form(i), {sketches_.data() + entries_[i].sketchOffset, entries_[i].sketchWords});
    });
}

void SearchColumn::addSketch(Entry& e)
{
    thread_local std::string buffer;
    const std::string_view parts[] = {textContent(e), sourceAppName(e), ocrText(e)};
    const auto form = e.hasFolded ? foldedText(e) : trigrams::indexedForm(parts, rules_, buffer);
    e.sketchOffset = sketches_.size();
    e.sketchWords = static_cast<std::uint32_t>(trigrams::sketchWords(form.size()));
    sketches_.resize(sketches_.size() + e.sketchWords);
    trigrams::sketch(form, {sketches_.data() + e.sketchOffset, e.sketchWords});
}

bool SearchColumn::apply(Storage& storage, const StoreChanges::Rows& rows)
{
    using Kind = StoreChanges::Rows::Kind;
    if (rows.rowids.empty())
        return true;
    std::vector<std::int64_t> ids = rows.rowids;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    // The touched entries leave their places; those whose one field changed come back at their
    // new places, the rewritten ones as read again.
    std::vector<Entry> moved;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Entry& e = entries_[i];
        if (!std::binary_search(ids.begin(), ids.end(), e.rowid)) {
            if (kept != i)
                entries_[kept] = std::move(e);
            ++kept;
            continue;
        }
        switch (rows.kind) {
        case Kind::Pinned:
        case Kind::Unpinned:
            e.isPinned = rows.kind == Kind::Pinned;
            moved.push_back(std::move(e));
            break;
        case Kind::Filed:
            e.space = rows.space.empty() ? std::nullopt : Uuid::parse(rows.space);
            moved.push_back(std::move(e));
            break;
        case Kind::Written:
        case Kind::Deleted:
            garbage_ += std::size_t{e.textSize} + e.appSize + e.ocrSize + e.foldedSize;
            sketchGarbage_ += e.sketchWords;
            break;
        }
    }
    entries_.resize(kept);
    if (rows.kind == Kind::Written) {
        const bool ok = storage.forEachSearchRowOf(
            ids, [this, &moved](const Storage::SearchRow& row) {
                moved.push_back(append(row, folded_));
                addSketch(moved.back());
            });
        if (!ok)
            return false;
    }
    std::sort(moved.begin(), moved.end(), before);
    const auto middle = static_cast<std::ptrdiff_t>(entries_.size());
    entries_.insert(entries_.end(), std::make_move_iterator(moved.begin()), std::make_move_iterator(moved.end()));
    std::inplace_merge(entries_.begin(), entries_.begin() + middle, entries_.end(), before);
    compact();
    return true;
}

void SearchColumn::compact()
{
    if (sketchGarbage_ != 0 && sketchGarbage_ * 2 >= sketches_.size()) {
        std::vector<std::uint64_t> fresh;
        fresh.reserve(sketches_.size() - sketchGarbage_);
        for (auto& e : entries_) {
            const auto sketch = sketchOf(e);
            e.sketchOffset = fresh.size();
            fresh.insert(fresh.end(), sketch.begin(), sketch.end());
        }
        sketches_ = std::move(fresh);
        sketchGarbage_ = 0;
    }
    // Copying costs as much as the block: only once most of it is dead, so that over many
    // changes each byte is copied a few times at most.
    if (garbage_ == 0 || garbage_ * 2 < blob_.size())
        return;
    std::string fresh;
    fresh.reserve(blob_.size() - garbage_);
    for (auto& e : entries_) {
        const auto offset = fresh.size();
        fresh.append(joined(e));
        e.offset = offset;
        if (e.hasFolded) {
            const auto foldedOffset = fresh.size();
            fresh.append(foldedText(e));
            e.foldedOffset = foldedOffset;
        }
    }
    blob_ = std::move(fresh);
    garbage_ = 0;
}

std::vector<std::uint32_t> SearchColumn::matching(const SearchQuery& query,
                                                   const std::function<bool(const Entry&)>& keep)
{
    // Folded copies and sketches are made by the column's rules; a query by others folds for itself.
    const bool useFolded = query.rules() == rules_;
    if (useFolded && !folded_ && query.foldsEveryText()) {
        // Done at the first such query rather than at load: most searches are ASCII words, which
        // fold only the rare text with a character that folds to ASCII ("ß").
        foldAll();
        folded_ = true;
    }
    std::vector<std::uint32_t> runs;
    if (useFolded && sketched_ && query.foldedText().size() >= trigrams::kShortest)
        runs = trigrams::runsOf(query.foldedText());
    auto scan = [&](std::size_t from, std::size_t to) {
        std::vector<std::uint32_t> out;
        for (std::size_t i = from; i < to; ++i) {
            const Entry& e = entries_[i];
            if (keep && !keep(e))
                continue;
            if (!runs.empty() && !trigrams::mayHold(sketchOf(e), runs))
                continue;
            const bool match = useFolded && e.hasFolded
                                   ? query.matches(e.kind, textContent(e), sourceAppName(e), ocrText(e), foldedText(e))
                                   : query.matches(e.kind, textContent(e), sourceAppName(e), ocrText(e));
            if (match)
                out.push_back(static_cast<std::uint32_t>(i));
        }
        return out;
    };
    // Under two chunks of this a thread costs more than it saves.
    constexpr std::size_t kMinSearchChunk = 4096;
    if (query.isEmpty())
        return scan(0, entries_.size());
    return joinChunks(entries_.size(), kMinSearchChunk, scan);
}

} // namespace brisa
