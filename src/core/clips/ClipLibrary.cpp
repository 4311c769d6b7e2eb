// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clips/ClipLibrary.h"

#include "core/clips/SearchRowReader.h"
#include "core/search/SearchQuery.h"
#include "core/store/Storage.h"

#include <algorithm>
#include <cctype>
#include <thread>

namespace brisa {

namespace {
// Rows to read again one by one before the whole history is read faster (a large import). Rows
// deleted, pinned or filed are not read at all.
constexpr std::size_t kMostPendingRows = 4096;
} // namespace

ClipLibrary::ClipLibrary(Storage& storage)
    : storage_(storage),
      changes_(storage.changes().subscribeRows(
          [this](StoreChanges::Origin, const std::optional<StoreChanges::Rows>& rows) {
              const auto toRead = rows && rows->kind == StoreChanges::Rows::Kind::Written ? rows->rowids.size() : 0;
              if (ahead_ && !aheadStale_) {
                  // The other thread's read may or may not see it: applied again on top, it
                  // changes nothing if it did.
                  if (!rows || aheadPendingRows_ + toRead > kMostPendingRows) {
                      aheadStale_ = true;
                      aheadPending_.clear();
                  } else {
                      aheadPending_.push_back(*rows);
                      aheadPendingRows_ += toRead;
                  }
              }
              if (!loaded_ || stale_)
                  return;
              if (!rows || pendingRows_ + toRead > kMostPendingRows) {
                  stale_ = true;
                  pending_.clear();
                  pendingRows_ = 0;
                  return;
              }
              pending_.push_back(*rows);
              pendingRows_ += toRead;
          }))
{
}

ClipLibrary::~ClipLibrary() = default;

void ClipLibrary::loadAhead(const Elsewhere& elsewhere, Scheduler& scheduler, std::function<void()> ready)
{
    storage_.changes().poll(); // what other programs did before the read starts is in it
    if (ahead_ || aheadFailed_ || (loaded_ && !stale_))
        return;
    auto job = std::make_shared<Ahead>();
    ahead_ = job;
    aheadStale_ = false;
    aheadPending_.clear();
    aheadPendingRows_ = 0;
    const auto rules = currentCaseRules();
    elsewhere([job, rules, file = storage_.storeFile(), &scheduler, alive = std::weak_ptr<char>(alive_), this,
               ready = std::move(ready)] {
        const SearchRowReader reader(file);
        job->ok = job->column.load([&reader](const auto& f) { return reader.forEach(f); }, 0, rules);
        scheduler.post([job, alive, this, ready] {
            if (alive.lock())
                takeOver(job, ready);
        });
    });
}

void ClipLibrary::takeOver(const std::shared_ptr<Ahead>& done, const std::function<void()>& ready)
{
    // Read here meanwhile, or overtaken by a change it cannot follow: dropped, and the next
    // search reads the history here, as without a read ahead.
    if (done == ahead_ && done->ok && !aheadStale_ && (!loaded_ || stale_)) {
        column_ = std::move(done->column);
        loaded_ = true;
        stale_ = false;
        ++columnLoads_;
        cachedFilter_.reset();
        pending_ = std::move(aheadPending_);
        pendingRows_ = aheadPendingRows_;
    }
    if (done == ahead_) {
        // A store the other connection cannot read is left to the reads here, which say why.
        aheadFailed_ = !done->ok;
        ahead_.reset();
        aheadPending_.clear();
        aheadPendingRows_ = 0;
    }
    if (ready)
        ready();
}

void ClipLibrary::removeElsewhere(std::vector<Uuid> ids, const Elsewhere& elsewhere, Scheduler& scheduler,
                                  std::function<void(std::optional<std::size_t>)> done)
{
    elsewhere([ids = std::move(ids), file = storage_.storeFile(), &scheduler, alive = std::weak_ptr<char>(alive_),
               this, done = std::move(done)]() mutable {
        auto rowids = std::make_shared<std::optional<std::vector<std::int64_t>>>(Storage::deleteClipsAt(file, ids));
        scheduler.post([rowids, alive, this, done = std::move(done)] {
            if (!alive.lock())
                return; // the next poll tells whoever is still there
            std::optional<std::size_t> deleted;
            if (*rowids) {
                deleted = (*rowids)->size();
                // The rows themselves: the search column drops them without reading anything. The
                // store's data version moved too, so the next poll cannot tell this commit from
                // another program's and has the history read again, off this thread.
                storage_.noteDeletedElsewhere(std::move(**rowids));
            }
            if (done)
                done(deleted);
        });
    });
}

const SearchQuery& ClipLibrary::query(const std::string& search)
{
    if (search != querySearch_) {
        query_ = SearchQuery(search);
        querySearch_ = search;
    }
    return query_;
}

bool ClipLibrary::needsColumn(const ClipFilter& filter)
{
    // Without search text or spaces, the indexes give the order and the count directly.
    return !query(filter.search).isEmpty() || filter.space || filter.unfiledAmong;
}

SearchColumn& ClipLibrary::column()
{
    // Another process's commit shows up here (and for every other subscriber) when polled.
    storage_.changes().poll();
    for (const auto& rows : pending_) {
        if (stale_)
            break;
        stale_ = !column_.apply(storage_, rows);
    }
    if (!pending_.empty())
        cachedFilter_.reset();
    pending_.clear();
    pendingRows_ = 0;
    if (!loaded_ || stale_) {
        ahead_.reset(); // what a read ahead brings would be older than this
        aheadFailed_ = false;
        aheadPending_.clear();
        aheadPendingRows_ = 0;
        stale_ = false;
        loaded_ = column_.load(storage_);
        ++columnLoads_;
        cachedFilter_.reset();
    }
    return column_;
}

const std::vector<std::uint32_t>& ClipLibrary::matches(const ClipFilter& filter)
{
    auto& col = column();
    if (cachedFilter_ && *cachedFilter_ == filter)
        return cachedMatches_;
    const SearchQuery& parsed = query(filter.search);
    std::function<bool(const SearchColumn::Entry&)> keep;
    if (filter.kind || filter.space || filter.unfiledAmong) {
        keep = [&filter](const SearchColumn::Entry& e) {
            if (filter.kind && e.kind != *filter.kind)
                return false;
            if (filter.space)
                return e.space == filter.space;
            if (filter.unfiledAmong)
                return !e.space || std::find(filter.unfiledAmong->begin(), filter.unfiledAmong->end(), *e.space) ==
                                       filter.unfiledAmong->end();
            return true;
        };
    }
    cachedMatches_ = col.matching(parsed, keep);
    cachedFilter_ = filter;
    return cachedMatches_;
}

ClipPage ClipLibrary::page(const ClipFilter& filter, std::size_t offset, std::size_t limit)
{
    ClipPage out;
    if (!needsColumn(filter)) {
        out.total = static_cast<std::size_t>(std::max<std::int64_t>(storage_.countOfKind(filter.kind), 0));
        out.clips = storage_.fetchLibraryPage(filter.kind, offset, limit);
        return out;
    }
    const auto& found = matches(filter);
    out.total = found.size();
    if (offset >= found.size() || limit == 0)
        return out;
    const auto end = offset + std::min(limit, found.size() - offset);
    std::vector<Storage::RowKey> rows;
    rows.reserve(end - offset);
    for (auto i = offset; i < end; ++i) {
        const auto& e = column_.entry(found[i]);
        rows.push_back({e.rowid, e.isPinned, e.createdAtStored});
    }
    out.clips = storage_.fetchRows(rows);
    return out;
}

std::size_t ClipLibrary::count(const ClipFilter& filter)
{
    if (!needsColumn(filter))
        return static_cast<std::size_t>(std::max<std::int64_t>(storage_.countOfKind(filter.kind), 0));
    return matches(filter).size();
}

struct ClipLibrary::Scan {
    std::optional<ClipType> kind;
    std::function<bool(const Storage::SearchRow&)> keep;
};

std::optional<ClipLibrary::Scan> ClipLibrary::scanFor(const ClipFilter& filter)
{
    // One search and done (the command line): match while reading, keep nothing.
    const SearchQuery& query = this->query(filter.search);
    auto kind = filter.kind;
    if (query.typeFilter()) {
        if (kind && kind != query.typeFilter())
            return std::nullopt;
        kind = query.typeFilter();
    }
    return Scan{kind, [&query, filter](const Storage::SearchRow& row) {
                    if (filter.space || filter.unfiledAmong) {
                        const auto space = row.spaceID.empty() ? std::nullopt : Uuid::parse(row.spaceID);
                        if (filter.space ? space != filter.space
                                         : space && std::find(filter.unfiledAmong->begin(),
                                                              filter.unfiledAmong->end(),
                                                              *space) != filter.unfiledAmong->end())
                            return false;
                    }
                    return query.matches(clipTypeOrText(row.typeRaw), row.textContent, row.sourceAppName,
                                         row.ocrText);
                }};
}

std::vector<ClipItem> ClipLibrary::all(const ClipFilter& filter, std::optional<std::size_t> limit)
{
    const std::size_t most = limit.value_or(static_cast<std::size_t>(-1) / 2);
    if (loaded_ || !needsColumn(filter))
        return page(filter, 0, most).clips;
    const auto scan = scanFor(filter);
    if (!scan)
        return {};
    auto found = storage_.fetchMatching(scan->kind, scan->keep, most);
    return found ? std::move(*found) : std::vector<ClipItem>();
}

std::optional<std::string> ClipLibrary::render(const ClipFilter& filter, std::optional<std::size_t> limit,
                                               const std::function<void(const ClipSummary&, std::string&)>& render)
{
    const std::size_t most = limit.value_or(static_cast<std::size_t>(-1) / 2);
    if (loaded_ || !needsColumn(filter)) {
        std::string out;
        for (const auto& item : page(filter, 0, most).clips)
            render(ClipSummary::of(item), out);
        return out;
    }
    const auto scan = scanFor(filter);
    if (!scan)
        return std::string();
    // A screenful is found among the newest rows through the index, which stops there; more is
    // worth reading the whole store on every core.
    if (most <= kScreen) {
        std::string out;
        if (!storage_.forEachMatching(scan->kind, scan->keep, most,
                                      [&out, &render](const ClipItem& item) { render(ClipSummary::of(item), out); }))
            return std::nullopt;
        return out;
    }
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
    return storage_.renderMatching(scan->kind, scan->keep, most, render, threads);
}

std::vector<Uuid> ClipLibrary::keptAmong(const ClipFilter& filter, std::span<const Uuid> ids)
{
    const auto rows = storage_.rowsOfIds(ids);
    std::vector<std::int64_t> kept; // sorted row numbers of the filter's clips, when it searches
    const bool searches = needsColumn(filter);
    if (searches) {
        const auto& found = matches(filter);
        kept.reserve(found.size());
        for (auto i : found)
            kept.push_back(column_.entry(i).rowid);
        std::sort(kept.begin(), kept.end());
    }
    std::vector<Uuid> out;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const auto& row = rows[i];
        if (!row)
            continue;
        const bool keeps = searches ? std::binary_search(kept.begin(), kept.end(), row->rowid)
                                               : !filter.kind || row->kind == *filter.kind;
        if (keeps)
            out.push_back(ids[i]);
    }
    return out;
}

