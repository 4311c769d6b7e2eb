// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/clips/SearchColumn.h"
#include "core/clips/TextPreview.h"
#include "core/model/ClipItem.h"
#include "core/model/ClipType.h"
#include "core/search/SearchQuery.h"
#include "core/store/StoreChanges.h"
#include "core/support/Clock.h"
#include "core/support/Uuid.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

class Storage;

/// Which clips a library read returns. Default: every clip.
struct ClipFilter {
    /// The library's kind filter; a kind in the search text applies as well.
    std::optional<ClipType> kind{};
    /// The search field's text, in the search syntax (words, "@kind", "@app").
    std::string search{};
    /// Clips filed under one space: a board column.
    std::optional<Uuid> space{};
    /// Clips under no space or under one that no longer exists (the board's last column): set
    /// to the spaces that exist. Ignored when space is set.
    std::optional<std::vector<Uuid>> unfiledAmong{};

    bool operator==(const ClipFilter&) const = default;
};

/// A window onto the filtered clips: how many there are, and the ones asked for.
struct ClipPage {
    std::size_t total = 0;
    std::vector<ClipItem> clips; ///< without thumbnails; views load those lazily
};

/// What findByIdPrefix found.
struct IdLookup {
    enum class Outcome { Found, NotFound, Ambiguous };
    Outcome outcome = Outcome::NotFound;
    std::optional<ClipItem> clip{}; ///< when Found
};

/// The clip operations that the panel, the library window and the command line share, over one
/// Storage: reads in the library's order (pinned first, then newest), search, and the changes a
/// user makes to clips. Runs on the Storage's thread.
class ClipLibrary {
public:
    /// Clips a first screen of the library shows; a sensible page size.
    static constexpr std::size_t kScreen = 60;

    /// storage must outlive the library.
    explicit ClipLibrary(Storage& storage);
    ~ClipLibrary();
    ClipLibrary(const ClipLibrary&) = delete;
    ClipLibrary& operator=(const ClipLibrary&) = delete;

    Storage& storage() { return storage_; }

    /// limit clips from offset of those the filter keeps, in the library's order, with their
    /// number. A filter with search text, or on spaces, reads an in-memory copy of the searched
    /// fields, brought up to date first when the history changed (here or in another process).
    ClipPage page(const ClipFilter& filter, std::size_t offset, std::size_t limit);
    /// How many clips the filter keeps.
    std::size_t count(const ClipFilter& filter);
    /// Every clip the filter keeps, in order (at most limit when given): the command line's search.
    /// Before the first page() or count() it reads the store once without keeping a copy.
    std::vector<ClipItem> all(const ClipFilter& filter, std::optional<std::size_t> limit = std::nullopt);
    /// all()'s clips, summed up, turned into text by render and joined, in order: the command line's listing.
    /// Before the first page() or count(), a long list is read on every core at once, render
    /// running on the thread that read the clip (it must be safe to call from several threads).
    /// nullopt when the store could not be read.
    std::optional<std::string> render(const ClipFilter& filter, std::optional<std::size_t> limit,
                                      const std::function<void(const ClipSummary&, std::string&)>& render);

    /// Those of ids whose clips exist and the filter keeps, in the order given: what a bulk action
    /// on a selection acts on, found without reading the clips.
    std::vector<Uuid> keptAmong(const ClipFilter& filter, std::span<const Uuid> ids);

    /// The clip with id (without its thumbnail), or nullopt.
    std::optional<ClipItem> find(const Uuid& id);
    /// The clip named by a full id, or by a prefix of at least 4 characters (letter case aside)
    /// that no other clip's id shares.
    IdLookup findByIdPrefix(std::string_view text);

    /// Pins or unpins a clip; false when there is no such clip or on failure.
    bool setPinned(const Uuid& id, bool pinned);
    bool pin(const Uuid& id) { return setPinned(id, true); }
    bool unpin(const Uuid& id) { return setPinned(id, false); }
    /// Files a clip under a space, or under none; the space need not exist (any more).
    bool moveToSpace(const Uuid& id, const std::optional<Uuid>& space);
    /// Deletes a clip and then its image file; a file already gone does not fail it. False when
    /// there is no such clip or on failure.
    bool remove(const Uuid& id);

