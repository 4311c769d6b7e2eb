// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreTestSupport.h"

#include "core/search/ClipFilters.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;

namespace {

class StoragePanelPageTest : public StoreTest {
protected:
    /// A mixed history: every kind, raw values the app does not know (they read as text), equal
    /// times, and pinned clips older than everything else.
    void fillMixedHistory(Storage& store, int n)
    {
        static constexpr std::array<const char*, 11> kinds{"text",  "code", "link",  "image", "file",    "color",
                                                           "screenshot", "Image", "video", "",  "COLOR"};
        const auto start = clock.now();
        for (int i = 0; i < n; ++i) {
            ClipItem item = textClip("clip " + std::to_string(i), start + std::chrono::seconds(i / 3));
            item.typeRaw = kinds[static_cast<std::size_t>(i * 7) % kinds.size()];
            item.isPinned = i % 17 == 0 || i < 3;
            if (item.typeRaw == "image")
                item.thumbnailData = Bytes(5000, std::uint8_t(i));
            ASSERT_TRUE(store.insert(item));
        }
    }

    static std::vector<std::string> ids(const std::vector<ClipItem>& items)
    {
        std::vector<std::string> out;
        for (const auto& item : items)
            out.push_back(item.id.toString());
        return out;
    }

    static std::vector<std::string> ids(const ClipList& items)
    {
        std::vector<std::string> out;
        for (const auto* item : items)
            out.push_back(item->id.toString());
        return out;
    }

