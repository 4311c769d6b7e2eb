// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/store/Storage.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace brisa::test {

/// A second, raw connection to a store file, as the sqlite3 shell or a script would hold it.
class RawDb {
public:
    explicit RawDb(const std::filesystem::path& path)
    {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_busy_timeout(db_, 5000);
    }
    ~RawDb() { sqlite3_close(db_); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    /// Runs sql; returns SQLITE_OK or the error code.
    int exec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr); }
    /// The first column of the first row as text ("" when there is none).
    std::string text(const std::string& sql)
    {
        sqlite3_stmt* st = nullptr;
        std::string out;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            if (auto* p = sqlite3_column_text(st, 0))
                out = reinterpret_cast<const char*>(p);
        sqlite3_finalize(st);
        return out;
    }
    long long integer(const std::string& sql) { return std::stoll("0" + text(sql)); }

private:
    sqlite3* db_ = nullptr;
};

inline unsigned modeOf(const std::filesystem::path& p)
{
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

/// A temporary $XDG_DATA_HOME, a virtual clock and captured log lines.
class StoreTest : public ::testing::Test {
protected:
    std::unique_ptr<Storage> openStore()
    {
        auto opened = Storage::open(home.path(), clock);
        EXPECT_NE(opened.storage, nullptr) << opened.error;
        return std::move(opened.storage);
    }

    std::filesystem::path dataDir() const { return home.path() / "Brisa"; }
    std::filesystem::path storeFile() const { return dataDir() / "Brisa.store"; }

    ClipItem textClip(const std::string& text, TimePoint at, bool pinned = false)
    {
        ClipItem item = makeClipItem({.type = ClipType::Text, .textContent = text,
                                      .byteSize = static_cast<std::int64_t>(text.size())},
                                     clock);
        item.createdAt = at;
        item.isPinned = pinned;
        return item;
    }

    TempDir home;
    VirtualScheduler clock;
    LogCapture log;
};

} // namespace brisa::test

namespace brisa::test {

inline std::string readWholeFileForTest(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

/// Every stored field of two records is the same (dates to the microsecond).
inline void expectSameFields(const ClipItem& a, const ClipItem& b)
{
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.typeRaw, b.typeRaw);
    EXPECT_EQ(a.textContent, b.textContent);
    EXPECT_EQ(a.imageFileName, b.imageFileName);
    EXPECT_EQ(a.thumbnailData, b.thumbnailData);
    EXPECT_EQ(a.sourceAppBundleID, b.sourceAppBundleID);
    EXPECT_EQ(a.sourceAppName, b.sourceAppName);
    EXPECT_NEAR(toUnixSeconds(a.createdAt), toUnixSeconds(b.createdAt), 1e-6);
    EXPECT_EQ(a.isPinned, b.isPinned);
    EXPECT_EQ(a.spaceID, b.spaceID);
    EXPECT_EQ(a.contentHash, b.contentHash);
    EXPECT_EQ(a.byteSize, b.byteSize);
    EXPECT_EQ(a.ocrText, b.ocrText);
    EXPECT_EQ(a.batchID, b.batchID);
    ASSERT_EQ(a.reminderDate.has_value(), b.reminderDate.has_value());
    if (a.reminderDate) {
        EXPECT_NEAR(toUnixSeconds(*a.reminderDate), toUnixSeconds(*b.reminderDate), 1e-6);
    }
}

} // namespace brisa::test
