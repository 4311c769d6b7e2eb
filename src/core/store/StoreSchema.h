// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace brisa {

class SqliteDatabase;

/// The schema version (PRAGMA user_version) this build writes.
inline constexpr std::int64_t kLatestSchemaVersion = 7;

/// Brings the database from its user_version up to kLatestSchemaVersion, one transaction per
/// step, never dropping data (version 7 moves the thumbnails to the ClipThumbnail table). Returns false with error set when a step fails (nothing of that
/// step is kept). A database newer than this build is left alone and reported as an error.
/// currentVersion is the user_version read at open; it is checked again under the write lock.
bool migrateSchema(SqliteDatabase& db, std::int64_t currentVersion, std::string& error);

} // namespace brisa
