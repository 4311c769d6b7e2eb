// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/UserDefaults.h"
#include "core/stores/LauncherApp.h"
#include "core/support/Signal.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

/// The launcher's tiles, kept as one JSON array under "launcherApps".
class LauncherStore {
public:
    static constexpr std::string_view key = "launcherApps";
    /// At most this many tiles are added through add().
    static constexpr std::size_t maxTiles = 6;

    /// Loads the tiles; a missing or unreadable value gives the seed list. Writes nothing.
    explicit LauncherStore(UserDefaults& defaults);

    /// The tiles used when nothing valid is stored: none. A seed tile would have to name a program
    /// every desktop has; the app puts this desktop's browser and file manager in through
    /// replaceSeed() once it has found them.
    static std::vector<LauncherApp> seedList();

    const std::vector<LauncherApp>& apps() const { return apps_; }
    /// True while the tiles are the seed list: nothing valid was stored and nothing changed since.
    bool seeded() const { return seeded_; }
    /// Puts tiles suited to this desktop in place of the seed list, while seeded(); writes nothing,
    /// as the seed list is not written either.
    void replaceSeed(std::vector<LauncherApp> apps);

    /// Appends a tile for bundlePath (a .desktop file or an executable), named after it, unless
    /// there are maxTiles tiles already or a tile has this very path.
    void add(const std::string& bundlePath);
    /// Removes every tile with app's id and saves.
    void remove(const LauncherApp& app);
    /// Writes the tiles.
    void save();

    /// Number of tiles, plus one for the add tile while there is room for more.
    std::size_t tileCount() const;

    /// f runs after every change of the tiles.
    void onChanged(std::function<void()> f) { changed_.connect(std::move(f)); }

private:
    UserDefaults& defaults_;
    std::vector<LauncherApp> apps_;
    bool seeded_ = false;
    Signal<> changed_;
};

/// The name a tile for path shows: a .desktop file's Name entry (or its file name without the
/// extension), else the file name; with every ".app" removed.
std::string launcherDisplayName(const std::string& path);

} // namespace brisa
