// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/store/Storage.h"

#include "core/store/RetentionCutoff.h"
#include "core/store/SqliteDatabase.h"
#include "core/store/StoreSchema.h"
#include "core/support/AtomicFile.h"
#include "core/support/Log.h"
#include "core/support/ParallelFor.h"
#include "core/support/XdgPaths.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cerrno>
#include <climits>
#include <cstring>
#include <tuple>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace brisa {

static_assert(Storage::kSchemaVersion == kLatestSchemaVersion);

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStoreName = "Brisa.store";
constexpr std::array<std::string_view, 3> kCompanionSuffixes{"", "-shm", "-wal"};
// Stores up to this many pages (32 MB at the default page size) get a full check at every start.
constexpr std::int64_t kFullCheckMaxPages = 8192;
// An image written by another process (the command line) just before its record: not an orphan yet.
constexpr auto kOrphanGrace = std::chrono::seconds(60);

// Column order shared by every record query; the thumbnail comes last so pages can leave it out.
constexpr std::string_view kColumns = "id, typeRaw, textContent, imageFileName, sourceAppBundleID, sourceAppName, "
                                      "createdAt, isPinned, spaceID, contentHash, byteSize, ocrText, batchID, "
                                      "reminderDate";

// A record's thumbnail, as a column of a query over ClipItem. The row's own column is only read
// when the thumbnails' table has none: a script may still write it there.
constexpr std::string_view kThumbnail =
    "COALESCE((SELECT data FROM ClipThumbnail WHERE clipID = ClipItem.id), ClipItem.thumbnailData)";

// The clip records' insert: every field but the thumbnail, which goes to ClipThumbnail.
constexpr std::string_view kInsertClip =
    "INSERT INTO ClipItem (id, typeRaw, textContent, imageFileName, sourceAppBundleID, sourceAppName, createdAt, "
    "isPinned, spaceID, contentHash, byteSize, ocrText, batchID, reminderDate) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)";
constexpr std::string_view kWriteThumbnail =
    "INSERT INTO ClipThumbnail (clipID, data) VALUES (?1, ?2) ON CONFLICT(clipID) DO UPDATE SET data = excluded.data";

std::optional<std::string> optionalUuidText(const std::optional<Uuid>& u)
{
    if (!u)
        return std::nullopt;
    return u->toString();
}

StoreChanges::Rows pinnedShape(bool pinned)
{
    return {.kind = pinned ? StoreChanges::Rows::Kind::Pinned : StoreChanges::Rows::Kind::Unpinned};
}

StoreChanges::Rows filedShape(const std::optional<Uuid>& space)
{
    return {.kind = StoreChanges::Rows::Kind::Filed, .space = optionalUuidText(space).value_or("")};
}

std::optional<double> optionalSeconds(const std::optional<TimePoint>& t)
{
    if (!t)
        return std::nullopt;
    return toUnixSeconds(*t);
}

/// A stored time as a TimePoint. Scripts can store anything in a REAL column: values beyond what a
/// TimePoint holds (about ±292 years around 1970 in nanoseconds) are clamped, NaN reads as 1970.
TimePoint storedTime(double seconds)
{
    constexpr double kLimit = 9.2e9;
    if (!std::isfinite(seconds))
        return fromUnixSeconds(0);
    return fromUnixSeconds(std::clamp(seconds, -kLimit, kLimit));
}

/// Sets field to the column's text or to none, reusing the string it holds.
void assignOptionalText(const SqliteStatement& st, int column, std::optional<std::string>& field)
{
    if (st.isNull(column))
        field.reset();
    else if (field)
        field->assign(st.textView(column));
    else
        field.emplace(st.textView(column));
}

/// Maps one row of kColumns (plus the thumbnail when asked) onto item, whose strings are reused:
/// a scan over many rows allocates for none but the longer texts. Rows whose id is not a UUID
/// (written by some script) cannot be addressed by the app: false, and the item is left as it was.
bool readRowInto(const SqliteStatement& st, bool withThumbnail, ClipItem& item)
{
    auto id = Uuid::parse(st.textView(0));
    if (!id)
        return false;
    item.id = *id;
    item.typeRaw.assign(st.textView(1));
    assignOptionalText(st, 2, item.textContent);
    assignOptionalText(st, 3, item.imageFileName);
    assignOptionalText(st, 4, item.sourceAppBundleID);
    assignOptionalText(st, 5, item.sourceAppName);
    item.createdAt = storedTime(st.real(6));
    item.isPinned = st.int64(7) != 0;
    item.spaceID = st.isNull(8) ? std::nullopt : Uuid::parse(st.textView(8));
    assignOptionalText(st, 9, item.contentHash);
    item.byteSize = st.int64(10);
    assignOptionalText(st, 11, item.ocrText);
    item.batchID = st.isNull(12) ? std::nullopt : Uuid::parse(st.textView(12));
    item.reminderDate = st.isNull(13) ? std::nullopt : std::optional(storedTime(st.real(13)));
    if (withThumbnail)
        item.thumbnailData = st.blob(14);
    else
        item.thumbnailData.reset();
    return true;
}

/// The columns a listing line shows, then the row number: what renderMatching reads of a match.
constexpr std::string_view kSummaryColumns = "id, typeRaw, textContent, ocrText, imageFileName, createdAt, isPinned, "
                                             "ClipItem.rowid";

std::optional<std::string_view> optionalTextView(const SqliteStatement& st, int column)
{
    if (st.isNull(column))
        return std::nullopt;
    return st.textView(column);
}

/// A row of kSummaryColumns as views into the statement's current row; false (and summary left as
/// it was) for an id that is not a UUID, as readRowInto.
bool readSummaryInto(const SqliteStatement& st, ClipSummary& summary)
{
    auto id = Uuid::parse(st.textView(0));
    if (!id)
        return false;
    summary.id = *id;
    summary.typeRaw = st.textView(1);
    summary.textContent = optionalTextView(st, 2);
    summary.ocrText = optionalTextView(st, 3);
    summary.imageFileName = optionalTextView(st, 4);
    summary.createdAt = storedTime(st.real(5));
    summary.isPinned = st.int64(6) != 0;
    return true;
}

std::optional<ClipItem> readRow(const SqliteStatement& st, bool withThumbnail)
{
    ClipItem item;
    if (!readRowInto(st, withThumbnail, item))
        return std::nullopt;
    return item;
}

/// Binds every field but the id and the thumbnail to parameters 2..14 (the id is parameter 1).
/// The item's own strings are bound without a copy: it must outlive the statement's step.
void bindFields(SqliteStatement& st, const ClipItem& item)
{
    st.bindText(2, std::string_view(item.typeRaw));
    st.bindOptionalTextUnowned(3, item.textContent);
    st.bindOptionalTextUnowned(4, item.imageFileName);
    st.bindOptionalTextUnowned(5, item.sourceAppBundleID);
    st.bindOptionalTextUnowned(6, item.sourceAppName);
    st.bindDouble(7, toUnixSeconds(item.createdAt));
    st.bindInt64(8, item.isPinned ? 1 : 0);
    st.bindOptionalText(9, optionalUuidText(item.spaceID));
    st.bindOptionalTextUnowned(10, item.contentHash);
    st.bindInt64(11, item.byteSize);
    st.bindOptionalTextUnowned(12, item.ocrText);
    st.bindOptionalText(13, optionalUuidText(item.batchID));
    st.bindOptionalDouble(14, optionalSeconds(item.reminderDate));
}

/// Stores the item's thumbnail for its id (replacing one stored before); true when it has none.
bool writeThumbnail(SqliteDatabase& db, const ClipItem& item)
{
    if (!item.thumbnailData)
        return true;
    StatementScope st(db.statement(kWriteThumbnail));
    st->bindText(1, item.id.toString());
    st->bindBlobUnowned(2, item.thumbnailData);
    return st->step() == SQLITE_DONE;
}

/// A savepoint around a record and its thumbnail, which are two rows: both are stored or neither.
/// It nests inside a transaction of the caller's; alone, it is one of its own.
class RecordWrite {
public:
    explicit RecordWrite(SqliteDatabase& db) : db_(db), open_(db.exec("SAVEPOINT record") == SQLITE_OK) {}
    ~RecordWrite()
    {
        if (open_) {
            db_.exec("ROLLBACK TO record");
            db_.exec("RELEASE record");
        }
    }
    RecordWrite(const RecordWrite&) = delete;
    RecordWrite& operator=(const RecordWrite&) = delete;
    bool ok() const { return open_; }
    bool commit()
    {
        if (!open_ || db_.exec("RELEASE record") != SQLITE_OK)
            return false;
        open_ = false;
        return true;
    }

private:
    SqliteDatabase& db_;
    bool open_;
};

