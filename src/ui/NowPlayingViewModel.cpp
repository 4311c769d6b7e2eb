// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/NowPlayingViewModel.h"

#include "core/notch/NotchController.h"
#include "core/nowplaying/NowPlayingService.h"
#include "core/sidepanels/SidePanelGeometry.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>

namespace brisa {

NowPlayingViewModel::NowPlayingViewModel(NowPlayingService& service, NotchController& notch, QObject* parent)
    : QObject(parent)
    , service_(service)
    , notch_(notch)
{
    service_.onChanged([this](NowPlayingService::Field field) {
        switch (field) {
        case NowPlayingService::Field::Track:
            Q_EMIT trackChanged();
            updateShown();
            break;
        case NowPlayingService::Field::Playing:
            Q_EMIT playingChanged();
            break;
        case NowPlayingService::Field::Position:
            if (shown_)
                Q_EMIT positionChanged();
            else
                positionStale_ = true;
            break;
        case NowPlayingService::Field::Artwork:
            decodeArtwork();
            break;
        }
    });
    notch_.onChanged([this](NotchController::Flag flag) {
        if (flag == NotchController::Flag::Expanded)
            updateShown();
    });
    shown_ = notch_.expanded() && service_.hasMedia();
    decodeArtwork();
}

void NowPlayingViewModel::updateShown()
{
    const bool shown = notch_.expanded() && service_.hasMedia();
    if (shown == shown_)
        return;
    shown_ = shown;
    if (shown_ && std::exchange(positionStale_, false))
        Q_EMIT positionChanged();
    Q_EMIT shownChanged();
}

bool NowPlayingViewModel::hasMedia() const { return service_.hasMedia(); }

Rect NowPlayingViewModel::frameFor(const Rect& screen, Size expandedSize) const
{
    return SidePanelGeometry::nowPlayingFrame(screen, expandedSize);
}
QString NowPlayingViewModel::title() const { return QString::fromStdString(service_.title()); }
QString NowPlayingViewModel::artist() const { return QString::fromStdString(service_.artist()); }
bool NowPlayingViewModel::playing() const { return service_.isPlaying(); }
double NowPlayingViewModel::position() const { return service_.position(); }
double NowPlayingViewModel::duration() const { return service_.duration(); }

double NowPlayingViewModel::fraction() const
{
    const double d = service_.duration();
    return d > 0 ? std::clamp(service_.position() / d, 0.0, 1.0) : 0.0;
}

void NowPlayingViewModel::togglePlayPause() { service_.togglePlayPause(); }
void NowPlayingViewModel::nextTrack() { service_.nextTrack(); }
void NowPlayingViewModel::previousTrack() { service_.previousTrack(); }

void NowPlayingViewModel::seek(double fraction)
{
    service_.seek(fraction);
    // Shown at once where the pointer let go, even if the service's position did not move.
    Q_EMIT positionChanged();
}

void NowPlayingViewModel::decodeArtwork()
{
    QString url;
    if (const auto& bytes = service_.artwork()) {
        QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes->data()),
                                                  static_cast<qsizetype>(bytes->size()));
        QBuffer buffer(&data);
        QImageReader reader(&buffer);
        // Decoded straight to the size shown: a huge cover never becomes a huge image.
        const QSize size = reader.size();
        if (size.isValid() && std::max(size.width(), size.height()) > kArtworkPixels)
            reader.setScaledSize(size.scaled(kArtworkPixels, kArtworkPixels, Qt::KeepAspectRatio));
        const QImage image = reader.read();
        if (!image.isNull()) {
            QByteArray png;
            QBuffer out(&png);
            out.open(QIODevice::WriteOnly);
            image.save(&out, "PNG");
            url = QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
        }
    }
    if (url == artwork_)
        return;
    artwork_ = url;
    Q_EMIT artworkChanged();
}

} // namespace brisa