    /// Every page of a tab, concatenated.
    static std::vector<ClipItem> allPages(Storage& store, NotchTab tab, bool onlyPinned, std::size_t pageSize)
    {
        std::vector<ClipItem> out;
        for (std::size_t offset = 0;; offset += pageSize) {
            auto page = store.fetchPanelPage(tab, onlyPinned, offset, pageSize);
            EXPECT_LE(page.size(), pageSize);
            out.insert(out.end(), page.begin(), page.end());
            if (page.size() < pageSize)
                return out;
        }
    }
};

TEST_F(StoragePanelPageTest, PagesFollowTheInMemoryPanelOrderForEveryTab)
{
    auto store = openStore();
    fillMixedHistory(*store, 300);
    const auto history = store->fetchAll();
    for (auto tab : allNotchTabs) {
        for (bool onlyPinned : {false, true}) {
            SCOPED_TRACE(std::string(rawValue(tab)) + (onlyPinned ? " favoritos" : ""));
            const auto expected = ids(filteredItems(history, tab, onlyPinned, ""));
            EXPECT_EQ(ids(allPages(*store, tab, onlyPinned, 7)), expected);
            EXPECT_EQ(ids(allPages(*store, tab, onlyPinned, 1000)), expected);
        }
    }
}

TEST_F(StoragePanelPageTest, CountsMatchTheInMemoryCountsAndIgnorePinning)
{
    auto store = openStore();
    fillMixedHistory(*store, 300);
    const auto history = store->fetchAll();
    for (auto tab : allNotchTabs)
        EXPECT_EQ(store->countForTab(tab), static_cast<std::int64_t>(count(history, tab))) << rawValue(tab);
    // Unknown kinds ("Image", "video", "", "COLOR") count as text: History = Prompts + Colors + Assets.
    EXPECT_EQ(store->countForTab(NotchTab::History), 300);
    EXPECT_EQ(store->countForTab(NotchTab::Prompts) + store->countForTab(NotchTab::Colors) +
                  store->countForTab(NotchTab::Assets),
              300);
}

TEST_F(StoragePanelPageTest, UnknownKindsAreShownWithTheTexts)
{
    auto store = openStore();
    ClipItem odd = textClip("raro", clock.now());
    odd.typeRaw = "Image";
    ASSERT_TRUE(store->insert(odd));
    EXPECT_EQ(ids(store->fetchPanelPage(NotchTab::Prompts, false, 0, 10)), std::vector{odd.id.toString()});
    EXPECT_TRUE(store->fetchPanelPage(NotchTab::Assets, false, 0, 10).empty());
    EXPECT_EQ(store->countForTab(NotchTab::Prompts), 1);
    EXPECT_EQ(store->countForTab(NotchTab::Assets), 0);
}

TEST_F(StoragePanelPageTest, AnOldPinnedClipComesFirst)
{
    auto store = openStore();
    const auto old = textClip("antiguo", clock.now() - 1000h, true);
    const auto fresh = textClip("nuevo", clock.now());
    ASSERT_TRUE(store->insert(old));
    ASSERT_TRUE(store->insert(fresh));
    EXPECT_EQ(ids(store->fetchPanelPage(NotchTab::History, false, 0, 10)),
              (std::vector{old.id.toString(), fresh.id.toString()}));
    EXPECT_EQ(ids(store->fetchPanelPage(NotchTab::History, true, 0, 10)), std::vector{old.id.toString()});
}

TEST_F(StoragePanelPageTest, PagesLeaveThumbnailsOut)
{
    auto store = openStore();
    auto image = makeClipItem({.type = ClipType::Image, .thumbnailData = Bytes{1, 2, 3}}, clock);
    ASSERT_TRUE(store->insert(image));
    const auto page = store->fetchPanelPage(NotchTab::Assets, false, 0, 10);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_FALSE(page[0].thumbnailData);
    EXPECT_EQ(store->thumbnail(image.id), (Bytes{1, 2, 3}));
}

TEST_F(StoragePanelPageTest, EmptyAndOutOfRangePages)
{
    auto store = openStore();
    fillMixedHistory(*store, 10);
    EXPECT_TRUE(store->fetchPanelPage(NotchTab::History, false, 0, 0).empty());
    EXPECT_TRUE(store->fetchPanelPage(NotchTab::History, false, 10, 5).empty());
    EXPECT_TRUE(store->fetchPanelPage(NotchTab::History, false, SIZE_MAX, SIZE_MAX).empty());
    EXPECT_EQ(store->fetchPanelPage(NotchTab::History, false, 0, SIZE_MAX).size(), 10u);
}

TEST_F(StoragePanelPageTest, TheKindIndexIsAddedToAnOlderStoreWithoutLosingClips)
{
    {
        auto store = openStore();
        fillMixedHistory(*store, 20);
    }
    {
        RawDb raw(storeFile());
        // What version 2 had: no kind index, nor the later reminder column.
        ASSERT_EQ(raw.exec("DROP INDEX ClipItem_kind; DROP INDEX ClipItem_reminder; "
                           "ALTER TABLE ClipItem DROP COLUMN reminderFiredFor; PRAGMA user_version = 2;"),
                  SQLITE_OK);
    }
    auto store = openStore();
    RawDb raw(storeFile());
    EXPECT_EQ(raw.integer("PRAGMA user_version"), Storage::kSchemaVersion);
    EXPECT_EQ(raw.integer("SELECT count(*) FROM sqlite_master WHERE name = 'ClipItem_kind'"), 1);
    EXPECT_EQ(store->count(), 20);
}

/// The detail lines of SQLite's plan for sql, one per line.
std::string queryPlan(const std::filesystem::path& store, const std::string& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            out += std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 3))) + "\n";
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

TEST_F(StoragePanelPageTest, RareKindsAreSearchedInTheKindIndexNotScanned)
{
    auto store = openStore();
    for (const char* sql : {"SELECT count(*) FROM ClipItem WHERE typeRaw = 'color'",
                            "SELECT count(*) FROM ClipItem WHERE typeRaw IN ('image', 'file', 'screenshot')",
                            "SELECT rowid FROM ClipItem WHERE typeRaw = 'color' "
                            "ORDER BY isPinned DESC, createdAt DESC, rowid DESC LIMIT 60"}) {
        const auto plan = queryPlan(storeFile(), sql);
        EXPECT_NE(plan.find("COVERING INDEX ClipItem_kind"), std::string::npos) << sql << "\n" << plan;
    }
}

} // namespace
