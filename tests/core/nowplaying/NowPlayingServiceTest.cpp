// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/nowplaying/NowPlayingService.h"

#include "fakes/FakeMediaPlayers.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

using namespace brisa;
using namespace brisa::test;
using Status = PlayerReport::Status;

namespace {

class NowPlayingServiceTest : public ::testing::Test {
protected:
    VirtualScheduler scheduler;
    FakeMediaPlayers players;

    /// The service, started once the test has set up its players.
    NowPlayingService& start()
    {
        service = std::make_unique<NowPlayingService>(players, scheduler);
        return *service;
    }
    std::unique_ptr<NowPlayingService> service;
};

} // namespace

TEST(NowPlayingChoice, PreferredPlayerFirstThenPlayingThenPaused)
{
    struct Case {
        const char* name;
        MediaPlayers::Reports reports;
        std::string chosen; // empty: none
    };
    const std::vector<Case> cases = {
        {"nothing", {}, ""},
        {"all stopped", {playerReport("mpv", Status::Stopped), playerReport("spotify", Status::Stopped)}, ""},
        {"paused spotify over playing mpv",
         {playerReport("mpv", Status::Playing), playerReport("spotify", Status::Paused)}, "spotify"},
        {"spotify instance counts as spotify",
         {playerReport("mpv", Status::Playing), playerReport("spotify.instance42", Status::Paused)},
         "spotify.instance42"},
        {"stopped spotify: the playing one",
         {playerReport("spotify", Status::Stopped), playerReport("vlc", Status::Paused),
          playerReport("firefox.instance_1_2", Status::Playing)},
         "firefox.instance_1_2"},
        {"playing before paused", {playerReport("a", Status::Paused), playerReport("b", Status::Playing)}, "b"},
        {"first paused when none plays", {playerReport("a", Status::Paused), playerReport("b", Status::Paused)}, "a"},
    };
    for (const auto& c : cases) {
        const auto chosen = NowPlayingService::choosePlayer(c.reports);
        EXPECT_EQ(chosen ? chosen->name : "", c.chosen.empty() ? "" : "org.mpris.MediaPlayer2." + c.chosen) << c.name;
    }
}

TEST(NowPlayingChoice, FieldsInTheCardsUnits)
{
    auto r = playerReport("mpv", Status::Playing, "Título", "Uno, Dos", 83'400'000, 21'500'000, "file:///c.png");
    EXPECT_EQ(NowPlayingService::trackInfo(r), (TrackInfo{"Título", "Uno, Dos", "file:///c.png", true, 83.4, 21.5}));
    r.status = Status::Paused;
    r.positionUs = -1;
    r.lengthUs = -5;
    EXPECT_EQ(NowPlayingService::trackInfo(r), (TrackInfo{"Título", "Uno, Dos", "file:///c.png", false, 0, 0}));
}

TEST_F(NowPlayingServiceTest, StartsWithOneQueryAndPollsEveryThreeSeconds)
{
    players.players = {playerReport("mpv", Status::Playing, "A", "B", 10'000'000)};
    auto& s = start();
    EXPECT_EQ(players.queries, 1);
    EXPECT_EQ(s.title(), "A");
    EXPECT_TRUE(s.hasMedia());
    scheduler.advance(Duration{2999});
    EXPECT_EQ(players.queries, 1);
    scheduler.advance(Duration{1});
    EXPECT_EQ(players.queries, 2);
    scheduler.advance(Duration{6000});
    EXPECT_EQ(players.queries, 4);
}

