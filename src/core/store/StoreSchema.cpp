// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/store/StoreSchema.h"

#include "core/store/SqliteDatabase.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <array>

namespace brisa {
namespace {

struct MigrationStep {
    std::int64_t toVersion;
    const char* sql;
};

// Each step is applied once, in order, to databases older than its version. Never edit a step
// that has shipped: add a new one. User data is never dropped: a step may move it to another
// table, within its one transaction, but leaves the old column in place.
constexpr std::array<MigrationStep, 7> kSteps{{
    {1,
     // id compares without letter case so that a script writing lower-case UUIDs still hits the
     // same record (and cannot create a second one) as the canonical upper-case form.
     "CREATE TABLE IF NOT EXISTS ClipItem ("
     " id TEXT NOT NULL UNIQUE COLLATE NOCASE,"
     " typeRaw TEXT NOT NULL,"
     " textContent TEXT,"
     " imageFileName TEXT,"
     " thumbnailData BLOB,"
     " sourceAppBundleID TEXT,"
     " sourceAppName TEXT,"
     " createdAt REAL NOT NULL,"
     " isPinned INTEGER NOT NULL DEFAULT 0,"
     " spaceID TEXT,"
     " contentHash TEXT,"
     " byteSize INTEGER NOT NULL DEFAULT 0,"
     " ocrText TEXT,"
     " batchID TEXT,"
     " reminderDate REAL);"
     "CREATE INDEX IF NOT EXISTS ClipItem_createdAt ON ClipItem(createdAt);"},
    {2,
     // The pinned-first order, the capture's duplicate check and the "does another record still
     // name this image" check all ran as full scans in version 1.
     "CREATE INDEX IF NOT EXISTS ClipItem_pinned ON ClipItem(isPinned, createdAt);"
     "CREATE INDEX IF NOT EXISTS ClipItem_contentHash ON ClipItem(contentHash);"
     // Partial: text clips (most of them) then cost no index write at all.
     "CREATE INDEX IF NOT EXISTS ClipItem_imageFileName ON ClipItem(imageFileName) WHERE imageFileName IS NOT NULL;"},
    {3,
     // The panel's tabs: a kind's count badge and its pages in panel order read this index alone,
     // instead of every row (whose thumbnail sits between the columns the panel needs).
     "CREATE INDEX IF NOT EXISTS ClipItem_kind ON ClipItem(typeRaw, isPinned, createdAt);"},
    {4,
     // reminderDate keeps its date after the notification went out, so whether it went out needs a
     // column of its own: the reminderDate it was delivered for. Rescheduling writes a different
     // date, which makes the reminder pending again without touching this one.
     "ALTER TABLE ClipItem ADD COLUMN reminderFiredFor REAL;"
     // Partial: only the few clips with a reminder are in it.
     "CREATE INDEX IF NOT EXISTS ClipItem_reminder ON ClipItem(reminderDate) WHERE reminderDate IS NOT NULL;"},
    {5,
     // Everything a search reads of a clip, in an index of its own: reading sourceAppName and
     // ocrText from the table means walking past the thumbnail's overflow pages, which for a
     // history of 100,000 clips is gigabytes; this index is the texts alone.
     "CREATE INDEX IF NOT EXISTS ClipItem_search ON ClipItem(isPinned, createdAt, typeRaw, spaceID, sourceAppName, "
     "textContent, ocrText);"},
    {6,
     // Every column but the thumbnail, so that the rows a search found are read without walking
     // the thumbnails' overflow pages either (on a common word that was most of the time). It
     // takes the place of version 5's narrower index.
     "DROP INDEX IF EXISTS ClipItem_search;"
     "CREATE INDEX IF NOT EXISTS ClipItem_fields ON ClipItem(isPinned, createdAt, typeRaw, spaceID, sourceAppName, "
     "textContent, ocrText, id, imageFileName, sourceAppBundleID, contentHash, byteSize, batchID, reminderDate);"},
    {7,
     // The thumbnails move to a table of their own, so that the clip rows are narrow and a scan of
     // the table reads every text without walking a thumbnail's overflow pages. Version 6's copy
     // of every field but the thumbnail is then no longer needed, and it cost every insert a
     // second write of the whole row. Keyed by the clip's id, not its row number, which a VACUUM
     // may renumber; the trigger keeps deletes by anyone (the sqlite3 shell too) consistent.
     "CREATE TABLE IF NOT EXISTS ClipThumbnail ("
     " clipID TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,"
     " data BLOB NOT NULL);"
     "INSERT OR REPLACE INTO ClipThumbnail (clipID, data) "
     " SELECT id, thumbnailData FROM ClipItem WHERE thumbnailData IS NOT NULL;"
     "UPDATE ClipItem SET thumbnailData = NULL WHERE thumbnailData IS NOT NULL;"
     "CREATE TRIGGER IF NOT EXISTS ClipItem_thumbnailGone AFTER DELETE ON ClipItem BEGIN"
     " DELETE FROM ClipThumbnail WHERE clipID = old.id; END;"
     "DROP INDEX IF EXISTS ClipItem_fields;"},
}};

static_assert(kSteps.back().toVersion == kLatestSchemaVersion);

} // namespace

bool migrateSchema(SqliteDatabase& db, std::int64_t currentVersion, std::string& error)
{
    if (currentVersion == kLatestSchemaVersion)
        return true; // the common case: no write lock needed at start-up
    for (const auto& step : kSteps) {
        // IMMEDIATE takes the write lock before reading the version, so two processes starting
        // together cannot both apply the same step.
        if (db.exec("BEGIN IMMEDIATE") != SQLITE_OK) {
            error = db.errorMessage();
            return false;
        }
        auto version = db.queryInt("PRAGMA user_version");
        if (!version) {
            error = db.errorMessage();
            db.exec("ROLLBACK");
            return false;
        }
        if (*version > kLatestSchemaVersion) {
            error = fmt::format("la base de datos tiene la versión de esquema {} y esta versión de Brisa solo "
                                "conoce hasta la {}",
                                *version, kLatestSchemaVersion);
            db.exec("ROLLBACK");
            return false;
        }
        if (*version >= step.toVersion) {
            db.exec("COMMIT");
            continue;
        }
        // The version is a constant of this table, not a value from outside, and a pragma
        // cannot take a bound parameter.
        const auto setVersion = fmt::format("PRAGMA user_version = {}", step.toVersion);
        if (db.exec(step.sql) != SQLITE_OK || db.exec(setVersion) != SQLITE_OK || db.exec("COMMIT") != SQLITE_OK) {
            error = fmt::format("no se pudo actualizar el esquema a la versión {}: {}", step.toVersion,
                                db.errorMessage());
            db.exec("ROLLBACK");
            return false;
        }
    }
    return true;
}

} // namespace brisa
