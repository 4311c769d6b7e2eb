// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clips/SearchColumn.h"

#include "core/search/SearchQuery.h"
#include "core/store/Storage.h"

#include <algorithm>
#include <limits>
#include <thread>

namespace brisa {

bool SearchColumn::load(Storage& storage)
{
    entries_.clear();
    blob_.clear();
    // A hint only: rows may come and go before the read starts.
    entries_.reserve(static_cast<std::size_t>(std::max<std::int64_t>(storage.count(), 0)));
    constexpr std::size_t kMaxField = std::numeric_limits<std::uint32_t>::max();
    const bool ok = storage.forEachSearchRow([this](const Storage::SearchRow& row) {
        Entry e;
        e.rowid = row.rowid;
        e.createdAt = row.createdAt;
        e.createdAtStored = row.createdAtStored;
        e.offset = blob_.size();
        // A field beyond 4 GiB cannot be stored by any path Brisa has; cut rather than wrap.
        const auto text = row.textContent.substr(0, kMaxField);
        const auto app = row.sourceAppName.substr(0, kMaxField);
        const auto ocr = row.ocrText.substr(0, kMaxField);
        e.textSize = static_cast<std::uint32_t>(text.size());
        e.appSize = static_cast<std::uint32_t>(app.size());
        e.ocrSize = static_cast<std::uint32_t>(ocr.size());
        blob_.append(text).append(app).append(ocr);
        e.kind = clipTypeOrText(row.typeRaw);
        e.isPinned = row.isPinned;
        if (!row.spaceID.empty())
            e.space = Uuid::parse(row.spaceID);
        entries_.push_back(e);
    });
    if (!ok) {
        entries_.clear();
        blob_.clear();
        return false;
    }
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        if (a.isPinned != b.isPinned)
            return a.isPinned;
        if (a.createdAt != b.createdAt)
            return a.createdAt > b.createdAt;
        return a.rowid > b.rowid;
    });
    return true;
}

std::vector<std::uint32_t> SearchColumn::matching(const SearchQuery& query,
                                                   const std::function<bool(const Entry&)>& keep) const
{
    auto scan = [&](std::size_t from, std::size_t to) {
        std::vector<std::uint32_t> out;
        for (std::size_t i = from; i < to; ++i) {
            const Entry& e = entries_[i];
            if ((!keep || keep(e)) && query.matches(e.kind, textContent(e), sourceAppName(e), ocrText(e)))
                out.push_back(static_cast<std::uint32_t>(i));
        }
        return out;
    };
    // Below this a thread costs more than it saves.
    constexpr std::size_t kParallelFrom = 8192;
    const std::size_t cores = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    if (query.isEmpty() || cores < 2 || entries_.size() < kParallelFrom)
        return scan(0, entries_.size());
    const std::size_t slices = std::min(cores, entries_.size() / (kParallelFrom / 2));
    const std::size_t step = (entries_.size() + slices - 1) / slices;
    std::vector<std::vector<std::uint32_t>> parts(slices);
    {
        std::vector<std::jthread> workers;
        for (std::size_t s = 1; s < slices; ++s)
            workers.emplace_back(
                [&, s] { parts[s] = scan(s * step, std::min(entries_.size(), (s + 1) * step)); });
        parts[0] = scan(0, std::min(entries_.size(), step));
    }
    std::vector<std::uint32_t> out = std::move(parts[0]);
    for (std::size_t s = 1; s < slices; ++s)
        out.insert(out.end(), parts[s].begin(), parts[s].end());
    return out;
}

} // namespace brisa
