// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clips/SearchRowReader.h"

#include "core/support/Log.h"

#include <sqlite3.h>

#include <cmath>
#include <memory>
#include <utility>

namespace brisa {
namespace {

constexpr int kBusyTimeoutMs = 2000;

std::string_view textAt(sqlite3_stmt* st, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(st, column)))
                : std::string_view();
}

} // namespace

SearchRowReader::SearchRowReader(std::filesystem::path storeFile) : storeFile_(std::move(storeFile)) {}

bool SearchRowReader::forEach(const std::function<void(const Storage::SearchRow&)>& f) const
{
    sqlite3* raw = nullptr;
    // Read-only and never created: a missing store must not leave an empty file behind.
    const int rc = sqlite3_open_v2(storeFile_.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    if (rc != SQLITE_OK) {
        logf(LogCategory::Store, "No se pudo abrir {} para buscar: {}", storeFile_.string(),
             raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
        return false;
    }
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    // A scan of the table in row order, as Storage reads it: its rows hold no thumbnail.
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(raw,
                           "SELECT rowid, typeRaw, textContent, sourceAppName, ocrText, spaceID, isPinned, createdAt "
                           "FROM ClipItem",
                           -1, &st, nullptr) != SQLITE_OK) {
        logf(LogCategory::Store, "No se pudo leer el historial para buscar: {}", sqlite3_errmsg(raw));
        return false;
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(st, sqlite3_finalize);
    int step;
    while ((step = sqlite3_step(st)) == SQLITE_ROW) {
        Storage::SearchRow row;
        row.rowid = sqlite3_column_int64(st, 0);
        row.typeRaw = textAt(st, 1);
        row.textContent = textAt(st, 2);
        row.sourceAppName = textAt(st, 3);
        row.ocrText = textAt(st, 4);
        row.spaceID = textAt(st, 5);
        row.isPinned = sqlite3_column_int64(st, 6) != 0;
        row.createdAtStored = sqlite3_column_double(st, 7);
        // As the store reads it: a time it cannot hold is the epoch.
        row.createdAt = fromUnixSeconds(std::isfinite(row.createdAtStored) ? row.createdAtStored : 0);
        f(row);
    }
    if (step != SQLITE_DONE) {
        logf(LogCategory::Store, "No se pudo leer el historial para buscar: {}", sqlite3_errmsg(raw));
        return false;
    }
    return true;
}

} // namespace brisa
