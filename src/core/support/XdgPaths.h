// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <vector>

namespace brisa {

/// $XDG_CONFIG_HOME, else ~/.config.
std::filesystem::path xdgConfigHome();
/// $XDG_DATA_HOME, else ~/.local/share.
std::filesystem::path xdgDataHome();
/// The absolute entries of $XDG_DATA_DIRS, else /usr/local/share and /usr/share, in order.
std::vector<std::filesystem::path> xdgDataDirs();
/// $HOME, else the password database's home directory.
std::filesystem::path homeDirectory();

} // namespace brisa
