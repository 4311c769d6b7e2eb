// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/model/ClipSummary.h"
#include "core/model/ClipType.h"
#include "core/model/NotchTab.h"
#include "core/store/StoreChanges.h"
#include "core/support/Bytes.h"
#include "core/support/Clock.h"
#include "core/support/Signal.h"
#include "core/support/Uuid.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

struct sqlite3;

namespace brisa {

class SqliteDatabase;
class SqliteStatement;

/// Which clips a history fetch returns.
struct FetchOptions {
    std::optional<std::size_t> limit{}; ///< newest first; nullopt = all
    std::size_t offset = 0;
    bool withThumbnails = false; ///< views load thumbnails lazily through thumbnail(id)
};

/// The clip history on disk: a SQLite database of ClipItem records (their thumbnails in a table
/// of their own, ClipThumbnail, keyed by the clip's id and deleted with it), the folder of
/// full-size images they name, and the two retention rules. Runs on one thread; other processes (the
/// command line, the sqlite3 shell) may read and write the same database beside it.
class Storage {
public:
    /// Schema version this build writes; older databases are migrated forward at open.
    static constexpr std::int64_t kSchemaVersion = 7;

    struct Opened {
        std::unique_ptr<Storage> storage; ///< null when the store cannot be opened
        std::string error;                ///< "No se pudo crear ModelContainer: <reason>" when null
        /// What the user should hear even though the store opened: a damaged store (and the images
        /// it named) moved aside, and where. Empty when nothing happened.
        std::string notice{};
    };

    /// dataHome/"Brisa"; without an argument, under xdgDataHome().
    static std::filesystem::path appSupportDir(const std::filesystem::path& dataHome);
    static std::filesystem::path appSupportDir();
    /// Start-up: legacy migration, folders (0700), database (0600) with corrupt-file recovery,
    /// orphan image cleanup, "[Brisa] Storage listo en ..." log line. clock must outlive the store.
    /// Damage includes what SQLite would not call damage: something other than a regular file at
    /// the store's path (it could block the start), and an empty file while images or a journal
    /// exist (SQLite would take it for a new store). Damaged files go aside with mode 0600, the
    /// images with them. The orphan cleanup never runs against a store created in this start.
    static Opened open(const std::filesystem::path& dataHome, const Clock& clock);
    /// open() under xdgDataHome().
    static Opened open(const Clock& clock);

    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    const std::filesystem::path& dataDir() const { return dataDir_; }
    const std::filesystem::path& imagesDir() const { return imagesDir_; }
    /// dataDir()/"Brisa.store".
    const std::filesystem::path& storeFile() const { return storeFile_; }

    /// Maximum number of unpinned clips; starts at 100; below 1 = no limit.
    std::int64_t historyLimit() const { return historyLimit_; }
    void setHistoryLimit(std::int64_t limit) { historyLimit_ = limit; }
    /// Unpinned clips older than this many calendar days go; starts at 0; below 1 = never.
    std::int64_t autoDeleteDays() const { return autoDeleteDays_; }
    void setAutoDeleteDays(std::int64_t days) { autoDeleteDays_ = days; }

    /// Stores one new record; false (and a log line) on failure, e.g. a duplicate id.
    bool insert(const ClipItem& item);
    /// Writes every field of the record with item.id; false when there is none or on failure. An
    /// absent thumbnail keeps the stored one: records are mostly fetched without their thumbnails,
    /// and writing one back after pinning it must not lose its picture.
    bool update(const ClipItem& item);
    /// Field-wise updates: each writes its own column only, so that what another path changed
    /// meanwhile (recognised text arriving, a pin from the command line) is not overwritten with a
    /// copy read earlier. False when there is no such record or on failure.
    bool setPinned(const Uuid& id, bool pinned);
    bool setSpace(const Uuid& id, const std::optional<Uuid>& spaceID);
    bool setOcrText(const Uuid& id, const std::optional<std::string>& text);
    bool setCreatedAt(const Uuid& id, TimePoint createdAt);
    /// The record with id, or nullopt.
    std::optional<ClipItem> fetch(const Uuid& id, bool withThumbnail = true);
    /// Records newest first (createdAt descending); thumbnails only when asked for.
    std::vector<ClipItem> fetchAll(const FetchOptions& options = {});
    /// Pinned records newest first, without thumbnails.
    std::vector<ClipItem> fetchPinned();
    /// The thumbnail of one record; nullopt when it has none or does not exist.
    std::optional<Bytes> thumbnail(const Uuid& id);
    /// Number of records.
    std::int64_t count();

