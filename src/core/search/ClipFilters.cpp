// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/search/ClipFilters.h"

#include "core/search/SearchQuery.h"
#include "core/support/ParallelFor.h"

#include <algorithm>
#include <vector>

namespace brisa {
namespace {

ClipList pointersTo(std::span<const ClipItem> history)
{
    ClipList out;
    out.reserve(history.size());
    for (const auto& item : history)
        out.push_back(&item);
    return out;
}

/// A kept clip with its sort keys copied, so that sorting does not chase pointers.
struct Kept {
    bool pinned;
    TimePoint createdAt;
    const ClipItem* item;
};

/// Searching the history is bound by memory latency rather than by comparisons: every clip and
/// each of its strings sit in their own heap blocks. Asking early for the records a few clips
/// ahead, and for their texts once those records have arrived, overlaps those waits.
inline void prefetchAhead(std::span<const ClipItem* const> history, std::size_t i)
{
    if (i + 8 < history.size()) {
        const ClipItem* c = history[i + 8];
        __builtin_prefetch(&c->typeRaw);
        __builtin_prefetch(&c->textContent);
        __builtin_prefetch(&c->sourceAppName);
        __builtin_prefetch(&c->ocrText);
    }
    if (i + 4 < history.size()) {
        const ClipItem* c = history[i + 4];
        for (const auto* text : {&c->textContent, &c->sourceAppName, &c->ocrText})
            if (*text)
                __builtin_prefetch((*text)->data());
    }
}

/// The clips for which keep() holds, in history order. A text search over a long history is
/// split across the cores: each slice is scanned on its own thread and the slices are joined in
/// order, so the result is the one a single pass gives.
template <class Keep>
std::vector<Kept> keptMatching(std::span<const ClipItem* const> history, bool searching, const Keep& keep)
{
    auto scan = [&](std::size_t from, std::size_t to) {
        std::vector<Kept> out;
        for (std::size_t i = from; i < to; ++i) {
            const ClipItem* item = history[i];
            if (searching)
                prefetchAhead(history, i);
            if (keep(*item))
                out.push_back({item->isPinned, item->createdAt, item});
        }
        return out;
    };
    // Under two chunks of this a thread costs more than it saves; filters without a text are cheap
    // anyway.
    constexpr std::size_t kMinChunk = 4096;
    if (!searching)
        return scan(0, history.size());
    return joinChunks(history.size(), kMinChunk, scan);
}

ClipList sorted(std::vector<Kept>& kept)
{
    // The store hands the history over newest first, so normally moving the pinned clips to the
    // front (stable) is all the sort has to do; stable_sort covers any other order.
    const auto newerFirst = [](const Kept& a, const Kept& b) { return a.createdAt > b.createdAt; };
    ClipList out;
    out.reserve(kept.size());
    if (std::is_sorted(kept.begin(), kept.end(), newerFirst)) {
        for (const auto& k : kept)
            if (k.pinned)
                out.push_back(k.item);
        for (const auto& k : kept)
            if (!k.pinned)
                out.push_back(k.item);
        return out;
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) {
        if (a.pinned != b.pinned)
            return a.pinned;
        return a.createdAt > b.createdAt;
    });
    for (const auto& k : kept)
        out.push_back(k.item);
    return out;
}

} // namespace

void sortPinnedThenNewest(ClipList& clips)
{
    std::stable_sort(clips.begin(), clips.end(), [](const ClipItem* a, const ClipItem* b) {
        if (a->isPinned != b->isPinned)
            return a->isPinned;
        return a->createdAt > b->createdAt;
    });
}

ClipList filteredItems(std::span<const ClipItem* const> history, NotchTab tab, bool favouritesOnly,
                       std::string_view searchText)
{
    // Parsed once for the whole history rather than once per clip: same result, far cheaper.
    const SearchQuery query(searchText);
    auto kept = keptMatching(history, !query.isEmpty(), [&](const ClipItem& item) {
        return matches(tab, item.type()) && (!favouritesOnly || item.isPinned) && query.matches(item);
    });
    return sorted(kept);
}

ClipList filteredItems(std::span<const ClipItem> history, NotchTab tab, bool favouritesOnly,
                       std::string_view searchText)
{
    const auto all = pointersTo(history);
    return filteredItems(std::span<const ClipItem* const>(all), tab, favouritesOnly, searchText);
}

std::size_t count(std::span<const ClipItem* const> history, NotchTab tab)
{
    return static_cast<std::size_t>(
        std::count_if(history.begin(), history.end(), [tab](const ClipItem* item) { return matches(tab, item->type()); }));
}

std::size_t count(std::span<const ClipItem> history, NotchTab tab)
{
    return static_cast<std::size_t>(
        std::count_if(history.begin(), history.end(), [tab](const ClipItem& item) { return matches(tab, item.type()); }));
}

ClipList filtered(std::span<const ClipItem* const> history, std::optional<ClipType> kindFilter,
                  std::string_view searchText)
{
    const SearchQuery query(searchText);
    auto kept = keptMatching(history, !query.isEmpty(), [&](const ClipItem& item) {
        return (!kindFilter || item.type() == *kindFilter) && query.matches(item);
    });
    return sorted(kept);
}

ClipList filtered(std::span<const ClipItem> history, std::optional<ClipType> kindFilter, std::string_view searchText)
{
    const auto all = pointersTo(history);
    return filtered(std::span<const ClipItem* const>(all), kindFilter, searchText);
}

} // namespace brisa
