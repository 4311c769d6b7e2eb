// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/search/ClipFilters.h"

#include "core/search/SearchQuery.h"

#include <algorithm>

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
    std::vector<Kept> out;
    for (std::size_t i = 0; i < history.size(); ++i) {
        const ClipItem* item = history[i];
        if (!query.isEmpty())
            prefetchAhead(history, i);
        if (!matches(tab, item->type()))
            continue;
        if (favouritesOnly && !item->isPinned)
            continue;
        if (!query.matches(*item))
            continue;
        out.push_back({item->isPinned, item->createdAt, item});
    }
    return sorted(out);
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
    std::vector<Kept> out;
    for (std::size_t i = 0; i < history.size(); ++i) {
        const ClipItem* item = history[i];
        if (!query.isEmpty())
            prefetchAhead(history, i);
        if (kindFilter && item->type() != *kindFilter)
            continue;
        if (!query.matches(*item))
            continue;
        out.push_back({item->isPinned, item->createdAt, item});
    }
    return sorted(out);
}

ClipList filtered(std::span<const ClipItem> history, std::optional<ClipType> kindFilter, std::string_view searchText)
{
    const auto all = pointersTo(history);
    return filtered(std::span<const ClipItem* const>(all), kindFilter, searchText);
}

} // namespace brisa