TEST_F(NowPlayingServiceTest, PositionAdvancesLocallyAndResyncsOnlyWhenFarOff)
{
    players.players = {playerReport("mpv", Status::Playing, "A", "B", 10'000'000, 12'000'000)};
    auto& s = start();
    struct Step {
        int advanceMs;
        std::int64_t reportedUs; // what the player says from now on
        double expected;
    };
    // Ticks add 0.5 s; the 3 s poll keeps a local position within 2.5 s, replaces one further off.
    const std::vector<Step> steps = {
        {500, 10'000'000, 10.5},  {1000, 10'000'000, 11.5}, {500, 10'000'000, 12.0}, // capped at the duration
        {1000, 10'000'000, 12.0}, // poll at 3 s: 12 − 10 = 2 ≤ 2.5, kept
        {3000, 9'000'000, 9.5}, // poll at 6 s: 12 − 9 = 3 > 2.5, replaced; then the tick due with it
    };
    for (const auto& step : steps) {
        players.players[0].positionUs = step.reportedUs;
        scheduler.advance(Duration{step.advanceMs});
        EXPECT_DOUBLE_EQ(s.position(), step.expected) << "after +" << step.advanceMs << " ms";
    }
}

TEST_F(NowPlayingServiceTest, PausedPositionStandsStillAndANewTrackTakesItsPosition)
{
    players.players = {playerReport("mpv", Status::Paused, "A", "B", 5'000'000)};
    auto& s = start();
    scheduler.advance(Duration{2500});
    EXPECT_DOUBLE_EQ(s.position(), 5.0);
    players.players[0].title = "Otra";
    players.players[0].positionUs = 4'000'000; // within 2.5 s, but the track changed
    players.announce();
    scheduler.advance(Duration{20});
    EXPECT_EQ(s.title(), "Otra");
    EXPECT_DOUBLE_EQ(s.position(), 4.0);
}

TEST_F(NowPlayingServiceTest, AnnouncementsRefreshAtOnceCoalesced)
{
    players.players = {playerReport("mpv", Status::Playing)};
    auto& s = start();
    players.players[0].status = Status::Paused;
    players.announce();
    players.announce();
    players.announce();
    scheduler.advance(Duration{20});
    EXPECT_EQ(players.queries, 2);
    EXPECT_FALSE(s.isPlaying());
}

TEST_F(NowPlayingServiceTest, NoPlayerClearsTheTrackAndAStoppedOneIsNothing)
{
    players.players = {playerReport("mpv", Status::Playing, "A", "B", 3'000'000)};
    auto& s = start();
    players.players[0].status = Status::Stopped;
    scheduler.advance(Duration{3000});
    EXPECT_FALSE(s.hasMedia());
    EXPECT_FALSE(s.isPlaying());
    EXPECT_EQ(s.position(), 0);
    EXPECT_EQ(s.duration(), 0);
    EXPECT_EQ(s.player(), "");
}

TEST_F(NowPlayingServiceTest, OnlyTheLatestAnswerIsApplied)
{
    players.autoAnswer = false;
    players.players = {playerReport("mpv", Status::Playing, "Vieja")};
    auto& s = start();
    players.players = {playerReport("mpv", Status::Playing, "Nueva")};
    scheduler.advance(Duration{3000});
    ASSERT_EQ(players.pendingQueries.size(), 2u);
    players.answerQuery(1); // the newer question answers first
    players.players = {playerReport("mpv", Status::Playing, "Vieja")};
    players.answerQuery(0); // a hung player's late answer to the first
    EXPECT_EQ(s.title(), "Nueva");
}

TEST_F(NowPlayingServiceTest, ArtworkIsFetchedOncePerURLAndClearedByATrackWithout)
{
    players.artwork["file:///a.png"] = {1, 2, 3};
    players.players = {playerReport("mpv", Status::Playing, "A", "B", 0, 200'000'000, "file:///a.png")};
    auto& s = start();
    ASSERT_TRUE(s.artwork());
    EXPECT_EQ(*s.artwork(), (MediaPlayers::Bytes{1, 2, 3}));
    scheduler.advance(Duration{6000});
    EXPECT_EQ(players.artworkRequests.size(), 1u);
    EXPECT_TRUE(s.artwork());

    players.players[0].title = "Sin portada";
    players.players[0].artUrl = "";
    scheduler.advance(Duration{3000});
    EXPECT_FALSE(s.artwork());
    EXPECT_EQ(players.artworkRequests.size(), 1u);
}

