// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreTestSupport.h"

#include "core/store/RetentionCutoff.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

/// The calendar rules are about Madrid's clocks, whatever the machine says.
class StorageRetentionTest : public StoreTest {
protected:
    void SetUp() override
    {
        ::setenv("TZ", "Europe/Madrid", 1);
        ::tzset();
    }

    /// A local Madrid wall-clock time.
    static TimePoint madrid(int year, int month, int day, int hour, int minute = 0)
    {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_isdst = -1;
        return std::chrono::system_clock::from_time_t(std::mktime(&tm));
    }

    std::vector<std::string> texts(Storage& store)
    {
        std::vector<std::string> out;
        for (const auto& item : store.fetchAll())
            out.push_back(item.textContent.value_or(""));
        return out;
    }
};

} // namespace

TEST_F(StorageRetentionTest, HistoryLimitRemovesOldestUnpinnedWithTheirImagesAndKeepsPinned)
{
    auto store = openStore();
    store->setHistoryLimit(3);
    const auto t0 = clock.now();
    std::vector<ClipItem> unpinned;
    ASSERT_TRUE(store->insert(textClip("fijado viejo", t0 - 10h, true)));
    ASSERT_TRUE(store->insert(textClip("fijado", t0 - 9h, true)));
    for (int i = 1; i <= 5; ++i) {
        auto item = textClip("clip " + std::to_string(i), t0 + std::chrono::minutes(i));
        item.imageFileName = store->newImageFileName();
        ASSERT_TRUE(store->writeImage(*item.imageFileName, Bytes{1}));
        unpinned.push_back(item);
        ASSERT_TRUE(store->insert(item));
    }
    store->enforceHistoryLimit();
    EXPECT_EQ(texts(*store), (std::vector<std::string>{"clip 5", "clip 4", "clip 3", "fijado", "fijado viejo"}));
    EXPECT_FALSE(fs::exists(store->imagesDir() / *unpinned[0].imageFileName));
    EXPECT_FALSE(fs::exists(store->imagesDir() / *unpinned[1].imageFileName));
    EXPECT_TRUE(fs::exists(store->imagesDir() / *unpinned[2].imageFileName));
}

TEST_F(StorageRetentionTest, NoLimitBelowOne)
{
    for (std::int64_t limit : {std::int64_t{0}, std::int64_t{-1}, std::numeric_limits<std::int64_t>::min()}) {
        auto store = openStore();
        store->setHistoryLimit(limit);
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(store->insertCaptured(textClip("x", clock.now())));
        EXPECT_GE(store->count(), 4) << limit;
    }
}

TEST_F(StorageRetentionTest, ChangedLimitTakesEffectAtTheNextInsertion)
{
    auto store = openStore();
    store->setHistoryLimit(0);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(store->insertCaptured(textClip("x", clock.now() + std::chrono::seconds(i))));
    store->setHistoryLimit(2);
    EXPECT_EQ(store->count(), 5);
    ASSERT_TRUE(store->insertCaptured(textClip("nuevo", clock.now() + 1h)));
    EXPECT_EQ(store->count(), 2);
    EXPECT_EQ(store->fetchAll({.limit = 1})[0].textContent, "nuevo");
}

TEST_F(StorageRetentionTest, HugeLimitKeepsEverything)
{
    auto store = openStore();
    store->setHistoryLimit(std::numeric_limits<std::int64_t>::max());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(store->insertCaptured(textClip("x", clock.now())));
    EXPECT_EQ(store->count(), 3);
}

TEST_F(StorageRetentionTest, AgeLimitRemovesStrictlyOlderUnpinnedClips)
{
    auto store = openStore();
    store->setHistoryLimit(0);
    clock.setNow(madrid(2026, 5, 20, 12));
    const auto cutoff = madrid(2026, 5, 19, 12);
    ASSERT_TRUE(store->insert(textClip("hace 25 horas", clock.now() - 25h)));
    ASSERT_TRUE(store->insert(textClip("fijado de hace un año", clock.now() - 365 * 24h, true)));
    ASSERT_TRUE(store->insert(textClip("justo en el límite", cutoff)));
    ASSERT_TRUE(store->insert(textClip("un microsegundo antes", cutoff - 1us)));
    ASSERT_TRUE(store->insert(textClip("hace una hora", clock.now() - 1h)));
    store->setAutoDeleteDays(1);
    ASSERT_TRUE(store->insertCaptured(textClip("nuevo", clock.now())));
    EXPECT_EQ(texts(*store),
              (std::vector<std::string>{"nuevo", "hace una hora", "justo en el límite", "fijado de hace un año"}));
}

TEST_F(StorageRetentionTest, ExactCutoffStaysWithSubSecondTimes)
{
    auto store = openStore();
    clock.setNow(madrid(2026, 5, 20, 12) + 123456789ns);
    ASSERT_TRUE(store->insert(textClip("límite", madrid(2026, 5, 17, 12) + 123456789ns)));
    store->setAutoDeleteDays(3);
    store->purgeOldItems();
    EXPECT_EQ(store->count(), 1);
}

