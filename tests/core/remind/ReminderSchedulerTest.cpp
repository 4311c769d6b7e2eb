// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/remind/ReminderScheduler.h"
#include "core/store/Storage.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

using namespace brisa;
using namespace std::chrono_literals;

namespace {

// 2026-06-01 10:00:00 UTC, on a whole minute.
const TimePoint kStart = fromUnixSeconds(1'780'308'000.0);

class ReminderSchedulerTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::LogCapture log;
    test::VirtualScheduler clock{kStart};
    std::unique_ptr<Storage> storage = Storage::open(dir.path(), clock).storage;
    /// A notification server that can be down.
    struct Server final : Notifications {
        bool show(const Notice& n) override
        {
            if (up)
                shown.push_back(n);
            return up;
        }
        std::vector<Notice> shown;
        bool up = true;
    } server;
    std::vector<Notifications::Notice>& shown = server.shown;
    bool& serverUp = server.up;
    std::unique_ptr<ReminderScheduler> reminders;

    void startScheduler()
    {
        reminders = std::make_unique<ReminderScheduler>(*storage, clock, server);
        storage->onChanged([this] {
            if (reminders)
                reminders->refresh();
        });
        reminders->start();
    }

    Uuid clipWithReminder(const std::string& text, std::optional<TimePoint> at)
    {
        auto item = makeClipItem({.textContent = text}, clock);
        EXPECT_TRUE(storage->insert(item));
        if (at) {
            EXPECT_TRUE(storage->setReminder(item.id, at));
        }
        return item.id;
    }

    std::vector<std::string> bodies() const
    {
        std::vector<std::string> out;
        for (const auto& n : shown)
            out.push_back(n.body);
        return out;
    }
};

} // namespace

