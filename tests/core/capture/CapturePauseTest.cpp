// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/CapturePause.h"
#include "core/settings/UserDefaults.h"
#include "fakes/FakeCaptureLinks.h"
#include "fakes/LogCapture.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;

namespace {

class CapturePauseTest : public ::testing::Test {
protected:
    std::vector<std::string> toastTexts() const
    {
        std::vector<std::string> out;
        for (const auto& t : toasts.shown)
            out.push_back(std::get<ToastData::Notice>(t.kind).title);
        return out;
    }

    VirtualScheduler clock;
    UserDefaults defaults;
    FakeToasts toasts;
    LogCapture log;
};

} // namespace

TEST_F(CapturePauseTest, TimedPauseEndsByItselfOnTimeWithAToast)
{
    CapturePause pause(clock, defaults);
    pause.toasts = &toasts;
    int changes = 0;
    pause.onChanged([&] { ++changes; });
    EXPECT_FALSE(pause.paused());

    ASSERT_TRUE(pause.pause(90));
    EXPECT_TRUE(pause.paused());
    EXPECT_EQ(pause.until(), clock.now() + 90min);
    EXPECT_TRUE(defaults.contains(CapturePause::kUntilKey));
    clock.advance(90min - 1ms);
    EXPECT_TRUE(pause.paused());
    EXPECT_EQ(changes, 1);
    clock.advance(1ms);
    EXPECT_FALSE(pause.paused());
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(defaults.contains(CapturePause::kUntilKey));
    ASSERT_EQ(toasts.shown.size(), 2u);
    EXPECT_EQ(toastTexts().back(), CapturePause::kExpiredMessage);
}

TEST_F(CapturePauseTest, AWallClockJumpEndsThePauseThoughItsTimerIsLate)
{
    CapturePause pause(clock, defaults);
    pause.pause(5);
    clock.setNow(clock.now() + 6min); // the machine slept: no timer ran
    EXPECT_FALSE(pause.paused());
    clock.advance(1min); // the next look at the clock says so
    EXPECT_FALSE(defaults.contains(CapturePause::kUntilKey));
}

TEST_F(CapturePauseTest, OpenPauseLastsUntilResumedAndIsNotKept)
{
    CapturePause pause(clock, defaults);
    pause.toasts = &toasts;
    pause.pause(10);
    pause.pause(); // replaces the timed one
    EXPECT_FALSE(defaults.contains(CapturePause::kUntilKey));
    clock.advance(24h);
    EXPECT_TRUE(pause.paused());
    EXPECT_EQ(pause.until(), std::nullopt);
    pause.resume();
    EXPECT_FALSE(pause.paused());
    pause.resume(); // nothing to say the second time
    EXPECT_EQ(toastTexts().back(), CapturePause::kResumedMessage);
    EXPECT_EQ(toasts.shown.size(), 3u);

    CapturePause restarted(clock, defaults);
    EXPECT_FALSE(restarted.paused());
}

TEST_F(CapturePauseTest, ATimedPauseSurvivesARestartOnlyUntilItsEnd)
{
    {
        CapturePause pause(clock, defaults);
        pause.pause(30);
    }
    clock.advance(10min);
    {
        CapturePause restarted(clock, defaults);
        EXPECT_TRUE(restarted.paused());
        EXPECT_EQ(restarted.until(), clock.now() + 20min);
    }
    clock.advance(25min);
    CapturePause late(clock, defaults);
    EXPECT_FALSE(late.paused());
    EXPECT_FALSE(defaults.contains(CapturePause::kUntilKey));
}

TEST_F(CapturePauseTest, BadLengthsAndStoredValuesAreRefused)
{
    CapturePause pause(clock, defaults);
    for (std::int64_t minutes : {std::int64_t{0}, std::int64_t{-5}, CapturePause::kMaxMinutes + 1}) {
        EXPECT_FALSE(pause.pause(minutes)) << minutes;
        EXPECT_FALSE(pause.paused());
    }
    for (const auto& stored : {nlohmann::json("mañana"), nlohmann::json(nullptr), nlohmann::json(1e300)}) {
        defaults.set(CapturePause::kUntilKey, stored);
        CapturePause loaded(clock, defaults);
        EXPECT_FALSE(loaded.paused()) << stored.dump();
        EXPECT_FALSE(defaults.contains(CapturePause::kUntilKey)) << stored.dump();
    }
}
