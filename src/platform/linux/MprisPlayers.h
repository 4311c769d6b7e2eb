// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MediaPlayers.h"

#include <QObject>
#include <QString>

class QDBusMessage;
class QNetworkAccessManager;

namespace brisa {

/// The media players of the session bus (every org.mpris.MediaPlayer2.* name), asked and driven
/// through asynchronous calls with a timeout, so a hung player costs nothing but its answer.
class MprisPlayers final : public QObject, public MediaPlayers {
    Q_OBJECT
public:
    static constexpr const char* kBusPrefix = "org.mpris.MediaPlayer2.";
    /// How long a player may take to answer before it is left out.
    static constexpr int kCallTimeoutMs = 1000;
    /// How long a cover may take to download.
    static constexpr int kDownloadTimeoutMs = 10000;

    explicit MprisPlayers(QObject* parent = nullptr);
    ~MprisPlayers() override;

    void query(std::function<void(Reports)> done) override;
    void playPause(const std::string& player) override;
    void next(const std::string& player) override;
    void previous(const std::string& player) override;
    void setPosition(const std::string& player, const std::string& trackId, std::int64_t targetUs,
                     std::int64_t currentUs, std::function<void()> done) override;
    void fetchArtwork(const std::string& url, std::size_t maxBytes,
                      std::function<void(std::optional<Bytes>)> done) override;

    /// A player's properties (the a{sv} of org.mpris.MediaPlayer2.Player) as a report; values of
    /// the wrong type are left out. nullopt when it is not a map at all.
    static std::optional<PlayerReport> reportFromProperties(const QString& name, const QVariant& properties);
    /// The bytes of a data: URL (base64 or percent-encoded); nullopt when malformed or over maxBytes.
    static std::optional<Bytes> decodeDataUrl(const QByteArray& url, std::size_t maxBytes);

private Q_SLOTS:
    void propertiesChanged(const QDBusMessage& message);
    void seeked(const QDBusMessage& message);
    void nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    void call(const std::string& player, const char* method, const QVariantList& args = {},
              std::function<void()> done = {});
    void announce();

    QNetworkAccessManager* network_ = nullptr;
};

} // namespace brisa