TEST_F(NowPlayingServiceTest, AnOversizedOrUnreadableCoverShowsNone)
{
    players.artwork["data:big"] = MediaPlayers::Bytes(NowPlayingService::kMaxArtworkBytes + 1, 0);
    players.players = {playerReport("mpv", Status::Playing, "A", "B", 0, 200'000'000, "data:big")};
    auto& s = start();
    EXPECT_TRUE(s.hasMedia());
    EXPECT_FALSE(s.artwork());
    players.players[0].artUrl = "https://nowhere.invalid/c.jpg";
    scheduler.advance(Duration{3000});
    EXPECT_FALSE(s.artwork());
    EXPECT_EQ(players.artworkRequests.size(), 2u);
}

TEST_F(NowPlayingServiceTest, TransportCommandsGoToTheShownPlayerAndRefreshAfterTheirDelays)
{
    players.players = {playerReport("vlc", Status::Paused), playerReport("mpv", Status::Playing)};
    auto& s = start();
    struct Case {
        void (NowPlayingService::*command)();
        const char* sent;
        int refreshMs;
    };
    const std::vector<Case> cases = {
        {&NowPlayingService::togglePlayPause, "playPause org.mpris.MediaPlayer2.mpv", 300},
        {&NowPlayingService::nextTrack, "next org.mpris.MediaPlayer2.mpv", 500},
        {&NowPlayingService::previousTrack, "previous org.mpris.MediaPlayer2.mpv", 500},
    };
    for (const auto& c : cases) {
        scheduler.advance(Duration{3000} - Duration{1000}); // away from the poll
        players.commands.clear();
        const int before = players.queries;
        (s.*c.command)();
        EXPECT_EQ(players.commands, std::vector<std::string>{c.sent});
        scheduler.advance(Duration{c.refreshMs - 1});
        EXPECT_EQ(players.queries, before) << c.sent;
        scheduler.advance(Duration{1});
        EXPECT_EQ(players.queries, before + 1) << c.sent;
    }
}

TEST_F(NowPlayingServiceTest, SeekClampsTruncatesToWholeSecondsAndRefreshesAfterTheAnswer)
{
    players.players = {playerReport("mpv", Status::Paused, "A", "B", 10'000'000, 215'700'000)};
    auto& s = start();
    struct Case {
        double fraction;
        double position;
        std::int64_t targetUs;
    };
    const std::vector<Case> cases = {
        {0.5, 107.85, 107'000'000}, {1.7, 215.7, 215'000'000}, {-0.2, 0, 0}, {0.999, 215.4843, 215'000'000}};
    for (const auto& c : cases) {
        players.commands.clear();
        s.seek(c.fraction);
        EXPECT_NEAR(s.position(), c.position, 1e-9) << c.fraction;
        ASSERT_EQ(players.commands.size(), 1u);
        EXPECT_TRUE(players.commands[0].starts_with("setPosition org.mpris.MediaPlayer2.mpv /org/mpris/MediaPlayer2/Track/1 " +
                                                    std::to_string(c.targetUs) + " "))
            << players.commands[0];
    }
    const int before = players.queries;
    players.pendingSeeks.front()();
    EXPECT_EQ(players.queries, before + 1);
}

TEST_F(NowPlayingServiceTest, SeekWithoutADurationDoesNothing)
{
    players.players = {playerReport("mpv", Status::Playing, "Directo", "Radio", 0, 0)};
    auto& s = start();
    s.seek(0.5);
    EXPECT_TRUE(players.commands.empty());
    EXPECT_EQ(s.position(), 0);
    scheduler.advance(Duration{1000});
    EXPECT_EQ(s.position(), 0); // no duration: no local advance either
}

TEST_F(NowPlayingServiceTest, AnswersAfterTheServiceIsGoneAreDropped)
{
    players.autoAnswer = false;
    start();
    service.reset();
    players.announce(); // nothing listens any more
    players.answerQuery();
    scheduler.advance(Duration{10000});
    SUCCEED();
}