    /// One page of the panel's cards: the tab's clips (an unknown kind counts as text), only
    /// pinned ones when onlyPinned; pinned first, then newest first, equal times newest row
    /// first. Thumbnails are left out: the cards load them lazily.
    std::vector<ClipItem> fetchPanelPage(NotchTab tab, bool onlyPinned, std::size_t offset, std::size_t limit);
    /// The tab's count badge: how many clips it shows, pinned or not.
    std::int64_t countForTab(NotchTab tab);

    /// Deletes the record and then its image file (unless another record still names it).
    bool deleteClip(const ClipItem& item);
    /// Deletes the records of ids in one transaction, then the image files that no record names
    /// any more (a file already gone is no failure). Ids without a record are passed over. The
    /// number of records deleted; nullopt when the transaction failed and nothing was deleted.
    std::optional<std::size_t> deleteClips(std::span<const Uuid> ids);
    /// How long a write waits for another connection's write to end before it fails.
    static constexpr std::chrono::milliseconds kBusyTimeout{5000};
    /// deleteClips through a connection of its own to storeFile (never created), for another
    /// thread while this Storage goes on: the same transaction and image files, but no one is told.
    /// The row numbers deleted, for noteDeletedElsewhere on the Storage's thread; nullopt when the
    /// transaction failed (then none were).
    static std::optional<std::vector<std::int64_t>> deleteClipsAt(const std::filesystem::path& storeFile,
                                                                  std::span<const Uuid> ids,
                                                                  std::chrono::milliseconds busyTimeout = kBusyTimeout);
    /// Tells the change listeners, then the onChanged callbacks, of the rows deleteClipsAt deleted.
    void noteDeletedElsewhere(std::vector<std::int64_t> rowids);
    /// setPinned and setSpace for many records in one transaction; the number of records that
    /// exist among ids, nullopt when the transaction failed and nothing changed.
    std::optional<std::size_t> setPinned(std::span<const Uuid> ids, bool pinned);
    std::optional<std::size_t> setSpace(std::span<const Uuid> ids, const std::optional<Uuid>& spaceID);
    /// Up to limit records (without thumbnails) whose id starts with prefix, letter case aside,
    /// read through the id index.
    std::vector<ClipItem> fetchByIdPrefix(std::string_view prefix, std::size_t limit);
    /// The records of these row numbers (see lastRowId), in the order given, without thumbnails;
    /// rows that are gone are left out.
    std::vector<ClipItem> fetchRows(std::span<const std::int64_t> rowids);
    /// A row with the pinned state and stored time a search read for it.
    struct RowKey {
        std::int64_t rowid = 0;
        bool isPinned = false;
        double createdAt = 0; ///< as stored (Unix seconds)
    };
    /// fetchRows of their row numbers (the pinned state and time a search read are not needed to
    /// find a row; they stay in RowKey for the callers that sort by them).
    std::vector<ClipItem> fetchRows(std::span<const RowKey> rows);

    /// One page of the library's order, pinned first, then newest first (equal times newest row
    /// first), of one kind or all (an unknown kind counts as text); read through the indexes.
    std::vector<ClipItem> fetchLibraryPage(std::optional<ClipType> kind, std::size_t offset, std::size_t limit);
    /// How many records fetchLibraryPage pages through.
    std::int64_t countOfKind(std::optional<ClipType> kind);