    /// The bulk forms: one transaction for all of ids; the number of clips changed or deleted,
    /// nullopt when the transaction failed (and nothing changed). Deleting removes the image
    /// files after the records.
    std::optional<std::size_t> setPinned(std::span<const Uuid> ids, bool pinned);
    std::optional<std::size_t> moveToSpace(std::span<const Uuid> ids, const std::optional<Uuid>& space);
    std::optional<std::size_t> remove(std::span<const Uuid> ids);

    /// Clearing the history: deletes every unpinned clip (every clip with includePinned) in one
    /// transaction, then the image files no clip names any more. The number deleted; nullopt when
    /// the transaction failed (and nothing was deleted).
    std::optional<std::size_t> clear(bool includePinned = false);
    /// How many clips clear(includePinned) would delete now: what a confirmation tells the user.
    std::size_t clearableCount(bool includePinned = false);

    /// How many times the in-memory copy of the searched fields was read whole: once, and again
    /// only after a change it was not told the rows of (another process's).
    std::size_t columnLoads() const { return columnLoads_; }

    /// Runs a job on another thread.
    using Elsewhere = std::function<void(std::function<void()>)>;
    /// Reads the searched fields ahead, on another thread through a connection of its own, unless
    /// the copy in memory is current or a read is under way: the first search then finds them in
    /// memory. The copy is taken over on the scheduler's thread (changes made meanwhile are
    /// applied to it), then ready runs. A read that needs the fields before that reads them here,
    /// as without this, and what the other thread read is dropped.
    void loadAhead(const Elsewhere& elsewhere, Scheduler& scheduler, std::function<void()> ready);
    /// remove(ids) on another thread through a connection of its own, so that a large selection
    /// does not hold up this thread: the same one transaction, the image files after the records.
    /// Back on the scheduler's thread, every holder of the history is told of the deleted rows,
    /// then done runs with the number deleted (nullopt: the transaction failed and nothing was
    /// deleted). Nothing runs there when this library is gone by then.
    void removeElsewhere(std::vector<Uuid> ids, const Elsewhere& elsewhere, Scheduler& scheduler,
                         std::function<void(std::optional<std::size_t>)> done);
    /// Whether a read ahead is under way.
    bool loadingAhead() const { return ahead_ != nullptr; }
    /// Whether the filter reads the copy of the searched fields (search text, or spaces); else
    /// the store's indexes answer it directly.
    bool searches(const ClipFilter& filter) { return needsColumn(filter); }

private:
    /// The searched fields in memory, current as of now.
    SearchColumn& column();
    /// Row numbers of the filter's clips from the column, cached for the next page of the same filter.
    const std::vector<std::uint32_t>& matches(const ClipFilter& filter);
    bool needsColumn(const ClipFilter& filter);
    /// What a read of the store that matches while it reads asks for: the kind to read and the
    /// test of each row. nullopt when the filter's kinds exclude each other (nothing matches).
    struct Scan;
    std::optional<Scan> scanFor(const ClipFilter& filter);
    /// search parsed; the last one is kept, as the window asks for its count and its page in turn.
    const SearchQuery& query(const std::string& search);

    Storage& storage_;
    SearchColumn column_;
    bool loaded_ = false;
    bool stale_ = true; ///< the history changed in ways unknown since the column was read
    std::vector<StoreChanges::Rows> pending_; ///< changes made here since, not yet applied
    std::size_t pendingRows_ = 0; ///< of pending_, those to read again
    std::size_t columnLoads_ = 0;
    StoreChanges::Subscription changes_;
    std::optional<ClipFilter> cachedFilter_;
    std::vector<std::uint32_t> cachedMatches_;
    std::string querySearch_;
    SearchQuery query_{""};

    /// A read ahead: filled on the other thread, then handed over.
    struct Ahead {
        SearchColumn column;
        bool ok = false;
    };
    std::shared_ptr<Ahead> ahead_; ///< the read under way
    bool aheadStale_ = false;      ///< a change of unknown rows came meanwhile
    bool aheadFailed_ = false;     ///< the last read ahead failed: none again until one here
    std::vector<StoreChanges::Rows> aheadPending_; ///< changes made here meanwhile
    std::size_t aheadPendingRows_ = 0;
    /// Whether the read ahead whose result arrives is the one under way, and this library alive.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
    void takeOver(const std::shared_ptr<Ahead>& done, const std::function<void()>& ready);
};

} // namespace brisa