bool isSafeImageName(std::string_view name)
{
    return !name.empty() && name != "." && name.find('/') == std::string_view::npos &&
           name.find("..") == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

/// Removes imagesDir/name; errors are ignored; names with '/' or ".." are refused.
void removeImageFile(const fs::path& imagesDir, const std::string& name)
{
    if (!isSafeImageName(name))
        return;
    std::error_code ec;
    fs::remove(imagesDir / name, ec);
}

/// Our image names: an upper- or lower-case UUID and ".png"; anything else in the folder is not ours.
bool looksLikeImageName(std::string_view name)
{
    constexpr std::string_view ext = ".png";
    return name.size() == 36 + ext.size() && name.substr(36) == ext && Uuid::parse(name.substr(0, 36));
}

void makePrivateDir(const fs::path& dir)
{
    std::error_code ec;
    fs::create_directories(dir, ec); // "already exists" and the like are not worth stopping for
    ::chmod(dir.c_str(), 0700);
}

/// Folders and files that go aside may hold what was copied: only the user reads them.
void makePrivate(const fs::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode))
        ::chmod(path.c_str(), S_ISDIR(info.st_mode) ? 0700 : 0600);
}

fs::path withSuffix(fs::path p, std::string_view suffix)
{
    p += std::string(suffix);
    return p;
}

/// True when something (even a dangling link) sits at p; unreadable counts as present.
bool entryExists(const fs::path& p)
{
    struct stat info {};
    return ::lstat(p.c_str(), &info) == 0 || errno != ENOENT;
}

bool anyCompanionExists(const fs::path& base)
{
    for (auto suffix : kCompanionSuffixes)
        if (entryExists(withSuffix(base, suffix)))
            return true;
    return false;
}

/// Moves the predecessor's folder into place on first start.
void migrateLegacyStore(const fs::path& dataHome)
{
    const auto oldDir = dataHome / "Pinbox";
    const auto newDir = Storage::appSupportDir(dataHome);
    std::error_code ec;
    if (!fs::is_directory(oldDir, ec) || entryExists(newDir))
        return;
    fs::rename(oldDir, newDir, ec);
    if (ec) {
        logf(LogCategory::Store, "No se pudo migrar el historial de Pinbox: {}", ec.message());
        return;
    }
    // A stray Brisa.store inside the old folder must not be overwritten, and a WAL must never be
    // paired with another database than its own: move the three together or not at all.
    const auto target = newDir / kStoreName;
    if (!anyCompanionExists(target)) {
        for (auto suffix : kCompanionSuffixes) {
            const auto from = withSuffix(newDir / "Pinbox.store", suffix);
            if (entryExists(from))
                fs::rename(from, withSuffix(target, suffix), ec); // a failed move is ignored
        }
    }
    logf(LogCategory::Store, "Historial de Pinbox migrado a {}", newDir.string());
}

/// Left beside the store when SQLite reported damage during a run: the next start checks fully.
fs::path checkMarker(const fs::path& store)
{
    return withSuffix(store, ".needs-check");
}

/// After a statement on store failed with errorCode: when SQLite called the file damaged, leaves
/// the marker that makes the next start check the whole store. True when it did.
bool noteDamage(int errorCode, const fs::path& store)
{
    if (!isCorruptionCode(errorCode))
        return false;
    if (int fd = ::open(checkMarker(store).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600); fd >= 0)
        ::close(fd);
    logf(LogCategory::Store, "SQLite informa de daños en {}; se comprobará entero en el próximo arranque",
         store.string());
    return true;
}

void chmodStoreFiles(const fs::path& store)
{
    for (auto suffix : kCompanionSuffixes)
        ::chmod(withSuffix(store, suffix).c_str(), 0600);
}

enum class OpenOutcome { Ok, Corrupt, Failed };

/// Opens, checks and migrates the database at path.
OpenOutcome openDatabase(const fs::path& path, std::unique_ptr<SqliteDatabase>& out, std::string& reason)
{
    // Create the file ourselves with 0600: SQLite would use 0644 and gives its -wal/-shm the
    // database file's mode.
    if (int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); fd >= 0)
        ::close(fd);
    chmodStoreFiles(path);

    auto db = SqliteDatabase::open(path, reason);
    if (!db)
        return OpenOutcome::Failed;
    sqlite3_busy_timeout(db->handle(), static_cast<int>(Storage::kBusyTimeout.count()));
    // Until the file has proven sound, closing must not fold the -wal into it (and then delete
    // the -wal): on a damaged or too-new database that journal is worth keeping as it is.
    sqlite3_db_config(db->handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);

    auto failure = [&](std::string text) {
        const bool corrupt = isCorruptionCode(db->errorCode());
        reason = std::move(text);
        return corrupt ? OpenOutcome::Corrupt : OpenOutcome::Failed;
    };

    // Reading the header first: a newer schema must be refused before anything writes to it.
    auto version = db->queryInt("PRAGMA user_version");
    if (!version)
        return failure(db->errorMessage());
    if (*version > kLatestSchemaVersion) {
        reason = fmt::format("la base de datos tiene la versión de esquema {} y esta versión de Brisa solo conoce "
                             "hasta la {}",
                             *version, kLatestSchemaVersion);
        return OpenOutcome::Failed;
    }

    // Reading the page count makes SQLite compare the header with the file: a truncated file
    // shows up here, however large the store.
    auto pages = db->queryInt("PRAGMA page_count");
    if (!pages)
        return failure(db->errorMessage());
    // A full structural check reads every page: cheap for the usual history of a few hundred
    // clips, too slow for start-up on a store of a hundred thousand. Large stores get it when a
    // previous run saw SQLite report damage (the marker below).
    if (*pages <= kFullCheckMaxPages || entryExists(checkMarker(path))) {
        StatementScope check(db->statement("PRAGMA quick_check"));
        const int rc = check->step();
        if (rc != SQLITE_ROW)
            return failure(db->errorMessage());
        if (auto verdict = check->text(0); verdict != "ok") {
            reason = verdict;
            return OpenOutcome::Corrupt;
        }
        ::unlink(checkMarker(path).c_str());
    }

    {
        StatementScope mode(db->statement("PRAGMA journal_mode = WAL"));
        if (mode->step() != SQLITE_ROW)
            return failure(db->errorMessage());
    }
    if (db->exec("PRAGMA synchronous = NORMAL") != SQLITE_OK || db->exec("PRAGMA foreign_keys = ON") != SQLITE_OK)
        return failure(db->errorMessage());

    std::string schemaError;
    if (!migrateSchema(*db, *version, schemaError))
        return failure(schemaError);

    sqlite3_db_config(db->handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    chmodStoreFiles(path);
    out = std::move(db);
    return OpenOutcome::Ok;
}

/// Renames a damaged store and its companions to "<name>.corrupt-<time>[-n]" (+ "-wal"/"-shm").
/// Returns the new name, or nullopt (with reason) when the store could not be moved out of the way.
std::optional<fs::path> moveAside(const fs::path& store, TimePoint now, std::string& reason)
{
    const auto base = withSuffix(store, ".corrupt-" + fileTimeStamp(now));
    auto aside = base;
    for (int n = 2; anyCompanionExists(aside); ++n) {
        if (n > 1000) { // the folder cannot be looked at: never rename over something
            reason = fmt::format("no se pudo apartar {}: no hay un nombre libre", store.string());
            return std::nullopt;
        }
        aside = withSuffix(base, fmt::format("-{}", n));
    }

    if (::rename(store.c_str(), aside.c_str()) != 0) {
        reason = fmt::format("no se pudo apartar {}: {}", store.string(), std::strerror(errno));
        return std::nullopt;
    }
    makePrivate(aside);
    for (auto suffix : {std::string_view("-wal"), std::string_view("-shm")}) {
        const auto from = withSuffix(store, suffix);
        if (::rename(from.c_str(), withSuffix(aside, suffix).c_str()) == 0) {
            makePrivate(withSuffix(aside, suffix));
            continue;
        }
        if (errno == ENOENT)
            continue;
        // A leftover journal would be replayed into the fresh database: it must not stay.
        if (::unlink(from.c_str()) != 0 && errno != ENOENT) {
            reason = fmt::format("no se pudo apartar {}: {}", from.string(), std::strerror(errno));
            return std::nullopt;
        }
    }
    ::unlink(checkMarker(store).c_str()); // the fresh store has nothing to check
    return aside;
}

/// Moves the images folder to aside and makes a new empty one; false when nothing moved.
bool moveImagesAside(const fs::path& images, const fs::path& aside)
{
    std::error_code ec;
    if (fs::is_empty(images, ec) || ec)
        return false;
    if (::rename(images.c_str(), aside.c_str()) != 0) {
        logf(LogCategory::Store, "No se pudieron apartar las imágenes de {}: {}",
             images.string(), std::strerror(errno));
        return false;
    }
    ::chmod(aside.c_str(), 0700);
    makePrivateDir(images);
    return true;
}