TEST(ReminderTextTest, BodyIsTheTextOrTheKindAndSourceAppAndWhenItWasDueIfLate)
{
    test::VirtualScheduler clock;
    struct Case {
        std::string typeRaw;
        std::optional<std::string> text, app;
        std::string body;
    };
    const std::string long200(200, 'a');
    const Case cases[] = {
        {"text", long200, "Editor", std::string(80, 'a')},
        {"code", "x = 1", std::nullopt, "x = 1"},
        {"text", std::string("ñandú ") + std::string(90, 'b'), std::nullopt, std::string("ñandú ") + std::string(74, 'b')},
        {"screenshot", std::nullopt, std::nullopt, "Captura de una app"},
        {"image", std::nullopt, "Firefox", "Imagen de Firefox"},
        {"image", "", "", "Imagen de una app"},
        {"futuro", std::nullopt, "Gimp", "Texto de Gimp"},
    };
    for (const auto& c : cases) {
        auto item = makeClipItem({.textContent = c.text, .sourceAppName = c.app}, clock);
        item.typeRaw = c.typeRaw;
        EXPECT_EQ(reminderPreview(item), c.body) << c.typeRaw;
        EXPECT_EQ(reminderBody(item, clock.now(), false), c.body);
    }
    EXPECT_EQ(kReminderTitle, "Recordatorio de Brisa");
    // A late one says when it was due: 2026-12-24 08:30 UTC is 09:30 in Madrid, the tests' time zone.
    EXPECT_EQ(reminderBody(makeClipItem({.textContent = "llamar"}, clock), fromUnixSeconds(1'798'101'000.0), true),
              "llamar\nPrevisto para el 24/12/2026 a las 09:30");
}

TEST_F(ReminderSchedulerTest, FiresEarliestFirstOnItsMinuteAndOnlyOnce)
{
    ASSERT_TRUE(storage);
    clipWithReminder("tarde", kStart + 10min);
    const auto soon = clipWithReminder("pronto", kStart + 2min + 40s); // seconds dropped: due at +2 min
    clipWithReminder("sin", std::nullopt);
    startScheduler();
    clock.advance(2min - 1s);
    EXPECT_TRUE(shown.empty());
    clock.advance(1s);
    ASSERT_EQ(bodies(), std::vector<std::string>{"pronto"});
    EXPECT_EQ(shown[0].title, "Recordatorio de Brisa");
    EXPECT_EQ(shown[0].key, soon.toString()); // a click on it opens the clip
    clock.advance(8min);
    EXPECT_EQ(bodies(), (std::vector<std::string>{"pronto", "tarde"}));
    clock.advance(2h);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(storage->pendingReminders().empty());
    // The date stays on the clip after it fired.
    EXPECT_EQ(storage->fetch(soon)->reminderDate, kStart + 2min + 40s);
}

TEST_F(ReminderSchedulerTest, RemovingOrReschedulingCancelsThePendingOne)
{
    const auto removed = clipWithReminder("quitado", kStart + 5min);
    const auto moved = clipWithReminder("movido", kStart + 5min);
    startScheduler();
    clock.advance(1min);
    storage->setReminder(removed, std::nullopt);
    storage->setReminder(moved, kStart + 20min);
    storage->setReminder(moved, kStart + 30min); // twice: one pending, for the later choice
    clock.advance(28min);
    EXPECT_TRUE(shown.empty());
    clock.advance(1min);
    EXPECT_EQ(bodies(), std::vector<std::string>{"movido"});
    // A fired reminder set again fires again, once.
    storage->setReminder(moved, kStart + 40min);
    clock.advance(1h);
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(ReminderSchedulerTest, OneMissedWhileNotRunningFiresOnceAtTheNextStartWithItsTime)
{
    clipWithReminder("perdido", kStart + 1min);
    clipWithReminder("futuro", kStart + 3h);
    clock.setNow(kStart + 2h); // Brisa was not running
    startScheduler();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].body, "perdido\nPrevisto para el 01/06/2026 a las 12:01");
    // A second start (a restart) does not show it again.
    reminders.reset();
    startScheduler();
    clock.advance(59min);
    EXPECT_EQ(shown.size(), 1u);
    clock.advance(1min);
    EXPECT_EQ(bodies().back(), "futuro");
}

TEST_F(ReminderSchedulerTest, ClockJumpsNeitherSkipNorRepeat)
{
    clipWithReminder("uno", kStart + 1h);
    clipWithReminder("dos", kStart + 3h);
    startScheduler();
    // Forward (a suspend, or the clock set ahead): noticed at the next wake, shown once, late.
    clock.setNow(kStart + 2h);
    clock.advance(ReminderScheduler::kLongestWait);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].body, "uno\nPrevisto para el 01/06/2026 a las 13:00") << shown[0].body;
    // Back over a reminder already shown: not shown again.
    clock.setNow(kStart + 30min);
    clock.advance(1h);
    EXPECT_EQ(shown.size(), 1u);
    clock.advance(90min); // now kStart + 3h
    EXPECT_EQ(bodies().back(), "dos");
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_LE(clock.pendingCount(), 1u); // one timer, never a pile of them
}

TEST_F(ReminderSchedulerTest, WithoutANotificationServerTheReminderIsKeptForLater)
{
    clipWithReminder("espera", kStart + 1min);
    serverUp = false;
    startScheduler();
    clock.advance(5min);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(storage->pendingReminders().size(), 1u);
    serverUp = true;
    clock.advance(ReminderScheduler::kLongestWait);
    EXPECT_EQ(bodies(), std::vector<std::string>{"espera\nPrevisto para el 01/06/2026 a las 12:01"});
    clock.advance(1h);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(ReminderSchedulerTest, AReminderSetByAnotherProgramIsNoticed)
{
    startScheduler();
    auto other = Storage::open(dir.path(), clock).storage;
    auto item = makeClipItem({.textContent = "de fuera"}, clock);
    ASSERT_TRUE(other->insert(item));
    ASSERT_TRUE(other->setReminder(item.id, kStart + 2min));
    clock.advance(2min + ReminderScheduler::kLongestWait);
    EXPECT_EQ(bodies(), std::vector<std::string>{"de fuera"});
}
