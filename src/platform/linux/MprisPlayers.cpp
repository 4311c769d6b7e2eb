// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/MprisPlayers.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <memory>

namespace brisa {
namespace {

constexpr const char* kPath = "/org/mpris/MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";

/// A map of the bus, whether Qt has already turned it into one or still holds it marshalled.
std::optional<QVariantMap> asMap(const QVariant& value)
{
    if (value.typeId() == QMetaType::QVariantMap)
        return value.toMap();
    if (value.canConvert<QDBusArgument>()) {
        const auto arg = value.value<QDBusArgument>();
        if (arg.currentSignature() == QStringLiteral("a{sv}"))
            return qdbus_cast<QVariantMap>(arg);
    }
    return std::nullopt;
}

QString text(const QVariant& value) { return value.typeId() == QMetaType::QString ? value.toString() : QString(); }

/// Players send lengths and positions as any integer type, some as doubles.
std::optional<std::int64_t> integer(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return value.toLongLong();
    case QMetaType::ULongLong:
        return static_cast<std::int64_t>(std::min<qulonglong>(value.toULongLong(), INT64_MAX));
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (!std::isfinite(d) || std::abs(d) > 9e18)
            return std::nullopt;
        return static_cast<std::int64_t>(d);
    }
    default:
        return std::nullopt;
    }
}

std::string artists(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    if (value.typeId() == QMetaType::QString) // not what the interface says, but players send it
        return value.toString().toStdString();
    if (value.canConvert<QDBusArgument>()) {
        const auto arg = value.value<QDBusArgument>();
        if (arg.currentSignature() == QStringLiteral("as"))
            return qdbus_cast<QStringList>(arg).join(QStringLiteral(", ")).toStdString();
    }
    return {};
}

QDBusMessage playerCall(const std::string& player, const char* method)
{
    return QDBusMessage::createMethodCall(QString::fromStdString(player), kPath, kPlayerInterface,
                                          QString::fromLatin1(method));
}

/// Collects the players' answers; done runs when the last one is in (or has timed out).
struct Gather {
    std::vector<std::optional<PlayerReport>> reports;
    std::size_t remaining = 0;
    std::function<void(MediaPlayers::Reports)> done;

    void finishOne()
    {
        if (--remaining > 0)
            return;
        MediaPlayers::Reports out;
        for (auto& r : reports)
            if (r)
                out.push_back(std::move(*r));
        done(std::move(out));
    }
};

} // namespace

MprisPlayers::MprisPlayers(QObject* parent)
    : QObject(parent)
{
    auto bus = QDBusConnection::sessionBus();
    // From any sender: players are told apart when they are asked, not here.
    bus.connect(QString(), kPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                SLOT(propertiesChanged(QDBusMessage)));
    bus.connect(QString(), kPath, kPlayerInterface, QStringLiteral("Seeked"), this, SLOT(seeked(QDBusMessage)));
    bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                SLOT(nameOwnerChanged(QString, QString, QString)));
}

MprisPlayers::~MprisPlayers() = default;

void MprisPlayers::announce()
{
    if (onChanged)
        onChanged();
}

void MprisPlayers::propertiesChanged(const QDBusMessage& message)
{
    const auto args = message.arguments();
    if (!args.isEmpty() && text(args.first()) == QLatin1String(kPlayerInterface))
        announce();
}

void MprisPlayers::seeked(const QDBusMessage&) { announce(); }

void MprisPlayers::nameOwnerChanged(const QString& name, const QString&, const QString&)
{
    if (name.startsWith(QLatin1String(kBusPrefix)))
        announce();
}

std::optional<PlayerReport> MprisPlayers::reportFromProperties(const QString& name, const QVariant& properties)
{
    const auto props = asMap(properties);
    if (!props)
        return std::nullopt;
    PlayerReport report;
    report.name = name.toStdString();
    const QString status = text(props->value(QStringLiteral("PlaybackStatus")));
    report.status = status == QLatin1String("Playing")  ? PlayerReport::Status::Playing
                    : status == QLatin1String("Paused") ? PlayerReport::Status::Paused
                                                        : PlayerReport::Status::Stopped;
    report.positionUs = integer(props->value(QStringLiteral("Position"))).value_or(0);
    if (const auto metadata = asMap(props->value(QStringLiteral("Metadata")))) {
        report.title = text(metadata->value(QStringLiteral("xesam:title"))).toStdString();
        report.artist = artists(metadata->value(QStringLiteral("xesam:artist")));
        report.artUrl = text(metadata->value(QStringLiteral("mpris:artUrl"))).toStdString();
        report.lengthUs = integer(metadata->value(QStringLiteral("mpris:length"))).value_or(0);
        const QVariant track = metadata->value(QStringLiteral("mpris:trackid"));
        report.trackId = track.canConvert<QDBusObjectPath>() && track.typeId() != QMetaType::QString
                             ? track.value<QDBusObjectPath>().path().toStdString()
                             : text(track).toStdString();
    }
    return report;
}

