// SPDX-License-Identifier: GPL-3.0-or-later
// The players over a real (private) session bus: a player that answers, one that never does, and
// the announcements that make the service ask again. Run under dbus-run-session.
#include "platform/linux/MprisPlayers.h"
#include "fakes/QtCoreApp.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

using namespace brisa;

namespace {

/// A player at /org/mpris/MediaPlayer2 on a connection of its own. A hung one takes every call
/// and never answers.
class FakePlayer final : public QDBusVirtualObject {
public:
    FakePlayer(const QString& name, bool hung) : hung_(hung), bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name))
    {
        bus_.registerVirtualObject(QStringLiteral("/org/mpris/MediaPlayer2"), this);
        bus_.registerService(name);
    }
    ~FakePlayer() override { QDBusConnection::disconnectFromBus(bus_.name()); }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        calls.push_back(message.member());
        if (hung_) {
            message.setDelayedReply(true); // and never answered
            return true;
        }
        if (message.member() == QLatin1String("GetAll")) {
            const QVariantMap metadata{
                {QStringLiteral("xesam:title"), QStringLiteral("Canción")},
                {QStringLiteral("xesam:artist"), QStringList{QStringLiteral("Uno"), QStringLiteral("Dos")}},
                {QStringLiteral("mpris:length"), qlonglong(180'000'000)},
                {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(QStringLiteral("/t/1")))}};
            const QVariantMap props{{QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")},
                                    {QStringLiteral("Position"), qlonglong(42'000'000)},
                                    {QStringLiteral("Metadata"), metadata}};
            connection.send(message.createReply(QVariant(props)));
            return true;
        }
        if (message.member() == QLatin1String("SetPosition"))
            setPosition = message.arguments().value(1).toLongLong();
        connection.send(message.createReply());
        return true;
    }
    /// Sends PropertiesChanged for the player interface.
    void announce()
    {
        auto signal = QDBusMessage::createSignal(QStringLiteral("/org/mpris/MediaPlayer2"),
                                                 QStringLiteral("org.freedesktop.DBus.Properties"),
                                                 QStringLiteral("PropertiesChanged"));
        signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << QVariantMap{} << QStringList{};
        bus_.send(signal);
    }

    QStringList calls;
    qlonglong setPosition = -1;

private:
    bool hung_;
    QDBusConnection bus_;
};

class MprisPlayersBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApp();
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus";
    }
};

} // namespace

TEST_F(MprisPlayersBusTest, AHungPlayerIsLeftOutAfterTheTimeoutAndTheOtherAnswers)
{
    FakePlayer good(QStringLiteral("org.mpris.MediaPlayer2.good"), false);
    FakePlayer hung(QStringLiteral("org.mpris.MediaPlayer2.hung"), true);
    MprisPlayers players;
    std::optional<MediaPlayers::Reports> answer;
    QElapsedTimer timer;
    timer.start();
    players.query([&](MediaPlayers::Reports reports) { answer = std::move(reports); });
    EXPECT_FALSE(answer); // nothing blocks: the answer comes later
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 5000));
    EXPECT_GE(timer.elapsed(), MprisPlayers::kCallTimeoutMs - 100);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->size(), 1u);
    const PlayerReport& r = answer->front();
    EXPECT_EQ(r.name, "org.mpris.MediaPlayer2.good");
    EXPECT_EQ(r.status, PlayerReport::Status::Playing);
    EXPECT_EQ(r.title, "Canción");
    EXPECT_EQ(r.artist, "Uno, Dos");
    EXPECT_EQ(r.positionUs, 42'000'000);
    EXPECT_EQ(r.lengthUs, 180'000'000);
    EXPECT_EQ(r.trackId, "/t/1");
    EXPECT_TRUE(hung.calls.contains(QStringLiteral("GetAll")));
}

TEST_F(MprisPlayersBusTest, CommandsReachThePlayerAndAnnouncementsAreHeard)
{
    FakePlayer good(QStringLiteral("org.mpris.MediaPlayer2.good"), false);
    MprisPlayers players;
    int announced = 0;
    players.onChanged = [&] { ++announced; };
    players.playPause("org.mpris.MediaPlayer2.good");
    bool seeked = false;
    players.setPosition("org.mpris.MediaPlayer2.good", "/t/1", 60'000'000, 42'000'000, [&] { seeked = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return seeked; }, 3000));
    EXPECT_TRUE(good.calls.contains(QStringLiteral("PlayPause")));
    EXPECT_EQ(good.setPosition, 60'000'000);
    good.announce();
    EXPECT_TRUE(QTest::qWaitFor([&] { return announced > 0; }, 3000));
}