std::optional<ClipItem> ClipLibrary::find(const Uuid& id)
{
    return storage_.fetch(id, false);
}

IdLookup ClipLibrary::findByIdPrefix(std::string_view text)
{
    if (auto id = Uuid::parse(text)) {
        if (auto clip = storage_.fetch(*id, false))
            return {IdLookup::Outcome::Found, std::move(clip)};
        return {};
    }
    // Only what an id is made of: anything else cannot start one, and stays out of the query.
    const bool idCharacters = std::all_of(text.begin(), text.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) || c == '-';
    });
    if (text.size() < 4 || text.size() >= 36 || !idCharacters)
        return {};
    auto found = storage_.fetchByIdPrefix(text, 2);
    if (found.empty())
        return {};
    if (found.size() > 1)
        return {IdLookup::Outcome::Ambiguous, std::nullopt};
    return {IdLookup::Outcome::Found, std::move(found.front())};
}

bool ClipLibrary::setPinned(const Uuid& id, bool pinned)
{
    return storage_.setPinned(id, pinned);
}

bool ClipLibrary::moveToSpace(const Uuid& id, const std::optional<Uuid>& space)
{
    return storage_.setSpace(id, space);
}

bool ClipLibrary::remove(const Uuid& id)
{
    const Uuid ids[] = {id};
    const auto deleted = storage_.deleteClips(ids);
    return deleted && *deleted == 1;
}

std::optional<std::size_t> ClipLibrary::setPinned(std::span<const Uuid> ids, bool pinned)
{
    return storage_.setPinned(ids, pinned);
}

std::optional<std::size_t> ClipLibrary::moveToSpace(std::span<const Uuid> ids, const std::optional<Uuid>& space)
{
    return storage_.setSpace(ids, space);
}

std::optional<std::size_t> ClipLibrary::remove(std::span<const Uuid> ids)
{
    return storage_.deleteClips(ids);
}

std::optional<std::size_t> ClipLibrary::clear(bool includePinned) { return storage_.clearHistory(includePinned); }

std::size_t ClipLibrary::clearableCount(bool includePinned)
{
    return static_cast<std::size_t>(std::max<std::int64_t>(0, storage_.countClearable(includePinned)));
}

} // namespace brisa