    /// What a search reads of one record. The views are valid during the callback only.
    struct SearchRow {
        std::int64_t rowid = 0;
        std::string_view typeRaw;
        std::string_view textContent;   ///< empty when absent
        std::string_view sourceAppName; ///< empty when absent
        std::string_view ocrText;       ///< empty when absent
        std::string_view spaceID;       ///< as stored; empty when absent
        bool isPinned = false;
        TimePoint createdAt{};
        double createdAtStored = 0; ///< createdAt as stored, for RowKey
    };
    /// Hands every record's searched fields to f, read in one scan of the table (whose rows hold no
    /// thumbnail), in no particular order; only those of kind when given (tested before any text
    /// is read). False on failure.
    bool forEachSearchRow(const std::function<void(const SearchRow&)>& f, std::optional<ClipType> kind = std::nullopt);
    /// forEachSearchRow through another connection on a store (a reader's on its own thread);
    /// false on an SQL failure, with db's error message.
    static bool forEachSearchRowOn(SqliteDatabase& db, const std::function<void(const SearchRow&)>& f,
                                   std::optional<ClipType> kind = std::nullopt);
    /// The records (without thumbnails) for which keep holds of their searched fields, in the
    /// library's order, of kind when given, the first limit of them, handed to visit as they are
    /// read: one ClipItem, refilled for each row (copy what you keep). keep runs inside SQLite's
    /// step: what it or visit throws ends the scan and is thrown again here. False on failure.
    bool forEachMatching(std::optional<ClipType> kind, const std::function<bool(const SearchRow&)>& keep,
                         std::size_t limit, const std::function<void(const ClipItem&)>& visit);
    /// forEachMatching's records, as summaries read straight from their rows, turned into text by
    /// render on threads at once (the rows shared out among them, each through a read-only
    /// connection of its own), render running on the thread that read the record: the texts
    /// joined in the library's order. For listing tens of thousands of matches; keep and render
    /// must be safe to call from several threads. nullopt on failure.
    std::optional<std::string> renderMatching(std::optional<ClipType> kind,
                                              const std::function<bool(const SearchRow&)>& keep, std::size_t limit,
                                              const std::function<void(const ClipSummary&, std::string&)>& render,
                                              std::size_t threads);
    /// forEachMatching's records, gathered; nullopt on failure.
    std::optional<std::vector<ClipItem>> fetchMatching(std::optional<ClipType> kind,
                                                       const std::function<bool(const SearchRow&)>& keep,
                                                       std::size_t limit);
    /// The row number and kind of the record with each id, in the order given (nullopt where there
    /// is none), read from the start of each row: never past a thumbnail.
    struct IdRow {
        std::int64_t rowid = 0;
        ClipType kind = ClipType::Text;
    };
    std::vector<std::optional<IdRow>> rowsOfIds(std::span<const Uuid> ids);
    /// The same for the records of these row numbers, each looked up by its number; rows that are
    /// gone are passed over. False on failure.
    bool forEachSearchRowOf(std::span<const std::int64_t> rowids, const std::function<void(const SearchRow&)>& f);
    /// Removes images/name; errors are ignored; names with '/' or ".." are refused.
    void deleteImage(const std::string& name);
    /// Writes images/name atomically with mode 0600; false on failure or a refused name.
    bool writeImage(const std::string& name, const Bytes& png);
    /// A fresh upper-case UUID followed by ".png".
    std::string newImageFileName() const;

    /// Deletes the oldest unpinned records beyond historyLimit, with their images.
    void enforceHistoryLimit();
    /// Deletes unpinned records created strictly before now minus autoDeleteDays calendar days.
    void purgeOldItems();
    /// How many clips clearHistory(includePinned) would delete now: the unpinned ones, or all.
    std::int64_t countClearable(bool includePinned = false);
    /// Deletes every unpinned clip (every clip when includePinned) in one transaction, then the
    /// image files no record names any more. The number deleted; nullopt when nothing could be
    /// deleted (the store is busy or failing: then every clip is still there).
    std::optional<std::size_t> clearHistory(bool includePinned = false);
    /// What every capture path does: insert, then enforceHistoryLimit, then purgeOldItems.
    bool insertCaptured(const ClipItem& item);

    /// Copies the write-ahead journal into the database file without waiting for readers: after a
    /// crash, a damaged journal can only cost what was written since. False when some of it had to
    /// stay (a reader was in the way) or on failure.
    bool checkpoint();

    /// True when another connection committed a change since the previous call (or since open).
    /// Consumed by its caller: views that share the news use changes() instead.
    bool externallyChanged();
    /// The history's change notices, here and in other processes, shared by every subscriber.
    StoreChanges& changes() { return *changes_; }
    /// f runs after each change made through this Storage: a record inserted, updated or deleted
    /// (retention included). Changes by other connections show up in externallyChanged().
    void onChanged(std::function<void()> f) { changed_.connect(std::move(f)); }

