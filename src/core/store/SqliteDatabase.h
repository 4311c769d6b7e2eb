// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Bytes.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace brisa {

/// One prepared statement. Values are always bound, never spliced into SQL text.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    /// False when the SQL did not compile; step() then fails too.
    bool ok() const { return stmt_ != nullptr; }

    // Parameters are 1-based, as in SQLite.
    void bindNull(int index);
    void bindText(int index, std::string_view text);
    void bindOptionalText(int index, const std::optional<std::string>& text);
    void bindBlob(int index, const std::optional<Bytes>& blob);
    /// As above without a copy: the text or bytes must stay as they are until reset(). For the
    /// fields of a record being written, which make up most of what a bulk write copies.
    void bindOptionalTextUnowned(int index, const std::optional<std::string>& text);
    void bindBlobUnowned(int index, const std::optional<Bytes>& blob);
    void bindInt64(int index, std::int64_t value);
    void bindDouble(int index, double value);
    void bindOptionalDouble(int index, const std::optional<double>& value);

    /// SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    /// Ready for the next run: resets and clears the bindings (also ends a read transaction).
    void reset();

    // Columns are 0-based.
    bool isNull(int column) const;
    std::string text(int column) const;
    /// The column's text without a copy; valid until the next step() or reset().
    std::string_view textView(int column) const;
    std::optional<std::string> optionalText(int column) const;
    std::optional<Bytes> blob(int column) const;
    std::int64_t int64(int column) const;
    double real(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
};

/// An open SQLite connection with a cache of prepared statements.
class SqliteDatabase {
public:
    /// Opens path read-write, creating it when create. On failure returns null and sets error.
    static std::unique_ptr<SqliteDatabase> open(const std::filesystem::path& path, std::string& error,
                                                bool create = true);
    /// Opens an existing path read-only, never creating it (a missing store must not leave an empty
    /// file behind), for a reader on a thread of its own: it waits up to busyTimeout for a lock.
    /// On failure returns null and sets error.
    static std::unique_ptr<SqliteDatabase> openReadOnly(const std::filesystem::path& path, std::string& error,
                                                        std::chrono::milliseconds busyTimeout);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    /// Runs SQL that carries no values (schema, pragmas, transactions). Returns the result code.
    int exec(std::string_view sql);
    /// The cached statement for sql, reset and with its bindings cleared.
    SqliteStatement& statement(std::string_view sql);
    /// Runs a pragma or query that yields one integer, or nullopt on error.
    std::optional<std::int64_t> queryInt(std::string_view sql);

    /// Text of the most recent error on this connection.
    std::string errorMessage() const;
    /// Primary result code of the most recent error on this connection.
    int errorCode() const;
    /// Rows changed by the most recent INSERT, UPDATE or DELETE.
    std::int64_t changes() const;

    sqlite3* handle() const { return db_; }

private:
    explicit SqliteDatabase(sqlite3* db) : db_(db) {}
    static std::unique_ptr<SqliteDatabase> openWith(const std::filesystem::path& path, int flags, std::string& error);

    sqlite3* db_ = nullptr;
    std::map<std::string, std::unique_ptr<SqliteStatement>, std::less<>> cache_;
};

/// Resets a statement when it goes out of scope, so no read transaction is left open.
class StatementScope {
public:
    explicit StatementScope(SqliteStatement& st) : st_(st) {}
    ~StatementScope() { st_.reset(); }
    StatementScope(const StatementScope&) = delete;
    StatementScope& operator=(const StatementScope&) = delete;
    SqliteStatement* operator->() const { return &st_; }
    SqliteStatement& operator*() const { return st_; }

private:
    SqliteStatement& st_;
};

/// True for the result codes that mean "this file is not a sound database".
bool isCorruptionCode(int code);

} // namespace brisa