/// True when the folder holds at least one file named like our images.
bool holdsImages(const fs::path& images)
{
    std::error_code ec;
    for (fs::directory_iterator it(images, ec), end; !ec && it != end; it.increment(ec))
        if (looksLikeImageName(it->path().filename().string()))
            return true;
    return false;
}

bool isNonEmptyRegularFile(const fs::path& p)
{
    struct stat info {};
    return ::stat(p.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

enum class Found { Missing, Present, Damaged };

/// What stands at the store's path, looked at before SQLite opens it: SQLite would block reading
/// a FIFO, and would take an empty file for a new store (and drop a journal beside it). damage says
/// what is wrong; for a missing store it is set when images of an earlier history remain.
Found inspectStore(const fs::path& store, const fs::path& images, std::string& damage)
{
    for (auto suffix : kCompanionSuffixes) {
        const auto path = withSuffix(store, suffix);
        struct stat info {}, link {};
        // Only what is there counts; a path that cannot be looked at (its folder is a file) is
        // left to SQLite, which says why it cannot open it.
        if (::lstat(path.c_str(), &link) != 0)
            continue;
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            damage = fmt::format("{} no es un archivo normal", path.filename().string());
            return Found::Damaged;
        }
    }
    struct stat info {};
    if (::stat(store.c_str(), &info) != 0) {
        if (holdsImages(images))
            damage = "no existe y quedan imágenes de un historial anterior";
        return Found::Missing;
    }
    if (info.st_size > 0)
        return Found::Present;
    if (holdsImages(images) || isNonEmptyRegularFile(withSuffix(store, "-wal"))) {
        damage = "el archivo está vacío";
        return Found::Damaged;
    }
    return Found::Missing; // an interrupted first start: nothing to lose
}


} // namespace

fs::path Storage::appSupportDir(const fs::path& dataHome)
{
    return dataHome / "Brisa";
}

fs::path Storage::appSupportDir()
{
    return appSupportDir(xdgDataHome());
}

Storage::Opened Storage::open(const Clock& clock)
{
    return open(xdgDataHome(), clock);
}

Storage::Opened Storage::open(const fs::path& dataHome, const Clock& clock)
{
    migrateLegacyStore(dataHome);

    const auto dir = appSupportDir(dataHome);
    makePrivateDir(dir);
    makePrivateDir(dir / "images");

    const auto storePath = dir / kStoreName;
    const auto imagesDir = dir / "images";
    std::unique_ptr<SqliteDatabase> db;
    std::string reason;
    std::string notice;
    std::string damage;
    const auto found = inspectStore(storePath, imagesDir, damage);
    bool created = found == Found::Missing;
    if (found == Found::Missing && !damage.empty()) {
        // The new store names none of these images; a later start's cleanup would delete them all.
        const auto aside = dir / ("images.orphaned-" + fileTimeStamp(clock.now()));
        if (moveImagesAside(imagesDir, aside)) {
            notice = fmt::format("El almacén {} {}; imágenes apartadas en {}", storePath.string(), damage,
                                 aside.filename().string());
            logLine(LogCategory::Store, notice);
        }
    }
    auto outcome = found == Found::Damaged ? OpenOutcome::Corrupt : openDatabase(storePath, db, reason);
    if (found == Found::Damaged)
        reason = damage;
    if (outcome == OpenOutcome::Corrupt) {
        // The damaged file keeps whatever can still be rescued; the app goes on with a new one.
        db.reset();
        damage = reason;
        auto aside = moveAside(storePath, clock.now(), reason);
        if (!aside)
            return {nullptr, "No se pudo crear ModelContainer: " + reason};
        notice = fmt::format("El almacén {} estaba dañado ({}); apartado como {} y creado uno nuevo",
                             storePath.string(), damage, aside->filename().string());
        logLine(LogCategory::Store, notice);
        // The images belong to the old history: the fresh store names none of them, so the orphan
        // cleanup below would delete them all. They go aside with the file that names them.
        moveImagesAside(imagesDir, dir / ("images" + aside->filename().string().substr(kStoreName.size())));
        created = true;
        outcome = openDatabase(storePath, db, reason);
    }
    if (outcome != OpenOutcome::Ok)
        return {nullptr, "No se pudo crear ModelContainer: " + reason};

    std::unique_ptr<Storage> storage(new Storage(dir, std::move(db), clock));
    // A store made in this start names no image yet: whatever is in the folder is not its orphan.
    if (!created)
        storage->removeOrphanImages();
    storage->dataVersion_ = storage->db_->queryInt("PRAGMA data_version").value_or(0);
    logf(LogCategory::Store, "Storage listo en {}", dir.string());
    return {std::move(storage), {}, std::move(notice)};
}

Storage::Storage(fs::path dataDir, std::unique_ptr<SqliteDatabase> db, const Clock& clock)
    : dataDir_(std::move(dataDir)),
      imagesDir_(dataDir_ / "images"),
      storeFile_(dataDir_ / kStoreName),
      db_(std::move(db)),
      clock_(clock),
      changes_(std::make_unique<StoreChanges>([this] { return dataVersion(); }))
{
    registerKeepFunction(db_->handle(), &keepSlot_);
}

Storage::~Storage() = default;

void Storage::noteChanged(std::optional<StoreChanges::Rows> rows)
{
    changes_->notifyHere(std::move(rows));
    changed_.emit();
}

bool Storage::insert(const ClipItem& item)
{
    // Most clips have no thumbnail: their record is one statement, a transaction of its own.
    std::optional<RecordWrite> write;
    if (item.thumbnailData)
        write.emplace(*db_);
    std::int64_t rowid = 0;
    bool ok = !write || write->ok();
    if (ok) {
        StatementScope st(db_->statement(kInsertClip));
        st->bindText(1, item.id.toString());
        bindFields(*st, item);
        ok = st->step() == SQLITE_DONE;
        rowid = sqlite3_last_insert_rowid(db_->handle());
    }
    ok = ok && writeThumbnail(*db_, item) && (!write || write->commit());
    if (!ok) {
        logf(LogCategory::Store, "No se pudo guardar el clip {}: {}", item.id.toString(), db_->errorMessage());
        noteFailure();
        return false;
    }
    noteChanged(StoreChanges::Rows{.rowids = {rowid}});
    return true;
}

bool Storage::update(const ClipItem& item)
{
    constexpr std::string_view kAssignment =
        "typeRaw = ?2, textContent = ?3, imageFileName = ?4, sourceAppBundleID = ?5, sourceAppName = ?6, "
        "createdAt = ?7, isPinned = ?8, spaceID = ?9, contentHash = ?10, byteSize = ?11, ocrText = ?12, "
        "batchID = ?13, reminderDate = ?14";
    auto bind = [&](SqliteStatement& st) { bindFields(st, item); };
    if (!item.thumbnailData)
        return updateField(item.id, kAssignment, bind);
    // The thumbnail is written only when the record exists, and with it or not at all.
    RecordWrite write(*db_);
    StoreChanges::Rows shape;
    bool ok = write.ok();
    if (ok) {
        StatementScope st(
            db_->statement(fmt::format("UPDATE ClipItem SET {} WHERE id = ?1 RETURNING rowid", kAssignment)));
        st->bindText(1, item.id.toString());
        bind(*st);
        int rc;
        while ((rc = st->step()) == SQLITE_ROW)
            shape.rowids.push_back(st->int64(0));
        ok = rc == SQLITE_DONE;
    }
    if (ok && shape.rowids.size() != 1)
        return false; // no such record: the savepoint is rolled back, nothing was written
    if (!ok || !writeThumbnail(*db_, item) || !write.commit()) {
        logf(LogCategory::Store, "No se pudo actualizar el clip {}: {}", item.id.toString(), db_->errorMessage());
        noteFailure();
        return false;
    }
    noteChanged(std::move(shape));
    return true;
}

bool Storage::updateField(const Uuid& id, std::string_view assignment,
                          const std::function<void(SqliteStatement&)>& bind, StoreChanges::Rows shape)
{
    StatementScope st(db_->statement(fmt::format("UPDATE ClipItem SET {} WHERE id = ?1 RETURNING rowid", assignment)));
    st->bindText(1, id.toString());
    bind(*st);
    int rc;
    while ((rc = st->step()) == SQLITE_ROW)
        shape.rowids.push_back(st->int64(0));
    if (rc != SQLITE_DONE) {
        logf(LogCategory::Store, "No se pudo actualizar el clip {}: {}", id.toString(), db_->errorMessage());
        noteFailure();
        return false;
    }
    if (shape.rowids.size() != 1)
        return false;
    noteChanged(std::move(shape));
    return true;
}

bool Storage::setPinned(const Uuid& id, bool pinned)
{
    return updateField(id, "isPinned = ?2", [pinned](SqliteStatement& st) { st.bindInt64(2, pinned ? 1 : 0); },
                       pinnedShape(pinned));
}