TEST_F(StorageRetentionTest, AgeLimitRemovesImageFilesToo)
{
    auto store = openStore();
    auto old = textClip("vieja", clock.now() - 72h);
    old.imageFileName = store->newImageFileName();
    ASSERT_TRUE(store->writeImage(*old.imageFileName, Bytes{1}));
    ASSERT_TRUE(store->insert(old));
    store->setAutoDeleteDays(2);
    store->purgeOldItems();
    EXPECT_EQ(store->count(), 0);
    EXPECT_FALSE(fs::exists(store->imagesDir() / *old.imageFileName));
}

TEST_F(StorageRetentionTest, NoAgeLimitBelowOneOrBeyondTheCalendar)
{
    for (std::int64_t days : {std::int64_t{0}, std::int64_t{-3}, std::numeric_limits<std::int64_t>::max()}) {
        auto store = openStore();
        ASSERT_TRUE(store->insert(textClip("antiquísimo", fromUnixSeconds(-5e9))));
        store->setAutoDeleteDays(days);
        store->purgeOldItems();
        EXPECT_EQ(store->count(), 1) << days;
        ASSERT_TRUE(store->deleteClip(store->fetchAll()[0]));
    }
}

// 2026-03-29: Madrid's clocks jump from 02:00 to 03:00, so "one day before" noon on the 29th is
// noon on the 28th, 23 hours earlier.
TEST_F(StorageRetentionTest, CalendarDayAcrossSpringForwardIsTwentyThreeHours)
{
    const auto now = madrid(2026, 3, 29, 12);
    EXPECT_EQ(calendarDaysBefore(now, 1), now - 23h);

    auto store = openStore();
    clock.setNow(now);
    ASSERT_TRUE(store->insert(textClip("hace 23 h y media", now - 23h - 30min)));
    ASSERT_TRUE(store->insert(textClip("hace 22 h y media", now - 22h - 30min)));
    store->setAutoDeleteDays(1);
    store->purgeOldItems();
    EXPECT_EQ(texts(*store), (std::vector<std::string>{"hace 22 h y media"}));
}

// 2026-10-25: the clocks fall back from 03:00 to 02:00; one calendar day is 25 hours.
TEST_F(StorageRetentionTest, CalendarDayAcrossFallBackIsTwentyFiveHours)
{
    const auto now = madrid(2026, 10, 25, 12);
    EXPECT_EQ(calendarDaysBefore(now, 1), now - 25h);

    auto store = openStore();
    clock.setNow(now);
    ASSERT_TRUE(store->insert(textClip("hace 24 h y media", now - 24h - 30min)));
    ASSERT_TRUE(store->insert(textClip("hace 25 h y media", now - 25h - 30min)));
    store->setAutoDeleteDays(1);
    store->purgeOldItems();
    EXPECT_EQ(texts(*store), (std::vector<std::string>{"hace 24 h y media"}));
}

TEST_F(StorageRetentionTest, CalendarDaysCrossMonthsAndYears)
{
    EXPECT_EQ(calendarDaysBefore(madrid(2026, 3, 1, 8), 1), madrid(2026, 2, 28, 8));
    EXPECT_EQ(calendarDaysBefore(madrid(2027, 1, 5, 23, 30), 10), madrid(2026, 12, 26, 23, 30));
    EXPECT_EQ(calendarDaysBefore(madrid(2028, 3, 1, 0), 366), madrid(2027, 3, 1, 0));
    EXPECT_EQ(calendarDaysBefore(madrid(2026, 1, 1, 0), -1), std::nullopt);
}

TEST_F(StorageRetentionTest, ClearHistoryDeletesUnpinnedOrAllWithTheirImagesInOneGo)
{
    struct Case {
        bool includePinned;
        std::vector<std::string> left;
    };
    for (const auto& c : {Case{false, {"fijado"}}, Case{true, {}}}) {
        SCOPED_TRACE(c.includePinned);
        auto store = openStore();
        const auto t0 = clock.now();
        auto pinned = textClip("fijado", t0 - 1h, true);
        pinned.imageFileName = store->newImageFileName();
        auto loose = textClip("suelto", t0);
        loose.imageFileName = store->newImageFileName();
        // A copy of the pinned clip naming the same picture: the file stays while the pinned one does.
        auto sharing = textClip("comparte", t0 + 1min);
        sharing.imageFileName = pinned.imageFileName;
        for (const auto* item : {&pinned, &loose, &sharing}) {
            ASSERT_TRUE(store->writeImage(*item->imageFileName, Bytes{1}));
            ASSERT_TRUE(store->insert(*item));
        }
        ASSERT_TRUE(store->insert(textClip("otro", t0 + 2min)));

        EXPECT_EQ(store->countClearable(c.includePinned), c.includePinned ? 4 : 3);
        EXPECT_EQ(store->clearHistory(c.includePinned), std::optional<std::size_t>(c.includePinned ? 4 : 3));
        EXPECT_EQ(texts(*store), c.left);
        EXPECT_EQ(store->countClearable(c.includePinned), 0);
        EXPECT_FALSE(fs::exists(store->imagesDir() / *loose.imageFileName));
        EXPECT_EQ(fs::exists(store->imagesDir() / *pinned.imageFileName), !c.includePinned);
        store.reset();
        fs::remove_all(dataDir());
    }
}
