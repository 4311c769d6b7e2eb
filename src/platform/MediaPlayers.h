// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brisa {

/// What one media player reports about itself and its current track.
struct PlayerReport {
    enum class Status { Stopped, Playing, Paused };

    /// The player's name on the bus, unique among the players (for example "org.mpris.MediaPlayer2.mpv").
    std::string name{};
    Status status = Status::Stopped;
    std::string title{};
    /// The track's artists, joined by ", ".
    std::string artist{};
    /// Where the cover art is: a file:, http(s): or data: URL; empty when none.
    std::string artUrl{};
    /// The track's identity, as setting the position needs it; empty when the player gives none.
    std::string trackId{};
    std::int64_t positionUs = 0;
    std::int64_t lengthUs = 0;

    bool operator==(const PlayerReport&) const = default;
};

/// The desktop's media players. Every call returns at once; answers come later on the main
/// thread, so a slow or hung player never holds the caller up.
class MediaPlayers {
public:
    using Reports = std::vector<PlayerReport>;
    using Bytes = std::vector<std::uint8_t>;

    virtual ~MediaPlayers() = default;

    /// Asks every player for its state; done runs once with the answers of those that replied in
    /// time (players that did not, or answered nonsense, are left out), in the order of their names.
    virtual void query(std::function<void(Reports)> done) = 0;
    /// Toggles between playing and paused.
    virtual void playPause(const std::string& player) = 0;
    virtual void next(const std::string& player) = 0;
    virtual void previous(const std::string& player) = 0;
    /// Moves the track to targetUs; currentUs is where it is now (for players that can only seek
    /// relative to it). done runs once the player has answered or given up.
    virtual void setPosition(const std::string& player, const std::string& trackId, std::int64_t targetUs,
                             std::int64_t currentUs, std::function<void()> done) = 0;
    /// Reads the picture at url (file:, http(s): or data:); nullopt when it cannot be read or is
    /// larger than maxBytes.
    virtual void fetchArtwork(const std::string& url, std::size_t maxBytes,
                              std::function<void(std::optional<Bytes>)> done) = 0;

    /// Runs when a player announced a change: its properties, a seek, a player that came or went.
    std::function<void()> onChanged;
};

} // namespace brisa