bool Storage::setSpace(const Uuid& id, const std::optional<Uuid>& spaceID)
{
    return updateField(
        id, "spaceID = ?2", [&spaceID](SqliteStatement& st) { st.bindOptionalText(2, optionalUuidText(spaceID)); },
        filedShape(spaceID));
}

bool Storage::setOcrText(const Uuid& id, const std::optional<std::string>& text)
{
    return updateField(id, "ocrText = ?2", [&text](SqliteStatement& st) { st.bindOptionalText(2, text); });
}

bool Storage::setCreatedAt(const Uuid& id, TimePoint createdAt)
{
    return updateField(id, "createdAt = ?2",
                       [createdAt](SqliteStatement& st) { st.bindDouble(2, toUnixSeconds(createdAt)); });
}

std::optional<ClipItem> Storage::fetch(const Uuid& id, bool withThumbnail)
{
    const std::string sql = withThumbnail ? fmt::format("SELECT {}, {} FROM ClipItem WHERE id = ?1", kColumns, kThumbnail)
                                          : fmt::format("SELECT {} FROM ClipItem WHERE id = ?1", kColumns);
    StatementScope st(db_->statement(sql));
    st->bindText(1, id.toString());
    if (const int rc = st->step(); rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE)
            noteFailure();
        return std::nullopt;
    }
    return readRow(*st, withThumbnail);
}

std::vector<ClipItem> Storage::query(const std::string& sql, std::optional<std::size_t> limit, std::size_t offset,
                                     bool withThumbnails, bool reserveAll)
{
    constexpr auto kMax = static_cast<std::size_t>(INT64_MAX);
    StatementScope st(db_->statement(sql));
    st->bindInt64(1, limit && *limit < kMax ? static_cast<std::int64_t>(*limit) : -1);
    st->bindInt64(2, static_cast<std::int64_t>(std::min(offset, kMax)));
    std::vector<ClipItem> items;
    if (limit)
        items.reserve(std::min<std::size_t>(*limit, 1024));
    else if (reserveAll)
        items.reserve(static_cast<std::size_t>(std::max<std::int64_t>(count(), 0))); // a hint: no doubling peak
    int rc;
    while ((rc = st->step()) == SQLITE_ROW)
        if (auto item = readRow(*st, withThumbnails))
            items.push_back(std::move(*item));
    if (rc != SQLITE_DONE) {
        logf(LogCategory::Store, "No se pudo leer el historial: {}", db_->errorMessage());
        noteFailure();
    }
    return items;
}

std::vector<ClipItem> Storage::fetchAll(const FetchOptions& options)
{
    // rowid breaks ties between equal times so that pages never overlap or skip.
    const auto sql =
        fmt::format("SELECT {}{}{} FROM ClipItem ORDER BY createdAt DESC, rowid DESC LIMIT ?1 OFFSET ?2", kColumns,
                    options.withThumbnails ? ", " : "", options.withThumbnails ? kThumbnail : "");
    return query(sql, options.limit, options.offset, options.withThumbnails, options.offset == 0);
}

std::vector<ClipItem> Storage::fetchPinned()
{
    const auto sql = fmt::format(
        "SELECT {} FROM ClipItem WHERE isPinned = 1 ORDER BY createdAt DESC, rowid DESC LIMIT ?1 OFFSET ?2", kColumns);
    return query(sql, std::nullopt, 0, false, false);
}

std::optional<Bytes> Storage::thumbnail(const Uuid& id)
{
    StatementScope st(db_->statement(fmt::format("SELECT {} FROM ClipItem WHERE id = ?1", kThumbnail)));
    st->bindText(1, id.toString());
    if (st->step() != SQLITE_ROW)
        return std::nullopt;
    return st->blob(0);
}

std::int64_t Storage::count()
{
    return db_->queryInt("SELECT count(*) FROM ClipItem").value_or(0);
}

namespace {

/// The rows of a page chosen as "page" (rowid r, isPinned p, createdAt t), looked up in the table
/// by row number, in the page's order.
constexpr std::string_view kPageRows =
    "JOIN ClipItem ON ClipItem.rowid = page.r ORDER BY page.p DESC, page.t DESC, page.r DESC";

/// The tab's kinds as a condition on typeRaw. Raw values compare exactly, as clipTypeOrText
/// does: anything outside the known kinds (even "Image") is text, so Prompts is the complement
/// of the other kinds rather than a list of its own.
std::string_view tabCondition(NotchTab tab)
{
    switch (tab) {
    case NotchTab::History: return "1";
    case NotchTab::Prompts: return "typeRaw NOT IN ('image', 'file', 'color', 'screenshot')";
    case NotchTab::Colors: return "typeRaw = 'color'";
    case NotchTab::Assets: return "typeRaw IN ('image', 'file', 'screenshot')";
    }
    return "1";
}

} // namespace

std::vector<ClipItem> Storage::fetchPanelPage(NotchTab tab, bool onlyPinned, std::size_t offset, std::size_t limit)
{
    if (limit == 0)
        return {};
    // The page is chosen from the narrow indexes alone (isPinned, createdAt and the kind, with the
    // rowid every index carries); only its own rows are then read from the table, whose rows
    // hold no thumbnail.
    const auto sql = fmt::format("SELECT {} FROM (SELECT rowid AS r, isPinned AS p, createdAt AS t FROM ClipItem "
                                 "WHERE {}{} ORDER BY isPinned DESC, createdAt DESC, rowid DESC LIMIT ?1 OFFSET ?2) "
                                 "AS page {}",
                                 kColumns, tabCondition(tab), onlyPinned ? " AND isPinned != 0" : "", kPageRows);
    return query(sql, limit, offset, false, false);
}

std::int64_t Storage::countForTab(NotchTab tab)
{
    if (tab == NotchTab::Prompts) {
        // Every kind but four counts as text: the complement of index ranges beats a scan.
        const auto others = db_->queryInt(fmt::format("SELECT count(*) FROM ClipItem WHERE typeRaw IN "
                                                      "('image', 'file', 'color', 'screenshot')"));
        return std::max<std::int64_t>(count() - others.value_or(0), 0);
    }
    return db_->queryInt(fmt::format("SELECT count(*) FROM ClipItem WHERE {}", tabCondition(tab))).value_or(0);
}

bool Storage::deleteClip(const ClipItem& item)
{
    // The record goes first: if we stop in between, the leftover file is an orphan that the next
    // start removes, rather than a record pointing at nothing.
    StatementScope st(db_->statement("DELETE FROM ClipItem WHERE id = ?1 RETURNING rowid"));
    st->bindText(1, item.id.toString());
    StoreChanges::Rows gone{.kind = StoreChanges::Rows::Kind::Deleted};
    int rc;
    while ((rc = st->step()) == SQLITE_ROW)
        gone.rowids.push_back(st->int64(0));
    if (rc != SQLITE_DONE) {
        logf(LogCategory::Store, "No se pudo borrar el clip {}: {}", item.id.toString(), db_->errorMessage());
        noteFailure();
        return false;
    }
    if (item.imageFileName) {
        StatementScope named(db_->statement("SELECT 1 FROM ClipItem WHERE imageFileName = ?1 LIMIT 1"));
        named->bindText(1, *item.imageFileName);
        if (named->step() == SQLITE_DONE) // nobody else names it (on a read error, keep the file)
            deleteImage(*item.imageFileName);
    }
    noteChanged(std::move(gone));
    return true;
}

void Storage::deleteImage(const std::string& name) { removeImageFile(imagesDir_, name); }

bool Storage::writeImage(const std::string& name, const Bytes& png)
{
    if (!isSafeImageName(name)) {
        logf(LogCategory::Store, "Nombre de imagen rechazado: {}", name);
        return false;
    }
    auto error = writeFileAtomically(imagesDir_ / name,
                                     std::string_view(reinterpret_cast<const char*>(png.data()), png.size()), 0600);
    if (error) {
        logf(LogCategory::Store, "No se pudo guardar la imagen {}: {}", name, *error);
        return false;
    }
    return true;
}

std::string Storage::newImageFileName() const
{
    return Uuid::random().toString() + ".png";
}

void Storage::enforceHistoryLimit()
{
    if (historyLimit_ < 1)
        return;
    const auto limit = historyLimit_;
    runRetention("SELECT rowid, imageFileName FROM ClipItem WHERE isPinned = 0 "
                 "ORDER BY createdAt DESC, rowid DESC LIMIT -1 OFFSET ?1",
                 [limit](SqliteStatement& st) { st.bindInt64(1, limit); });
}

void Storage::purgeOldItems()
{
    if (autoDeleteDays_ < 1)
        return;
    auto cutoff = calendarDaysBefore(clock_.now(), autoDeleteDays_);
    if (!cutoff)
        return;
    const double seconds = toUnixSeconds(*cutoff);
    runRetention("SELECT rowid, imageFileName FROM ClipItem WHERE isPinned = 0 AND createdAt < ?1",
                 [seconds](SqliteStatement& st) { st.bindDouble(1, seconds); });
}

