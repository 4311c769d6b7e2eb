// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/stores/TileTint.h"
#include "core/support/Uuid.h"

#include <optional>
#include <string>

namespace brisa {

/// One tile of the launcher beside the panel.
struct LauncherApp {
    /// Not persisted: a new one on every load.
    Uuid id{};
    std::string name{};
    /// Run through the shell when the tile has no bundle path; may be empty.
    std::string command{};
    /// The application opened by the tile (a .desktop file or an executable).
    std::optional<std::string> bundlePath{};
    /// Application name used only to find an icon.
    std::optional<std::string> appNameForIcon{};
    /// Symbol shown when no icon is found.
    std::string symbol{"app.dashed"};
    /// Not persisted.
    TileTint tint{TileTint::SystemBlue};

    bool operator==(const LauncherApp&) const = default;
};

} // namespace brisa
