// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MediaPlayers.h"

#include <map>
#include <string>
#include <vector>

namespace brisa::test {

/// Players a test sets up by hand. Queries and artwork wait until the test answers them, so a
/// test can keep a player "hung", answer out of order, or answer at once with autoAnswer.
class FakeMediaPlayers final : public MediaPlayers {
public:
    /// What a query answers.
    Reports players;
    /// Artwork by URL; a URL not listed cannot be read.
    std::map<std::string, Bytes> artwork;
    /// Answer queries and artwork at once instead of keeping them pending.
    bool autoAnswer = true;

    std::vector<std::function<void(Reports)>> pendingQueries;
    std::vector<std::function<void()>> pendingSeeks;
    /// Every command sent, as "playPause NAME", "next NAME", "setPosition NAME TRACK US CURRENT".
    std::vector<std::string> commands;
    std::vector<std::string> artworkRequests;
    int queries = 0;

    void query(std::function<void(Reports)> done) override
    {
        ++queries;
        if (autoAnswer)
            done(players);
        else
            pendingQueries.push_back(std::move(done));
    }
    /// Answers the oldest pending query with what players holds now.
    void answerQuery(std::size_t index = 0)
    {
        auto done = pendingQueries.at(index);
        pendingQueries.erase(pendingQueries.begin() + static_cast<long>(index));
        done(players);
    }
    void playPause(const std::string& player) override { commands.push_back("playPause " + player); }
    void next(const std::string& player) override { commands.push_back("next " + player); }
    void previous(const std::string& player) override { commands.push_back("previous " + player); }
    void setPosition(const std::string& player, const std::string& trackId, std::int64_t targetUs,
                     std::int64_t currentUs, std::function<void()> done) override
    {
        commands.push_back("setPosition " + player + " " + trackId + " " + std::to_string(targetUs) + " " +
                           std::to_string(currentUs));
        pendingSeeks.push_back(std::move(done));
    }
    void fetchArtwork(const std::string& url, std::size_t maxBytes,
                      std::function<void(std::optional<Bytes>)> done) override
    {
        artworkRequests.push_back(url);
        const auto it = artwork.find(url);
        if (it == artwork.end() || it->second.size() > maxBytes)
            done(std::nullopt);
        else
            done(it->second);
    }
    /// A player announces a change.
    void announce()
    {
        if (onChanged)
            onChanged();
    }
};

/// A player's report with the usual fields set.
inline PlayerReport playerReport(std::string name, PlayerReport::Status status, std::string title = "Canción",
                                 std::string artist = "Artista", std::int64_t positionUs = 0,
                                 std::int64_t lengthUs = 200'000'000, std::string artUrl = {})
{
    PlayerReport r;
    r.name = "org.mpris.MediaPlayer2." + std::move(name);
    r.status = status;
    r.title = std::move(title);
    r.artist = std::move(artist);
    r.positionUs = positionUs;
    r.lengthUs = lengthUs;
    r.artUrl = std::move(artUrl);
    r.trackId = "/org/mpris/MediaPlayer2/Track/1";
    return r;
}

} // namespace brisa::test