std::optional<std::size_t> Storage::runRetention(const std::string& selectSql,
                                                 const std::function<void(SqliteStatement&)>& bind)
{
    // One transaction per rule: the selection and the deletions see the same rows even when
    // another process writes meanwhile, and a crash leaves all or none of them.
    if (db_->exec("BEGIN IMMEDIATE") != SQLITE_OK) {
        logf(LogCategory::Store, "No se pudo aplicar la retención: {}", db_->errorMessage());
        return std::nullopt;
    }
    std::vector<std::int64_t> rowids;
    std::vector<std::string> images;
    bool ok = true;
    {
        StatementScope st(db_->statement(selectSql));
        bind(*st);
        int rc;
        while ((rc = st->step()) == SQLITE_ROW) {
            rowids.push_back(st->int64(0));
            if (auto name = st->optionalText(1))
                images.push_back(std::move(*name));
        }
        ok = rc == SQLITE_DONE;
    }
    for (auto rowid : rowids) {
        if (!ok)
            break;
        StatementScope del(db_->statement("DELETE FROM ClipItem WHERE rowid = ?1"));
        del->bindInt64(1, rowid);
        ok = del->step() == SQLITE_DONE;
    }
    if (!ok || db_->exec("COMMIT") != SQLITE_OK) {
        logf(LogCategory::Store, "No se pudo aplicar la retención: {}", db_->errorMessage());
        noteFailure();
        db_->exec("ROLLBACK");
        return std::nullopt;
    }
    for (const auto& name : images) {
        StatementScope named(db_->statement("SELECT 1 FROM ClipItem WHERE imageFileName = ?1 LIMIT 1"));
        named->bindText(1, name);
        if (named->step() == SQLITE_DONE)
            deleteImage(name);
    }
    const auto deleted = rowids.size();
    if (deleted > 0)
        noteChanged(StoreChanges::Rows{.kind = StoreChanges::Rows::Kind::Deleted, .rowids = std::move(rowids)});
    return deleted;
}

std::int64_t Storage::countClearable(bool includePinned)
{
    return db_->queryInt(includePinned ? "SELECT count(*) FROM ClipItem"
                                       : "SELECT count(*) FROM ClipItem WHERE isPinned = 0")
        .value_or(0);
}

std::optional<std::size_t> Storage::clearHistory(bool includePinned)
{
    auto deleted = runRetention(includePinned ? "SELECT rowid, imageFileName FROM ClipItem"
                                              : "SELECT rowid, imageFileName FROM ClipItem WHERE isPinned = 0",
                                [](SqliteStatement&) {});
    if (deleted)
        logf(LogCategory::Store, "Historial borrado: {} clips{}", *deleted, includePinned ? "" : " (los fijados se quedan)");
    return deleted;
}

bool Storage::insertCaptured(const ClipItem& item)
{
    if (!insert(item))
        return false;
    enforceHistoryLimit();
    purgeOldItems();
    return true;
}

bool Storage::checkpoint()
{
    int logFrames = 0;
    int copied = 0;
    const int rc = sqlite3_wal_checkpoint_v2(db_->handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, &logFrames, &copied);
    if (rc != SQLITE_OK) {
        logf(LogCategory::Store, "No se pudo volcar el diario de {}: {}", storeFile_.string(), db_->errorMessage());
        noteFailure();
        return false;
    }
    return copied == logFrames;
}

bool Storage::externallyChanged()
{
    auto version = db_->queryInt("PRAGMA data_version");
    if (!version)
        return false;
    const bool changed = *version != dataVersion_;
    dataVersion_ = *version;
    return changed;
}

void Storage::noteFailure()
{
    if (!damageNoted_)
        damageNoted_ = noteDamage(db_->errorCode(), storeFile_);
}

void Storage::removeOrphanImages()
{
    // The files old enough to be orphans first: most starts (and every store command) find none,
    // and then need not read every image name of a large history.
    const auto graceStart = clock_.now() - kOrphanGrace;
    std::vector<fs::path> candidates;
    std::error_code ec;
    for (fs::directory_iterator it(imagesDir_, ec), end; !ec && it != end; it.increment(ec)) {
        if (!looksLikeImageName(it->path().filename().string()) || !it->is_regular_file(ec))
            continue;
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0)
            continue;
        const auto modified = TimePoint(std::chrono::duration_cast<TimePoint::duration>(
            std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
        if (modified <= graceStart)
            candidates.push_back(it->path());
    }
    if (candidates.empty())
        return;
    std::unordered_set<std::string> named;
    {
        StatementScope st(db_->statement("SELECT DISTINCT imageFileName FROM ClipItem WHERE imageFileName IS NOT NULL"));
        int rc;
        while ((rc = st->step()) == SQLITE_ROW)
            named.insert(st->text(0));
        if (rc != SQLITE_DONE)
            return; // without the full list of names any file might still be in use
    }
    std::size_t removed = 0;
    for (const auto& path : candidates) {
        std::error_code removeError;
        if (!named.count(path.filename().string()) && fs::remove(path, removeError))
            ++removed;
    }
    if (removed > 0)
        logf(LogCategory::Store, "{} imágenes sin registro eliminadas de {}", removed, imagesDir_.string());
}

Storage::BatchOutcome Storage::insertBatch(std::span<const ClipItem> items,
                                           std::optional<std::int64_t> sameContentUpToRow)
{
    if (items.empty()) {
        BatchOutcome nothing;
        nothing.ok = true;
        return nothing;
    }
    BatchTransaction transaction(*this);
    transaction.add(items, sameContentUpToRow);
    return transaction.commit();
}

Storage::BatchTransaction::BatchTransaction(Storage& storage) : storage_(storage)
{
    if (storage_.db_->exec("BEGIN IMMEDIATE") != SQLITE_OK) {
        logf(LogCategory::Store, "No se pudo guardar un lote de clips: {}", storage_.db_->errorMessage());
        storage_.noteFailure();
        return;
    }
    open_ = true;
}

Storage::BatchTransaction::~BatchTransaction()
{
    if (open_)
        storage_.db_->exec("ROLLBACK");
}

void Storage::BatchTransaction::fail()
{
    logf(LogCategory::Store, "No se pudo guardar un lote de clips: {}", storage_.db_->errorMessage());
    storage_.noteFailure();
    storage_.db_->exec("ROLLBACK");
    open_ = false;
}

bool Storage::BatchTransaction::add(std::span<const ClipItem> items, std::optional<std::int64_t> sameContentUpToRow)
{
    if (!open_)
        return false;
    auto& db = *storage_.db_;
    // Both statements stay prepared for the whole transaction: the cache hands back the same ones.
    auto& insertSt = db.statement(fmt::format("{} ON CONFLICT(id) DO NOTHING", kInsertClip));
    auto& sameContent = db.statement("SELECT 1 FROM ClipItem WHERE contentHash = ?1 AND rowid <= ?2 LIMIT 1");
    for (const auto& item : items) {
        const std::size_t at = added_++;
        if (sameContentUpToRow && item.contentHash) {
            StatementScope found(sameContent);
            found->bindText(1, *item.contentHash);
            found->bindInt64(2, *sameContentUpToRow);
            const int rc = found->step();
            if (rc == SQLITE_ROW) {
                ++outcome_.skipped;
                outcome_.skippedAt.push_back(at);
                continue;
            }
            if (rc != SQLITE_DONE) {
                fail();
                return false;
            }
        }
        StatementScope st(insertSt);
        st->bindText(1, item.id.toString());
        bindFields(*st, item);
        if (st->step() != SQLITE_DONE) {
            fail();
            return false;
        }
        if (db.changes() == 1) {
            ++outcome_.inserted;
            rowids_.push_back(sqlite3_last_insert_rowid(db.handle()));
            if (!writeThumbnail(db, item)) {
                fail();
                return false;
            }
        } else {
            ++outcome_.skipped;
            outcome_.skippedAt.push_back(at);
        }
    }
    return true;
}

Storage::BatchOutcome Storage::BatchTransaction::commit()
{
    if (!open_)
        return {};
    if (storage_.db_->exec("COMMIT") != SQLITE_OK) {
        fail();
        return {};
    }
    open_ = false;
    outcome_.ok = true;
    if (outcome_.inserted > 0) {
        storage_.noteChanged(StoreChanges::Rows{.rowids = std::move(rowids_)});
        storage_.enforceHistoryLimit();
        storage_.purgeOldItems();
    }
    return std::move(outcome_);
}

namespace {
// 64 MiB: the indexes of a store of a few hundred thousand clips, well within what an import may use.
constexpr std::int64_t kBulkCacheKiB = 64 * 1024;
// Journal pages before a copy-back during a bulk write: 256 MiB of 4 KiB pages. Most imports end
// before it; a huge one does not grow the journal file without bound.
constexpr std::int64_t kBulkCheckpointPages = 64 * 1024;
} // namespace

Storage::BulkWriteScope::BulkWriteScope(Storage& storage)
    : storage_(storage)
    , cacheSize_(storage.db_->queryInt("PRAGMA cache_size").value_or(-2000))
    , autoCheckpoint_(storage.db_->queryInt("PRAGMA wal_autocheckpoint").value_or(1000))
{
    storage_.db_->exec(fmt::format("PRAGMA cache_size = {}", -kBulkCacheKiB));
    storage_.db_->exec(fmt::format("PRAGMA wal_autocheckpoint = {}", kBulkCheckpointPages));
}

Storage::BulkWriteScope::~BulkWriteScope()
{
    storage_.db_->exec(fmt::format("PRAGMA wal_autocheckpoint = {}", autoCheckpoint_));
    storage_.checkpoint();
    // Shrinking the cache hands its pages back.
    storage_.db_->exec(fmt::format("PRAGMA cache_size = {}", cacheSize_));
}

std::uint64_t Storage::contentDigest(std::string_view contentHash)
{
    return std::hash<std::string_view>{}(contentHash);
}

std::optional<std::vector<std::uint64_t>> Storage::contentDigestsUpTo(std::int64_t upToRow)
{
    // Eight bytes a record in one sorted block: building and freeing 100,000 strings, or the nodes
    // of a hash set, cost more than the import's own lookups.
    std::vector<std::uint64_t> digests;
    digests.reserve(static_cast<std::size_t>(std::max<std::int64_t>(upToRow, 0)));
    // ">= ''" and "+rowid" steer the planner to the hash index (it holds the rowid), not the table.
    StatementScope st(db_->statement("SELECT contentHash FROM ClipItem WHERE contentHash >= '' AND +rowid <= ?1"));
    st->bindInt64(1, upToRow);
    int rc;
    while ((rc = st->step()) == SQLITE_ROW)
        digests.push_back(contentDigest(st->textView(0)));
    if (rc != SQLITE_DONE) {
        logf(LogCategory::Store, "No se pudo leer el historial: {}", db_->errorMessage());
        noteFailure();
        return std::nullopt;
    }
    std::sort(digests.begin(), digests.end());
    return digests;
}

std::optional<bool> Storage::hasContentUpTo(std::string_view contentHash, std::int64_t upToRow)
{
    StatementScope st(db_->statement("SELECT 1 FROM ClipItem WHERE contentHash = ?1 AND rowid <= ?2 LIMIT 1"));
    st->bindText(1, contentHash);
    st->bindInt64(2, upToRow);
    const int rc = st->step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        logf(LogCategory::Store, "No se pudo leer el historial: {}", db_->errorMessage());
        noteFailure();
        return std::nullopt;
    }
    return rc == SQLITE_ROW;
}

