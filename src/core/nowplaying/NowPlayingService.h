// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"
#include "core/support/Signal.h"
#include "platform/MediaPlayers.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisa {

/// The current track of the one player worth showing, as the now-playing card reads it.
struct TrackInfo {
    std::string title{};
    std::string artist{};
    std::string artworkURL{};
    bool isPlaying = false;
    /// Seconds.
    double position = 0;
    double duration = 0;
    bool operator==(const TrackInfo&) const = default;
};

/// Knows what the desktop's media players are playing: it asks them every 3 s and at once when
/// one announces a change, advances the position itself between answers, fetches the cover art,
/// and sends them play/pause, next, previous and seeks. Main thread only; timers on the scheduler.
class NowPlayingService {
public:
    static constexpr Duration kPollInterval{3000};
    static constexpr Duration kPositionTick{500};
    /// A poll moves the locally advanced position only when it is this far off (seconds).
    static constexpr double kResyncThreshold = 2.5;
    static constexpr Duration kPlayPauseRefresh{300};
    static constexpr Duration kSkipRefresh{500};
    /// Covers larger than this are not shown.
    static constexpr std::size_t kMaxArtworkBytes = 8 * 1024 * 1024;
    /// The player asked first when it has a track, by the last part of its bus name.
    static constexpr const char* kPreferredPlayer = "spotify";

    enum class Field { Track, Playing, Position, Artwork };

    /// players must outlive the service. Starts the timers and one refresh at once.
    NowPlayingService(MediaPlayers& players, Scheduler& scheduler);
    ~NowPlayingService();
    NowPlayingService(const NowPlayingService&) = delete;
    NowPlayingService& operator=(const NowPlayingService&) = delete;

    const std::string& title() const { return title_; }
    const std::string& artist() const { return artist_; }
    bool isPlaying() const { return isPlaying_; }
    double position() const { return position_; }
    double duration() const { return duration_; }
    /// The cover's bytes as read (an encoded picture), or null; a new pointer for each new cover.
    const std::shared_ptr<const MediaPlayers::Bytes>& artwork() const { return artwork_; }
    /// True when there is a title or an artist.
    bool hasMedia() const { return !title_.empty() || !artist_.empty(); }
    /// The bus name of the player shown; empty when none.
    const std::string& player() const { return player_; }

    /// Asks the players now; the answer of the latest request is the one applied.
    void fetchTrackInfo();
    void togglePlayPause();
    void nextTrack();
    void previousTrack();
    /// Jumps to a fraction of the track (clamped to 0…1); nothing when the duration is 0.
    void seek(double fraction);

    /// f runs after each change of a field.
    void onChanged(std::function<void(Field)> f) { changed_.connect(std::move(f)); }

    /// The player to show among the answers: the preferred one when it has a track, else the
    /// first playing, else the first paused; nullopt when every player is stopped (or none answered).
    static std::optional<PlayerReport> choosePlayer(const MediaPlayers::Reports& reports);
    /// A player's report in the card's units.
    static TrackInfo trackInfo(const PlayerReport& report);

private:
    void tick();
    void apply(const std::optional<PlayerReport>& report);
    void applyTrackInfo(const TrackInfo& info);
    void clearTrack();
    void fetchArtwork(const std::string& url);
    void refreshAfter(Duration delay);

    MediaPlayers& players_;
    Scheduler& scheduler_;
    Signal<Field> changed_;

    std::string title_;
    std::string artist_;
    std::shared_ptr<const MediaPlayers::Bytes> artwork_;
    bool isPlaying_ = false;
    double position_ = 0;
    double duration_ = 0;
    std::string lastArtworkURL_;
    std::string player_;
    std::string trackId_;

    std::uint64_t queryGeneration_ = 0;
    std::uint64_t artworkGeneration_ = 0;
    bool refreshQueued_ = false;
    Scheduler::TaskId pollTimer_ = 0;
    Scheduler::TaskId positionTimer_ = 0;
    /// Expires with the service, so answers that come after it is gone are dropped.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace brisa
