// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/store/SqliteDatabase.h"

#include <sqlite3.h>

#include <climits>

namespace brisa {

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql)
{
    if (sql.size() > static_cast<std::size_t>(INT_MAX))
        return;
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(stmt_);
}

void SqliteStatement::bindNull(int index)
{
    sqlite3_bind_null(stmt_, index);
}

void SqliteStatement::bindText(int index, std::string_view text)
{
    sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void SqliteStatement::bindOptionalText(int index, const std::optional<std::string>& text)
{
    if (text)
        bindText(index, std::string_view(*text));
    else
        bindNull(index);
}

void SqliteStatement::bindBlob(int index, const std::optional<Bytes>& blob)
{
    if (!blob)
        bindNull(index);
    else if (blob->empty())
        sqlite3_bind_zeroblob(stmt_, index, 0); // a present-but-empty blob must not read back as absent
    else
        sqlite3_bind_blob64(stmt_, index, blob->data(), blob->size(), SQLITE_TRANSIENT);
}

void SqliteStatement::bindOptionalTextUnowned(int index, const std::optional<std::string>& text)
{
    if (text)
        sqlite3_bind_text64(stmt_, index, text->data(), text->size(), SQLITE_STATIC, SQLITE_UTF8);
    else
        bindNull(index);
}

void SqliteStatement::bindBlobUnowned(int index, const std::optional<Bytes>& blob)
{
    if (blob && !blob->empty())
        sqlite3_bind_blob64(stmt_, index, blob->data(), blob->size(), SQLITE_STATIC);
    else
        bindBlob(index, blob);
}

void SqliteStatement::bindInt64(int index, std::int64_t value)
{
    sqlite3_bind_int64(stmt_, index, value);
}

void SqliteStatement::bindDouble(int index, double value)
{
    sqlite3_bind_double(stmt_, index, value);
}

void SqliteStatement::bindOptionalDouble(int index, const std::optional<double>& value)
{
    if (value)
        bindDouble(index, *value);
    else
        bindNull(index);
}

int SqliteStatement::step()
{
    if (!stmt_)
        return SQLITE_MISUSE;
    return sqlite3_step(stmt_);
}

void SqliteStatement::reset()
{
    if (!stmt_)
        return;
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::string SqliteStatement::text(int column) const
{
    // Fetch the pointer before the length: that is the order SQLite documents as safe.
    const auto* p = sqlite3_column_text(stmt_, column);
    const int n = sqlite3_column_bytes(stmt_, column);
    if (!p || n <= 0)
        return {};
    return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
}

std::string_view SqliteStatement::textView(int column) const
{
    const auto* p = sqlite3_column_text(stmt_, column);
    const int n = sqlite3_column_bytes(stmt_, column);
    if (!p || n <= 0)
        return {};
    return {reinterpret_cast<const char*>(p), static_cast<std::size_t>(n)};
}

std::optional<std::string> SqliteStatement::optionalText(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return text(column);
}

std::optional<Bytes> SqliteStatement::blob(int column) const
{
    if (isNull(column))
        return std::nullopt;
    const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    const int n = sqlite3_column_bytes(stmt_, column);
    if (!p || n <= 0)
        return Bytes{};
    return Bytes(p, p + n);
}

std::int64_t SqliteStatement::int64(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(stmt_, column);
}

std::unique_ptr<SqliteDatabase> SqliteDatabase::open(const std::filesystem::path& path, std::string& error,
                                                     bool create)
{
    return openWith(path, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0), error);
}

std::unique_ptr<SqliteDatabase> SqliteDatabase::openReadOnly(const std::filesystem::path& path, std::string& error,
                                                             std::chrono::milliseconds busyTimeout)
{
    // NOMUTEX: the connection stays on the thread that opened it.
    auto db = openWith(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, error);
    if (db)
        sqlite3_busy_timeout(db->handle(), static_cast<int>(busyTimeout.count()));
    return db;
}

std::unique_ptr<SqliteDatabase> SqliteDatabase::openWith(const std::filesystem::path& path, int flags,
                                                         std::string& error)
{
    // SQLite's memory statistics (which nothing here reads) take a process-wide lock around every
    // allocation. Only possible before SQLite's first use; later it refuses, which is harmless.
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    (void)configured;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 0);
    return std::unique_ptr<SqliteDatabase>(new SqliteDatabase(db));
}

SqliteDatabase::~SqliteDatabase()
{
    cache_.clear(); // statements must be finalized before the connection closes
    sqlite3_close(db_);
}

int SqliteDatabase::exec(std::string_view sql)
{
    return sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, nullptr);
}

SqliteStatement& SqliteDatabase::statement(std::string_view sql)
{
    auto it = cache_.find(sql);
    if (it == cache_.end())
        it = cache_.emplace(std::string(sql), nullptr).first;
    if (!it->second || !it->second->ok()) // a failed prepare (busy, damaged schema) is retried next time
        it->second = std::make_unique<SqliteStatement>(db_, sql);
    it->second->reset();
    return *it->second;
}

std::optional<std::int64_t> SqliteDatabase::queryInt(std::string_view sql)
{
    StatementScope st(statement(sql));
    if (st->step() != SQLITE_ROW)
        return std::nullopt;
    return st->int64(0);
}

std::string SqliteDatabase::errorMessage() const
{
    return sqlite3_errmsg(db_);
}

int SqliteDatabase::errorCode() const
{
    return sqlite3_errcode(db_) & 0xff;
}

std::int64_t SqliteDatabase::changes() const
{
    return sqlite3_changes64(db_);
}

bool isCorruptionCode(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

} // namespace brisa