std::int64_t Storage::lastRowId()
{
    return db_->queryInt("SELECT coalesce(max(rowid), 0) FROM ClipItem").value_or(0);
}

void Storage::forEachOldestFirst(std::optional<TimePoint> since, const std::vector<std::string>& kinds,
                                 const std::function<bool(const ClipItem&)>& f)
{
    // Kinds are bound, one parameter each, after the time (?1).
    std::string sql =
        fmt::format("SELECT {}, {} FROM ClipItem WHERE (?1 IS NULL OR createdAt >= ?1)", kColumns, kThumbnail);
    if (!kinds.empty()) {
        sql += " AND typeRaw IN (";
        for (std::size_t i = 0; i < kinds.size(); ++i)
            sql += fmt::format("{}?{}", i == 0 ? "" : ", ", i + 2);
        sql += ")";
    }
    sql += " ORDER BY createdAt, rowid";
    // A statement of its own, not the cache's: f may use this Storage meanwhile.
    SqliteStatement st(db_->handle(), sql);
    st.bindOptionalDouble(1, optionalSeconds(since));
    for (std::size_t i = 0; i < kinds.size(); ++i)
        st.bindText(static_cast<int>(i + 2), kinds[i]);
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        if (auto item = readRow(st, true); item && !f(*item))
            return;
    }
    if (rc != SQLITE_DONE) {
        logf(LogCategory::Store, "No se pudo leer el historial: {}", db_->errorMessage());
        noteFailure();
    }
}

} // namespace brisa

