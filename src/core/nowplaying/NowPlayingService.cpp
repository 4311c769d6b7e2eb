// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/nowplaying/NowPlayingService.h"

#include <algorithm>
#include <cmath>

namespace brisa {
namespace {

constexpr std::string_view kBusPrefix = "org.mpris.MediaPlayer2.";
/// Several announcements in a row (a new track changes many properties) make one refresh.
constexpr Duration kChangeCoalesce{20};

/// "spotify" for "org.mpris.MediaPlayer2.spotify" and for its ".instance123" variants.
std::string_view playerId(std::string_view name)
{
    if (name.starts_with(kBusPrefix))
        name.remove_prefix(kBusPrefix.size());
    return name.substr(0, name.find('.'));
}

} // namespace

NowPlayingService::NowPlayingService(MediaPlayers& players, Scheduler& scheduler)
    : players_(players)
    , scheduler_(scheduler)
{
    std::weak_ptr<char> alive = alive_;
    players_.onChanged = [this, alive] {
        if (alive.expired() || refreshQueued_)
            return;
        refreshQueued_ = true;
        scheduler_.runAfter(kChangeCoalesce, [this, alive] {
            if (alive.expired())
                return;
            refreshQueued_ = false;
            fetchTrackInfo();
        });
    };
    pollTimer_ = scheduler_.repeat(kPollInterval, [this] { fetchTrackInfo(); });
    positionTimer_ = scheduler_.repeat(kPositionTick, [this] { tick(); });
    fetchTrackInfo();
}

NowPlayingService::~NowPlayingService()
{
    scheduler_.cancel(pollTimer_);
    scheduler_.cancel(positionTimer_);
    players_.onChanged = nullptr;
}

std::optional<PlayerReport> NowPlayingService::choosePlayer(const MediaPlayers::Reports& reports)
{
    using Status = PlayerReport::Status;
    for (const auto& r : reports)
        if (playerId(r.name) == kPreferredPlayer && r.status != Status::Stopped)
            return r;
    for (Status wanted : {Status::Playing, Status::Paused})
        for (const auto& r : reports)
            if (r.status == wanted)
                return r;
    return std::nullopt;
}

TrackInfo NowPlayingService::trackInfo(const PlayerReport& report)
{
    TrackInfo info;
    info.title = report.title;
    info.artist = report.artist;
    info.artworkURL = report.artUrl;
    info.isPlaying = report.status == PlayerReport::Status::Playing;
    // A negative length or position is a player's way of saying it does not know.
    info.position = std::max<std::int64_t>(report.positionUs, 0) / 1e6;
    info.duration = std::max<std::int64_t>(report.lengthUs, 0) / 1e6;
    return info;
}

void NowPlayingService::fetchTrackInfo()
{
    const auto generation = ++queryGeneration_;
    std::weak_ptr<char> alive = alive_;
    players_.query([this, alive, generation](MediaPlayers::Reports reports) {
        // Only the latest question counts: an older answer that comes late would undo a newer one.
        if (alive.expired() || generation != queryGeneration_)
            return;
        apply(choosePlayer(reports));
    });
}

void NowPlayingService::apply(const std::optional<PlayerReport>& report)
{
    if (!report) {
        player_.clear();
        trackId_.clear();
        clearTrack();
        return;
    }
    player_ = report->name;
    trackId_ = report->trackId;
    applyTrackInfo(trackInfo(*report));
}

void NowPlayingService::clearTrack()
{
    const bool hadTrack = hasMedia();
    const bool wasPlaying = isPlaying_;
    const bool hadPosition = position_ != 0 || duration_ != 0;
    title_.clear();
    artist_.clear();
    isPlaying_ = false;
    position_ = 0;
    duration_ = 0;
    if (hadTrack)
        changed_.emit(Field::Track);
    if (wasPlaying)
        changed_.emit(Field::Playing);
    if (hadPosition)
        changed_.emit(Field::Position);
}

void NowPlayingService::applyTrackInfo(const TrackInfo& info)
{
    const bool trackChanged = info.title != title_ || info.artist != artist_;
    const bool playingChanged = info.isPlaying != isPlaying_;
    const double oldPosition = position_;
    const double oldDuration = duration_;
    title_ = info.title;
    artist_ = info.artist;
    isPlaying_ = info.isPlaying;
    duration_ = info.duration;
    // Players do not announce the position as it runs: between answers it is advanced here, and
    // an answer only moves it when it is clearly off (a seek, a new track).
    if (trackChanged || std::abs(position_ - info.position) > kResyncThreshold)
        position_ = info.position;
    if (trackChanged)
        changed_.emit(Field::Track);
    if (playingChanged)
        changed_.emit(Field::Playing);
    if (position_ != oldPosition || duration_ != oldDuration)
        changed_.emit(Field::Position);

    if (info.artworkURL == lastArtworkURL_ && (!trackChanged || !info.artworkURL.empty()))
        return;
    lastArtworkURL_ = info.artworkURL;
    const bool hadArtwork = artwork_ != nullptr;
    artwork_.reset();
    ++artworkGeneration_;
    if (hadArtwork)
        changed_.emit(Field::Artwork);
    if (!info.artworkURL.empty())
        fetchArtwork(info.artworkURL);
}

void NowPlayingService::fetchArtwork(const std::string& url)
{
    const auto generation = artworkGeneration_;
    std::weak_ptr<char> alive = alive_;
    players_.fetchArtwork(url, kMaxArtworkBytes, [this, alive, generation](std::optional<MediaPlayers::Bytes> bytes) {
        // A cover that arrives after the track moved on belongs to no one.
        if (alive.expired() || generation != artworkGeneration_ || !bytes || bytes->empty())
            return;
        artwork_ = std::make_shared<const MediaPlayers::Bytes>(std::move(*bytes));
        changed_.emit(Field::Artwork);
    });
}

void NowPlayingService::tick()
{
    if (!isPlaying_ || duration_ <= 0)
        return;
    const double next = std::min(position_ + kPositionTick.count() / 1000.0, duration_);
    if (next == position_)
        return;
    position_ = next;
    changed_.emit(Field::Position);
}

void NowPlayingService::refreshAfter(Duration delay)
{
    std::weak_ptr<char> alive = alive_;
    scheduler_.runAfter(delay, [this, alive] {
        if (!alive.expired())
            fetchTrackInfo();
    });
}

void NowPlayingService::togglePlayPause()
{
    if (!player_.empty())
        players_.playPause(player_);
    refreshAfter(kPlayPauseRefresh);
}

void NowPlayingService::nextTrack()
{
    if (!player_.empty())
        players_.next(player_);
    refreshAfter(kSkipRefresh);
}

void NowPlayingService::previousTrack()
{
    if (!player_.empty())
        players_.previous(player_);
    refreshAfter(kSkipRefresh);
}

void NowPlayingService::seek(double fraction)
{
    if (duration_ <= 0)
        return;
    if (!(fraction == fraction))
        fraction = 0;
    const double target = std::clamp(fraction, 0.0, 1.0) * duration_;
    const double before = position_;
    position_ = target;
    changed_.emit(Field::Position);
    if (player_.empty())
        return;
    // Players are asked for whole seconds, truncated.
    const auto seconds = static_cast<std::int64_t>(std::trunc(target));
    std::weak_ptr<char> alive = alive_;
    players_.setPosition(player_, trackId_, seconds * 1'000'000, static_cast<std::int64_t>(before * 1e6),
                         [this, alive] {
                             if (!alive.expired())
                                 fetchTrackInfo();
                         });
}

} // namespace brisa