    /// What insertBatch did with its records.
    struct BatchOutcome {
        bool ok = false;          ///< false: nothing of the batch was stored
        std::size_t inserted = 0; ///< new records
        std::size_t skipped = 0;  ///< records left out as already stored
        std::vector<std::size_t> skippedAt; ///< their positions in the batch
    };
    /// Stores many new records in one transaction with one prepared statement, then applies the
    /// retention rules once. A record whose id is stored already is skipped, and so, when
    /// sameContentUpToRow is given, is one whose contentHash a record up to that row (see
    /// lastRowId) has: an import skips what the store held before it began, yet keeps the
    /// repeats among the clips it brings. All or nothing: on a failure none of the batch stays.
    BatchOutcome insertBatch(std::span<const ClipItem> items,
                             std::optional<std::int64_t> sameContentUpToRow = std::nullopt);
    /// insertBatch in pieces: one transaction that records are added to as they arrive, stored
    /// together by commit(). Nothing of it is visible elsewhere before the commit; a failure, or an
    /// end without commit, keeps none of it. No other write may run on this Storage meanwhile.
    class BatchTransaction {
    public:
        /// Begins the transaction; see ok().
        explicit BatchTransaction(Storage& storage);
        /// Rolls back what was not committed.
        ~BatchTransaction();
        BatchTransaction(const BatchTransaction&) = delete;
        BatchTransaction& operator=(const BatchTransaction&) = delete;

        /// False once anything failed: the transaction is void and commit() keeps nothing.
        bool ok() const { return open_; }
        /// Stores records inside the transaction, skipped as insertBatch skips them; positions in
        /// skippedAt count from the transaction's first record. False on failure.
        bool add(std::span<const ClipItem> items, std::optional<std::int64_t> sameContentUpToRow = std::nullopt);
        /// Records added so far (stored or skipped).
        std::size_t size() const { return added_; }
        /// Commits, then applies the retention rules once; the outcome of the whole transaction.
        BatchOutcome commit();

    private:
        void fail();

        Storage& storage_;
        BatchOutcome outcome_;
        std::vector<std::int64_t> rowids_; ///< of the records stored
        std::size_t added_ = 0;
        bool open_ = false;
    };
    /// While one lives, the store is set up for many batches in a row: a page cache large enough
    /// for the indexes that random keys (ids, hashes) touch all over, and the journal copied back
    /// into the database at the end (or every 256 MiB) rather than after every batch. Neither
    /// weakens what a crash can cost: committed batches stay in the journal until then.
    class BulkWriteScope {
    public:
        explicit BulkWriteScope(Storage& storage);
        ~BulkWriteScope();
        BulkWriteScope(const BulkWriteScope&) = delete;
        BulkWriteScope& operator=(const BulkWriteScope&) = delete;

    private:
        Storage& storage_;
        std::int64_t cacheSize_;
        std::int64_t autoCheckpoint_;
    };
    /// A 64-bit digest of a content hash: what an import keeps in memory for each stored record.
    static std::uint64_t contentDigest(std::string_view contentHash);
    /// The digests of the content hashes of the records up to row upToRow, sorted, read in one
    /// pass over their index: an import checks each clip against them without a query per clip,
    /// and asks hasContentUpTo only on a match (two hashes may share a digest). Nullopt on failure.
    std::optional<std::vector<std::uint64_t>> contentDigestsUpTo(std::int64_t upToRow);
    /// True when a record up to row upToRow has this content hash; nullopt on failure.
    std::optional<bool> hasContentUpTo(std::string_view contentHash, std::int64_t upToRow);
    /// The newest row's number (0 for an empty store); rows stored later have higher ones.
    std::int64_t lastRowId();
    /// Every record oldest first (equal times in the order they were stored), with its thumbnail,
    /// handed to f one at a time; f returns false to stop. Optionally only those created at or
    /// after since, and only of the given raw kinds (empty: all).
    void forEachOldestFirst(std::optional<TimePoint> since, const std::vector<std::string>& kinds,
                            const std::function<bool(const ClipItem&)>& f);