namespace brisa {
namespace {

/// The fields of a search read's current row (see forEachSearchRow's columns).
Storage::SearchRow searchRow(SqliteStatement& st)
{
    Storage::SearchRow row;
    row.rowid = st.int64(0);
    row.typeRaw = st.textView(1);
    row.textContent = st.textView(2);
    row.sourceAppName = st.textView(3);
    row.ocrText = st.textView(4);
    row.spaceID = st.textView(5);
    row.isPinned = st.int64(6) != 0;
    row.createdAtStored = st.real(7);
    row.createdAt = storedTime(row.createdAtStored);
    return row;
}

/// The kind as a condition on typeRaw; raw values outside the known kinds count as text.
std::string kindCondition(std::optional<ClipType> kind)
{
    if (!kind)
        return "1";
    if (*kind != ClipType::Text)
        return fmt::format("typeRaw = '{}'", rawValue(*kind));
    std::string others;
    for (auto other : allClipTypes)
        if (other != ClipType::Text)
            others += fmt::format("{}'{}'", others.empty() ? "" : ", ", rawValue(other));
    return fmt::format("typeRaw NOT IN ({})", others);
}

} // namespace

namespace {

/// What deleteClips does, on any connection to the store: the records of ids in one transaction,
/// then the image files no record names any more. The row numbers deleted; nullopt when the
/// transaction failed (then none were), after failed ran with the error still on db.
std::optional<std::vector<std::int64_t>> deleteClipsOn(SqliteDatabase& db, const fs::path& imagesDir,
                                                       std::span<const Uuid> ids,
                                                       const std::function<void()>& failed)
{
    std::vector<std::int64_t> rowids;
    if (ids.empty())
        return rowids;
    auto fail = [&] {
        logf(LogCategory::Store, "No se pudieron borrar los clips: {}", db.errorMessage());
        failed();
        db.exec("ROLLBACK");
        return std::nullopt;
    };
    if (db.exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return fail();
    std::vector<std::string> images;
    bool ok = true;
    for (const auto& id : ids) {
        StatementScope st(db.statement("DELETE FROM ClipItem WHERE id = ?1 RETURNING rowid, imageFileName"));
        st->bindText(1, id.toString());
        int rc;
        while ((rc = st->step()) == SQLITE_ROW) {
            rowids.push_back(st->int64(0));
            if (auto name = st->optionalText(1))
                images.push_back(std::move(*name));
        }
        if (rc != SQLITE_DONE) {
            ok = false; // rolled back once the statement is reset
            break;
        }
    }
    if (!ok || db.exec("COMMIT") != SQLITE_OK)
        return fail();
    // The files go after the records, as for one clip: a stop in between leaves orphans that the
    // next start removes, never records that name nothing.
    for (const auto& name : images) {
        StatementScope named(db.statement("SELECT 1 FROM ClipItem WHERE imageFileName = ?1 LIMIT 1"));
        named->bindText(1, name);
        if (named->step() == SQLITE_DONE)
            removeImageFile(imagesDir, name);
    }
    return rowids;
}

} // namespace

std::optional<std::size_t> Storage::deleteClips(std::span<const Uuid> ids)
{
    auto rowids = deleteClipsOn(*db_, imagesDir_, ids, [this] { noteFailure(); });
    if (!rowids)
        return std::nullopt;
    const auto deleted = rowids->size();
    if (deleted > 0)
        noteChanged(StoreChanges::Rows{.kind = StoreChanges::Rows::Kind::Deleted, .rowids = std::move(*rowids)});
    return deleted;
}

std::optional<std::vector<std::int64_t>> Storage::deleteClipsAt(const fs::path& storeFile, std::span<const Uuid> ids,
                                                                std::chrono::milliseconds busyTimeout)
{
    if (ids.empty())
        return std::vector<std::int64_t>();
    std::string error;
    // Never created: a store moved away meanwhile must not come back empty.
    auto db = SqliteDatabase::open(storeFile, error, false);
    if (!db) {
        logf(LogCategory::Store, "No se pudieron borrar los clips: {}", error);
        return std::nullopt;
    }
    // Set up as the store's own connection is: the same durability, and the wait for the other
    // writer (a capture while this runs, or this while a capture runs) instead of a failure.
    sqlite3_busy_timeout(db->handle(), static_cast<int>(busyTimeout.count()));
    if (db->exec("PRAGMA synchronous = NORMAL") != SQLITE_OK || db->exec("PRAGMA foreign_keys = ON") != SQLITE_OK) {
        logf(LogCategory::Store, "No se pudieron borrar los clips: {}", db->errorMessage());
        return std::nullopt;
    }
    return deleteClipsOn(*db, storeFile.parent_path() / "images", ids,
                         [&] { noteDamage(db->errorCode(), storeFile); });
}

void Storage::noteDeletedElsewhere(std::vector<std::int64_t> rowids)
{
    if (!rowids.empty())
        noteChanged(StoreChanges::Rows{.kind = StoreChanges::Rows::Kind::Deleted, .rowids = std::move(rowids)});
}

std::optional<std::size_t> Storage::updateMany(std::span<const Uuid> ids, std::string_view assignment,
                                               const std::function<void(SqliteStatement&)>& bind,
                                               StoreChanges::Rows shape)
{
    if (ids.empty())
        return 0;
    if (db_->exec("BEGIN IMMEDIATE") != SQLITE_OK) {
        logf(LogCategory::Store, "No se pudieron actualizar los clips: {}", db_->errorMessage());
        noteFailure();
        return std::nullopt;
    }
    const auto sql = fmt::format("UPDATE ClipItem SET {} WHERE id = ?1 RETURNING rowid", assignment);
    bool ok = true;
    for (const auto& id : ids) {
        StatementScope st(db_->statement(sql));
        st->bindText(1, id.toString());
        bind(*st);
        int rc;
        while ((rc = st->step()) == SQLITE_ROW)
            shape.rowids.push_back(st->int64(0));
        if (rc != SQLITE_DONE) {
            ok = false;
            break;
        }
    }
    if (!ok || db_->exec("COMMIT") != SQLITE_OK) {
        logf(LogCategory::Store, "No se pudieron actualizar los clips: {}", db_->errorMessage());
        noteFailure();
        db_->exec("ROLLBACK");
        return std::nullopt;
    }
    const auto changed = shape.rowids.size();
    if (changed > 0)
        noteChanged(std::move(shape));
    return changed;
}

std::optional<std::size_t> Storage::setPinned(std::span<const Uuid> ids, bool pinned)
{
    return updateMany(ids, "isPinned = ?2", [pinned](SqliteStatement& st) { st.bindInt64(2, pinned ? 1 : 0); },
                      pinnedShape(pinned));
}

std::optional<std::size_t> Storage::setSpace(std::span<const Uuid> ids, const std::optional<Uuid>& spaceID)
{
    return updateMany(
        ids, "spaceID = ?2", [&spaceID](SqliteStatement& st) { st.bindOptionalText(2, optionalUuidText(spaceID)); },
        filedShape(spaceID));
}

std::vector<ClipItem> Storage::fetchByIdPrefix(std::string_view prefix, std::size_t limit)
{
    if (prefix.empty() || limit == 0)
        return {};
    // A range over the id index (NOCASE, like the column): every id starting with the prefix
    // sorts at or after it and before it followed by DEL, above every character an id holds.
    StatementScope st(db_->statement(
        fmt::format("SELECT {} FROM ClipItem WHERE id >= ?1 AND id < ?2 ORDER BY id LIMIT ?3", kColumns)));
    st->bindText(1, prefix);
    st->bindText(2, std::string(prefix) + '\x7f');
    st->bindInt64(3, static_cast<std::int64_t>(std::min<std::size_t>(limit, INT64_MAX)));
    std::vector<ClipItem> out;
    int rc;
    while ((rc = st->step()) == SQLITE_ROW)
        if (auto item = readRow(*st, false))
            out.push_back(std::move(*item));
    if (rc != SQLITE_DONE)
        noteFailure();
    return out;
}

std::vector<ClipItem> Storage::fetchRows(std::span<const std::int64_t> rowids)
{
    std::vector<ClipItem> out;
    out.reserve(rowids.size());
    const auto sql = fmt::format("SELECT {} FROM ClipItem WHERE rowid = ?1", kColumns);
    for (auto rowid : rowids) {
        StatementScope st(db_->statement(sql));
        st->bindInt64(1, rowid);
        const int rc = st->step();
        if (rc == SQLITE_ROW) {
            if (auto item = readRow(*st, false))
                out.push_back(std::move(*item));
        } else if (rc != SQLITE_DONE) {
            noteFailure();
        }
    }
    return out;
}

std::vector<ClipItem> Storage::fetchRows(std::span<const RowKey> rows)
{
    // The table's rows are narrow now: the row number alone finds each, whatever its pinned state
    // and time are since it was read.
    std::vector<std::int64_t> rowids;
    rowids.reserve(rows.size());
    for (const auto& row : rows)
        rowids.push_back(row.rowid);
    return fetchRows(std::span<const std::int64_t>(rowids));
}

std::vector<ClipItem> Storage::fetchLibraryPage(std::optional<ClipType> kind, std::size_t offset, std::size_t limit)
{
    if (limit == 0)
        return {};
    // As fetchPanelPage: the page is chosen from the indexes, then only its rows are read.
    const auto sql = fmt::format("SELECT {} FROM (SELECT rowid AS r, isPinned AS p, createdAt AS t FROM ClipItem "
                                 "WHERE {} ORDER BY isPinned DESC, createdAt DESC, rowid DESC LIMIT ?1 OFFSET ?2) "
                                 "AS page {}",
                                 kColumns, kindCondition(kind), kPageRows);
    return query(sql, limit, offset, false, false);
}

std::int64_t Storage::countOfKind(std::optional<ClipType> kind)
{
    if (!kind)
        return count();
    if (*kind == ClipType::Text) {
        // The complement of index ranges beats a scan, as for the Prompts tab.
        const auto others = db_->queryInt(
            fmt::format("SELECT count(*) FROM ClipItem WHERE NOT ({})", kindCondition(ClipType::Text)));
        return std::max<std::int64_t>(count() - others.value_or(0), 0);
    }
    return db_->queryInt(fmt::format("SELECT count(*) FROM ClipItem WHERE {}", kindCondition(kind))).value_or(0);
}

bool Storage::forEachSearchRow(const std::function<void(const SearchRow&)>& f, std::optional<ClipType> kind)
{
    if (forEachSearchRowOn(*db_, f, kind))
        return true;
    logf(LogCategory::Store, "No se pudo leer el historial: {}", db_->errorMessage());
    noteFailure();
    return false;
}

bool Storage::forEachSearchRowOn(SqliteDatabase& db, const std::function<void(const SearchRow&)>& f,
                                 std::optional<ClipType> kind)
{
    // A scan of the table in row order: its rows hold no thumbnail, so it reads the texts alone.
    SqliteStatement st(db.handle(), fmt::format("SELECT rowid, typeRaw, textContent, sourceAppName, ocrText, spaceID, "
                                                "isPinned, createdAt FROM ClipItem WHERE {}",
                                                kindCondition(kind)));
    int rc;
    while ((rc = st.step()) == SQLITE_ROW)
        f(searchRow(st));
    return rc == SQLITE_DONE;
}

bool Storage::forEachSearchRowOf(std::span<const std::int64_t> rowids,
                                 const std::function<void(const SearchRow&)>& f)
{
    // A statement of its own, not the cache's: f may use this Storage meanwhile.
    SqliteStatement st(db_->handle(), "SELECT rowid, typeRaw, textContent, sourceAppName, ocrText, spaceID, isPinned, "
                                      "createdAt FROM ClipItem WHERE rowid = ?1");
    for (auto rowid : rowids) {
        st.reset();
        st.bindInt64(1, rowid);
        const int rc = st.step();
        if (rc == SQLITE_ROW) {
            f(searchRow(st));
        } else if (rc != SQLITE_DONE) {
            logf(LogCategory::Store, "No se pudo leer el historial: {}", db_->errorMessage());
            noteFailure();
            return false;
        }
    }
    return true;
}

namespace {

/// A text argument's bytes as stored, without the copy that adding a terminator would take.
std::string_view valueView(sqlite3_value* v)
{
    const auto* p = static_cast<const char*>(sqlite3_value_blob(v));
    const int n = sqlite3_value_bytes(v);
    if (!p || n <= 0)
        return {};
    return {p, static_cast<std::size_t>(n)};
}

} // namespace

void Storage::registerKeepFunction(sqlite3* db, KeepSlot* slot)
{
    auto call = [](sqlite3_context* ctx, int, sqlite3_value** argv) {
        auto& slot = *static_cast<KeepSlot*>(sqlite3_user_data(ctx));
        if (!slot.keep) {
            sqlite3_result_int(ctx, 0);
            return;
        }
        SearchRow row;
        row.rowid = sqlite3_value_int64(argv[0]);
        row.typeRaw = valueView(argv[1]);
        row.textContent = valueView(argv[2]);
        row.sourceAppName = valueView(argv[3]);
        row.ocrText = valueView(argv[4]);
        row.spaceID = valueView(argv[5]);
        row.isPinned = sqlite3_value_int64(argv[6]) != 0;
        row.createdAtStored = sqlite3_value_double(argv[7]);
        row.createdAt = storedTime(row.createdAtStored);
        // Nothing may unwind through SQLite's frames: an exception ends the scan as an error and
        // is thrown again once SQLite has returned.
        try {
            sqlite3_result_int(ctx, (*slot.keep)(row) ? 1 : 0);
        } catch (...) {
            slot.error = std::current_exception();
            sqlite3_result_error(ctx, "brisa_keeps", -1);
        }
    };
    // DIRECTONLY: a view or trigger that a script put in the store cannot call it.
    sqlite3_create_function_v2(db, "brisa_keeps", 8, SQLITE_UTF8 | SQLITE_DIRECTONLY, slot, call, nullptr, nullptr,
                               nullptr);
}

bool Storage::scanMatching(sqlite3* db, KeepSlot& slot, std::optional<ClipType> kind,
                           const std::function<bool(const SearchRow&)>& keep, std::size_t limit,
                           std::optional<RowRange> rows, std::string_view columns,
                           const std::function<void(const SqliteStatement&)>& visit)
{
    if (limit == 0)
        return true;
    // keep runs inside the scan (as an SQL function), so that the other fields are read from
    // matching rows alone. Through the library's order as the indexes give it, the matches come out
    // in order, one at a time, and the scan stops at the limit; a range of rows is read in the
    // table's order instead, the cheapest way through it.
    struct Scan {
        KeepSlot& slot;
        ~Scan() { slot.keep = nullptr; }
    } scan{slot};
    slot.keep = &keep;
    slot.error = nullptr;
    constexpr std::string_view kKeeps = "brisa_keeps(ClipItem.rowid, typeRaw, textContent, sourceAppName, ocrText, "
                                        "spaceID, isPinned, createdAt)";
    SqliteStatement st(
        db, rows ? fmt::format("SELECT {} FROM ClipItem WHERE ClipItem.rowid BETWEEN {} AND {} AND {} AND {}", columns,
                               rows->first, rows->last, kindCondition(kind), kKeeps)
                 : fmt::format("SELECT {} FROM ClipItem WHERE {} AND {} ORDER BY isPinned DESC, createdAt DESC, rowid "
                               "DESC LIMIT {}",
                               columns, kindCondition(kind), kKeeps, std::min<std::size_t>(limit, INT64_MAX)));
    int rc;
    while ((rc = st.step()) == SQLITE_ROW)
        visit(st);
    if (slot.error)
        std::rethrow_exception(std::exchange(slot.error, nullptr));
    return rc == SQLITE_DONE;
}

bool Storage::forEachMatching(std::optional<ClipType> kind, const std::function<bool(const SearchRow&)>& keep,
                              std::size_t limit, const std::function<void(const ClipItem&)>& visit)
{
    ClipItem item;
    if (scanMatching(db_->handle(), keepSlot_, kind, keep, limit, std::nullopt, kColumns,
                     [&visit, &item](const SqliteStatement& st) {
                         if (readRowInto(st, false, item))
                             visit(item);
                     }))
        return true;
    logf(LogCategory::Store, "No se pudo leer el historial: {}", db_->errorMessage());
    noteFailure();
    return false;
}

std::optional<std::string> Storage::renderMatching(std::optional<ClipType> kind,
                                                   const std::function<bool(const SearchRow&)>& keep,
                                                   std::size_t limit,
                                                   const std::function<void(const ClipSummary&, std::string&)>& render,
                                                   std::size_t threads)
{
    threads = std::clamp<std::size_t>(threads, 1, 16);
    const auto first = db_->queryInt("SELECT min(rowid) FROM ClipItem");
    const auto last = db_->queryInt("SELECT max(rowid) FROM ClipItem");
    if (!first || !last) {
        logf(LogCategory::Store, "No se pudo leer el historial: {}", db_->errorMessage());
        noteFailure();
        return std::nullopt;
    }
    // Each share reads a range of rows in the table's order, and renders its matches as it goes;
    // the matches' places put the texts in the library's order afterwards.
    struct Place {
        bool isPinned;
        double createdAt;
        std::int64_t rowid;
        std::size_t begin;
        std::size_t end;
    };
    // The library's order: pinned first, then newest, equal times newest row first.
    auto ahead = [](const Place& p, const Place& q) {
        return std::tuple(p.isPinned, p.createdAt, p.rowid) > std::tuple(q.isPinned, q.createdAt, q.rowid);
    };
    struct Share {
        RowRange rows;
        std::string text;
        std::vector<Place> places;
        bool ok = false;
        std::string error;
        std::exception_ptr thrown;
    };
    std::vector<Share> shares(threads);
    // In unsigned steps: a script may have written any rowid, from the most negative to the largest.
    const std::uint64_t step = (static_cast<std::uint64_t>(*last) - static_cast<std::uint64_t>(*first)) / threads;
    for (std::size_t i = 0; i < threads; ++i) {
        const std::uint64_t from = static_cast<std::uint64_t>(*first) + step * i;
        shares[i].rows = {static_cast<std::int64_t>(from),
                          i + 1 == threads ? *last : static_cast<std::int64_t>(from + step - 1)};
    }
    auto read = [&](std::size_t index) {
        Share& share = shares[index];
        try {
            const auto db = SqliteDatabase::openReadOnly(storeFile_, share.error, kBusyTimeout);
            if (!db)
                return;
            sqlite3* raw = db->handle();
            KeepSlot slot;
            registerKeepFunction(raw, &slot);
            ClipSummary summary;
            share.ok = scanMatching(raw, slot, kind, keep, limit, share.rows, kSummaryColumns,
                                    [&](const SqliteStatement& st) {
                                        if (!readSummaryInto(st, summary))
                                            return;
                                        const std::size_t begin = share.text.size();
                                        render(summary, share.text);
                                        share.places.push_back(
                                            {summary.isPinned, st.real(5), st.int64(7), begin, share.text.size()});
                                    });
            if (!share.ok)
                share.error = sqlite3_errmsg(raw);
            // Rows are added in time order as a rule, so each half of a share (pinned, then the
            // rest) is in the library's order already, read forwards or backwards; a sort is left
            // for the halves that are not.
            const auto rest = std::stable_partition(share.places.begin(), share.places.end(),
                                                    [](const Place& p) { return p.isPinned; });
            const auto begin = share.places.begin();
            for (const auto& [from, to] : {std::pair(begin, rest), std::pair(rest, share.places.end())}) {
                if (std::is_sorted(from, to, ahead))
                    continue;
                std::reverse(from, to);
                if (!std::is_sorted(from, to, ahead))
                    std::sort(from, to, ahead);
            }
        } catch (...) {
            share.thrown = std::current_exception();
        }
    };
    forEachChunk(threads, 1, [&read](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            read(i);
    });
    std::size_t size = 0;
    for (auto& share : shares) {
        if (share.thrown)
            std::rethrow_exception(share.thrown);
        if (!share.ok) {
            logf(LogCategory::Store, "No se pudo leer el historial: {}", share.error);
            return std::nullopt;
        }
        size += share.text.size();
    }
    // The shares, each in order, merged up to the limit.
    std::string out;
    out.reserve(size);
    std::vector<std::size_t> next(threads, 0);
    for (std::size_t n = 0; n < limit; ++n) {
        std::optional<std::size_t> best;
        for (std::size_t i = 0; i < threads; ++i)
            if (next[i] < shares[i].places.size() &&
                (!best || ahead(shares[i].places[next[i]], shares[*best].places[next[*best]])))
                best = i;
        if (!best)
            break;
        const Place& p = shares[*best].places[next[*best]++];
        out.append(shares[*best].text, p.begin, p.end - p.begin);
    }
    return out;
}

std::optional<std::vector<ClipItem>> Storage::fetchMatching(std::optional<ClipType> kind,
                                                             const std::function<bool(const SearchRow&)>& keep,
                                                             std::size_t limit)
{
    std::vector<ClipItem> out;
    if (!forEachMatching(kind, keep, limit, [&out](const ClipItem& item) { out.push_back(item); }))
        return std::nullopt;
    return out;
}

std::vector<std::optional<Storage::IdRow>> Storage::rowsOfIds(std::span<const Uuid> ids)
{
    std::vector<std::optional<IdRow>> out;
    out.reserve(ids.size());
    for (const auto& id : ids) {
        StatementScope st(db_->statement("SELECT rowid, typeRaw FROM ClipItem WHERE id = ?1"));
        st->bindText(1, id.toString());
        const int rc = st->step();
        if (rc == SQLITE_ROW) {
            out.push_back(IdRow{st->int64(0), clipTypeOrText(st->textView(1))});
            continue;
        }
        if (rc != SQLITE_DONE)
            noteFailure();
        out.push_back(std::nullopt);
    }
    return out;
}

} // namespace brisa
