// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/sidepanels/SidePanelController.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace brisa {

class NowPlayingService;
class NotchController;

/// The now-playing card as it draws: the service's track, and whether the card is out (the panel
/// is open and something plays). While the card is in, the running position is not passed on, so
/// a hidden card costs no redraws.
class NowPlayingViewModel : public QObject, public SidePanelContent {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the application around its NowPlayingService")
    Q_PROPERTY(bool shown READ shown NOTIFY shownChanged)
    Q_PROPERTY(bool hasMedia READ hasMedia NOTIFY trackChanged)
    Q_PROPERTY(QString title READ title NOTIFY trackChanged)
    Q_PROPERTY(QString artist READ artist NOTIFY trackChanged)
    Q_PROPERTY(bool playing READ playing NOTIFY playingChanged)
    /// Seconds.
    Q_PROPERTY(double position READ position NOTIFY positionChanged)
    Q_PROPERTY(double duration READ duration NOTIFY positionChanged)
    /// The played share, 0…1 (0 without a duration).
    Q_PROPERTY(double fraction READ fraction NOTIFY positionChanged)
    /// The cover, decoded and scaled down, as a data URL; empty when there is none.
    Q_PROPERTY(QString artwork READ artwork NOTIFY artworkChanged)

public:
    /// Covers are scaled to fit this many pixels a side before they reach the view.
    static constexpr int kArtworkPixels = 520;

    /// service and notch must outlive the model.
    NowPlayingViewModel(NowPlayingService& service, NotchController& notch, QObject* parent = nullptr);

    bool shown() const { return shown_; }
    bool hasMedia() const;
    QString title() const;
    QString artist() const;
    bool playing() const;
    double position() const;
    double duration() const;
    double fraction() const;
    QString artwork() const { return artwork_; }

    // The card beside the open panel, while something plays.
    Rect frameFor(const Rect& screen, Size expandedSize) const override;
    bool hasContent() const override { return hasMedia(); }

    Q_INVOKABLE void togglePlayPause();
    Q_INVOKABLE void nextTrack();
    Q_INVOKABLE void previousTrack();
    Q_INVOKABLE void seek(double fraction);

Q_SIGNALS:
    void shownChanged();
    void trackChanged();
    void playingChanged();
    void positionChanged();
    void artworkChanged();

private:
    void updateShown();
    void decodeArtwork();

    NowPlayingService& service_;
    NotchController& notch_;
    bool shown_ = false;
    /// A position change came while the card was in: passed on when it comes out.
    bool positionStale_ = false;
    QString artwork_;
};

} // namespace brisa