    /// A reminder whose notification has not gone out yet.
    struct PendingReminder {
        Uuid id;
        TimePoint at; ///< the clip's reminderDate
    };
    /// Clips with a reminderDate not yet marked delivered, earliest first.
    std::vector<PendingReminder> pendingReminders();
    /// Records that the reminder of id for at went out. Does nothing when the clip's reminderDate
    /// is no longer at (it was changed meanwhile): the new one stays pending.
    bool markReminderDelivered(const Uuid& id, TimePoint at);
    /// Sets or clears only the reminderDate of id; false when there is no such clip.
    bool setReminder(const Uuid& id, std::optional<TimePoint> at);
    /// PRAGMA data_version of this connection: it changes when another connection commits. Unlike
    /// externallyChanged() it keeps no state, so several watchers can compare it each on its own.
    std::optional<std::int64_t> dataVersion();

private:
    Storage(std::filesystem::path dataDir, std::unique_ptr<SqliteDatabase> db, const Clock& clock);

    /// Deletes the rows (rowid, imageFileName) selectSql yields, in one transaction, then the image
    /// files no record names any more. The number of rows deleted; nullopt when the transaction
    /// failed (then none were).
    std::optional<std::size_t> runRetention(const std::string& selectSql,
                                            const std::function<void(SqliteStatement&)>& bind);
    void removeOrphanImages();
    /// UPDATE ClipItem SET <assignment> WHERE id = ?1, with bind filling ?2; told to the change
    /// listeners as shape (its rows filled in).
    bool updateField(const Uuid& id, std::string_view assignment, const std::function<void(SqliteStatement&)>& bind,
                     StoreChanges::Rows shape = {});
    /// UPDATE ClipItem SET <assignment> WHERE id = ?1 for every id, in one transaction.
    std::optional<std::size_t> updateMany(std::span<const Uuid> ids, std::string_view assignment,
                                          const std::function<void(SqliteStatement&)>& bind,
                                          StoreChanges::Rows shape = {});
    /// Tells the change listeners, then the onChanged callbacks, of a write made here.
    void noteChanged(std::optional<StoreChanges::Rows> rows);
    std::vector<ClipItem> query(const std::string& sql, std::optional<std::size_t> limit, std::size_t offset,
                                bool withThumbnails, bool reserveAll);
    /// After a failed statement: when SQLite called the file damaged, leave the marker that makes
    /// the next start check the whole store.
    void noteFailure();
    /// What a matching scan asks of each row, through an SQL function that reads it: rows that do
    /// not match are then never read further. Set only while that scan runs.
    struct KeepSlot {
        const std::function<bool(const SearchRow&)>* keep = nullptr;
        std::exception_ptr error;
    };
    /// Adds brisa_keeps(rowid, typeRaw, textContent, sourceAppName, ocrText, spaceID, isPinned,
    /// createdAt) to a connection: the slot's keep of that row (false while no scan runs).
    static void registerKeepFunction(sqlite3* db, KeepSlot* slot);
    /// Rows by rowid, both ends included.
    struct RowRange {
        std::int64_t first = 0;
        std::int64_t last = 0;
    };
    /// forEachMatching's scan on a connection, selecting columns (SQL) of each matching row for
    /// visit; given rows, it reads only those, in the table's order (not the library's) and all of
    /// them (limit aside). False on an SQL failure.
    static bool scanMatching(sqlite3* db, KeepSlot& slot, std::optional<ClipType> kind,
                             const std::function<bool(const SearchRow&)>& keep, std::size_t limit,
                             std::optional<RowRange> rows, std::string_view columns,
                             const std::function<void(const SqliteStatement&)>& visit);

    std::filesystem::path dataDir_;
    std::filesystem::path imagesDir_;
    std::filesystem::path storeFile_;
    std::unique_ptr<SqliteDatabase> db_;
    const Clock& clock_;
    std::int64_t historyLimit_ = 100;
    std::int64_t autoDeleteDays_ = 0;
    std::int64_t dataVersion_ = 0;
    bool damageNoted_ = false;
    Signal<> changed_;
    std::unique_ptr<StoreChanges> changes_;
    KeepSlot keepSlot_; ///< of db_
};

} // namespace brisa
