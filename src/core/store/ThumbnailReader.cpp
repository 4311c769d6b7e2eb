// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/store/ThumbnailReader.h"

#include "core/store/SqliteDatabase.h"
#include "core/support/Log.h"

#include <sqlite3.h>

#include <chrono>
#include <utility>

namespace brisa {

namespace {
constexpr std::chrono::milliseconds kBusyTimeout{2000};
}

ThumbnailReader::ThumbnailReader(std::filesystem::path storeFile)
    : storeFile_(std::move(storeFile))
{
}

ThumbnailReader::~ThumbnailReader() = default;

void ThumbnailReader::close()
{
    db_.reset();
}

bool ThumbnailReader::ensureOpen()
{
    if (db_)
        return true;
    std::string error;
    db_ = SqliteDatabase::openReadOnly(storeFile_, error, kBusyTimeout);
    if (!db_)
        logf(LogCategory::Store, "No se pudo abrir {} para leer miniaturas: {}", storeFile_.string(), error);
    return db_ != nullptr;
}

ThumbnailReader::Picture ThumbnailReader::picture(const Uuid& id)
{
    if (!ensureOpen())
        return {};
    sqlite3_stmt* st = nullptr;
    // The thumbnails' own table first; the record's column when a script wrote it there.
    constexpr const char* kSql =
        "SELECT COALESCE((SELECT data FROM ClipThumbnail WHERE clipID = ClipItem.id), thumbnailData), imageFileName "
        "FROM ClipItem WHERE id = ?1";
    if (sqlite3_prepare_v2(db_->handle(), kSql, -1, &st, nullptr) != SQLITE_OK) {
        // No table yet, or a damaged file: drop the connection and try afresh next time.
        close();
        return {};
    }
    const auto text = id.toString();
    sqlite3_bind_text(st, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    Picture out;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        if (sqlite3_column_type(st, 0) != SQLITE_NULL) {
            // A script may have stored text there: any value reads as its bytes.
            const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, 0));
            const int size = sqlite3_column_bytes(st, 0);
            out.thumbnail = size > 0 && data ? Bytes(data, data + size) : Bytes{};
        }
        if (sqlite3_column_type(st, 1) != SQLITE_NULL) {
            const auto* name = sqlite3_column_text(st, 1);
            out.imageFileName = std::string(reinterpret_cast<const char*>(name),
                                            static_cast<std::size_t>(sqlite3_column_bytes(st, 1)));
        }
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        close();
    return out;
}

} // namespace brisa