void MprisPlayers::query(std::function<void(Reports)> done)
{
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QTimer::singleShot(0, this, [done = std::move(done)] { done({}); });
        return;
    }
    const auto list = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                     QStringLiteral("/org/freedesktop/DBus"),
                                                     QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(list, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, done = std::move(done)](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        QStringList names;
        if (reply.isValid())
            for (const QString& name : reply.value())
                if (name.startsWith(QLatin1String(kBusPrefix)))
                    names.push_back(name);
        names.sort();
        if (names.isEmpty()) {
            done({});
            return;
        }
        auto gather = std::make_shared<Gather>();
        gather->reports.resize(static_cast<std::size_t>(names.size()));
        gather->remaining = gather->reports.size();
        gather->done = done;
        auto bus = QDBusConnection::sessionBus();
        for (qsizetype i = 0; i < names.size(); ++i) {
            auto getAll = QDBusMessage::createMethodCall(names[i], kPath, kProperties, QStringLiteral("GetAll"));
            getAll << QString::fromLatin1(kPlayerInterface);
            auto* call = new QDBusPendingCallWatcher(bus.asyncCall(getAll, kCallTimeoutMs), this);
            connect(call, &QDBusPendingCallWatcher::finished, this,
                    [gather, name = names[i], index = static_cast<std::size_t>(i)](QDBusPendingCallWatcher* c) {
                        c->deleteLater();
                        const QDBusMessage answer = c->reply();
                        if (answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty())
                            gather->reports[index] = reportFromProperties(name, answer.arguments().first());
                        gather->finishOne();
                    });
        }
    });
}

void MprisPlayers::call(const std::string& player, const char* method, const QVariantList& args,
                        std::function<void()> done)
{
    auto message = playerCall(player, method);
    message.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [done = std::move(done)](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (done)
            done();
    });
}

void MprisPlayers::playPause(const std::string& player) { call(player, "PlayPause"); }
void MprisPlayers::next(const std::string& player) { call(player, "Next"); }
void MprisPlayers::previous(const std::string& player) { call(player, "Previous"); }

void MprisPlayers::setPosition(const std::string& player, const std::string& trackId, std::int64_t targetUs,
                               std::int64_t currentUs, std::function<void()> done)
{
    const QString track = QString::fromStdString(trackId);
    const bool validTrack = track.startsWith(QLatin1Char('/')) && track != QLatin1String("/org/mpris/MediaPlayer2/TrackList/NoTrack");
    if (!validTrack) {
        // Without a track id only a relative seek is possible.
        call(player, "Seek", {QVariant::fromValue<qlonglong>(targetUs - currentUs)}, std::move(done));
        return;
    }
    auto message = playerCall(player, "SetPosition");
    message.setArguments({QVariant::fromValue(QDBusObjectPath(track)), QVariant::fromValue<qlonglong>(targetUs)});
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, player, targetUs, currentUs, done = std::move(done)](QDBusPendingCallWatcher* w) mutable {
                w->deleteLater();
                if (w->isError())
                    call(player, "Seek", {QVariant::fromValue<qlonglong>(targetUs - currentUs)}, std::move(done));
                else if (done)
                    done();
            });
}

std::optional<MediaPlayers::Bytes> MprisPlayers::decodeDataUrl(const QByteArray& url, std::size_t maxBytes)
{
    if (!url.startsWith("data:"))
        return std::nullopt;
    const auto comma = url.indexOf(',');
    if (comma < 0)
        return std::nullopt;
    const QByteArray header = url.mid(5, comma - 5);
    const QByteArray payload = url.mid(comma + 1);
    // Refused before decoding: the encoded form is never smaller than three quarters of it.
    if (static_cast<std::size_t>(payload.size()) / 4 * 3 > maxBytes + 3)
        return std::nullopt;
    QByteArray bytes;
    if (header.endsWith(";base64")) {
        auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromPercentEncoding(payload),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        bytes = *decoded;
    } else {
        bytes = QByteArray::fromPercentEncoding(payload);
    }
    if (bytes.isEmpty() || static_cast<std::size_t>(bytes.size()) > maxBytes)
        return std::nullopt;
    return Bytes(bytes.begin(), bytes.end());
}

void MprisPlayers::fetchArtwork(const std::string& url, std::size_t maxBytes,
                                std::function<void(std::optional<Bytes>)> done)
{
    const QByteArray raw = QByteArray::fromStdString(url);
    const QUrl parsed(QString::fromStdString(url));
    auto later = [this, &done](std::optional<Bytes> bytes) {
        // Always answered from the event loop, as a download is.
        QTimer::singleShot(0, this, [done = std::move(done), bytes = std::move(bytes)]() mutable { done(std::move(bytes)); });
    };
    if (raw.startsWith("data:")) {
        later(decodeDataUrl(raw, maxBytes));
        return;
    }
    if (parsed.isLocalFile()) {
        QFile file(parsed.toLocalFile());
        const QFileInfo info(file);
        if (!info.isFile() || static_cast<std::size_t>(info.size()) > maxBytes || !file.open(QIODevice::ReadOnly)) {
            later(std::nullopt);
            return;
        }
        const QByteArray bytes = file.read(static_cast<qint64>(maxBytes) + 1);
        later(bytes.isEmpty() || static_cast<std::size_t>(bytes.size()) > maxBytes
                  ? std::nullopt
                  : std::optional<Bytes>(Bytes(bytes.begin(), bytes.end())));
        return;
    }
    const QString scheme = parsed.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        later(std::nullopt);
        return;
    }
    if (!network_)
        network_ = new QNetworkAccessManager(this);
    QNetworkRequest request(parsed);
    request.setTransferTimeout(kDownloadTimeoutMs);
    QNetworkReply* reply = network_->get(request);
    auto tooLarge = std::make_shared<bool>(false);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, maxBytes, tooLarge](qint64 received, qint64 total) {
        if (static_cast<std::size_t>(std::max(received, total)) > maxBytes && !*tooLarge) {
            *tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [reply, maxBytes, tooLarge, done = std::move(done)] {
        reply->deleteLater();
        if (*tooLarge || reply->error() != QNetworkReply::NoError) {
            done(std::nullopt);
            return;
        }
        const QByteArray bytes = reply->readAll();
        if (bytes.isEmpty() || static_cast<std::size_t>(bytes.size()) > maxBytes)
            done(std::nullopt);
        else
            done(Bytes(bytes.begin(), bytes.end()));
    });
}

} // namespace brisa
