// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/MprisPlayers.h"

#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

#include <gtest/gtest.h>

using namespace brisa;
using Status = PlayerReport::Status;

namespace {

QVariantMap metadata(QVariant title, QVariant artist, QVariant length)
{
    return {{QStringLiteral("xesam:title"), title},
            {QStringLiteral("xesam:artist"), artist},
            {QStringLiteral("mpris:length"), length},
            {QStringLiteral("mpris:artUrl"), QStringLiteral("file:///tmp/c.png")},
            {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/mpris/t/7")))}};
}

QVariant properties(QVariant status, QVariant position, QVariant meta)
{
    return QVariantMap{{QStringLiteral("PlaybackStatus"), status},
                       {QStringLiteral("Position"), position},
                       {QStringLiteral("Metadata"), meta}};
}

} // namespace

TEST(MprisPlayers, PropertiesAsAReportWithWrongTypesLeftOut)
{
    const QString name = QStringLiteral("org.mpris.MediaPlayer2.mpv");
    struct Case {
        const char* what;
        QVariant props;
        PlayerReport expected;
    };
    PlayerReport full{"org.mpris.MediaPlayer2.mpv", Status::Playing, "Canción", "Uno, Dos", "file:///tmp/c.png",
                      "/org/mpris/t/7", 1'500'000, 200'000'000};
    PlayerReport garbled = full;
    garbled.status = Status::Stopped;
    garbled.title.clear();
    garbled.artist.clear();
    garbled.positionUs = 0;
    garbled.lengthUs = 0;
    PlayerReport bare{"org.mpris.MediaPlayer2.mpv", Status::Paused};
    PlayerReport oneArtist = full;
    oneArtist.artist = "Solo";
    oneArtist.lengthUs = 3'000'000;
    const std::vector<Case> cases = {
        {"as the interface says",
         properties(QStringLiteral("Playing"), qlonglong(1'500'000),
                    metadata(QStringLiteral("Canción"), QStringList{QStringLiteral("Uno"), QStringLiteral("Dos")},
                             qlonglong(200'000'000))),
         full},
        {"wrong types",
         properties(42, QStringLiteral("soon"), metadata(7, 3.5, QStringLiteral("long"))), garbled},
        {"a single artist as a string, a length as a double",
         properties(QStringLiteral("Playing"), qulonglong(1'500'000),
                    metadata(QStringLiteral("Canción"), QStringLiteral("Solo"), 3e6)),
         oneArtist},
        {"metadata that is no map", properties(QStringLiteral("Paused"), QVariant(), 12), bare},
    };
    for (const auto& c : cases) {
        const auto report = MprisPlayers::reportFromProperties(name, c.props);
        ASSERT_TRUE(report) << c.what;
        EXPECT_EQ(*report, c.expected) << c.what;
    }
    EXPECT_FALSE(MprisPlayers::reportFromProperties(name, QStringLiteral("not a map")));
}

TEST(MprisPlayers, DataUrlsDecodedWithinTheCap)
{
    using Bytes = MediaPlayers::Bytes;
    struct Case {
        const char* url;
        std::size_t cap;
        std::optional<Bytes> bytes;
    };
    const std::vector<Case> cases = {
        {"data:image/png;base64,AQID", 100, Bytes{1, 2, 3}},
        {"data:image/png;base64,AQID", 2, std::nullopt},
        {"data:text/plain,a%20b", 100, Bytes{'a', ' ', 'b'}},
        {"data:image/png;base64,!!!!", 100, std::nullopt},
        {"data:image/png;base64", 100, std::nullopt},
        {"data:image/png;base64,", 100, std::nullopt},
        {"file:///x", 100, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MprisPlayers::decodeDataUrl(QByteArray(c.url), c.cap), c.bytes) << c.url;
    // A huge one is refused from its length alone.
    const QByteArray huge = "data:image/png;base64," + QByteArray(60 * 1024 * 1024, 'A');
    EXPECT_FALSE(MprisPlayers::decodeDataUrl(huge, 8 * 1024 * 1024));
}
