// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace brisa {

/// $XDG_CONFIG_HOME, else ~/.config.
std::filesystem::path xdgConfigHome();
/// $XDG_DATA_HOME, else ~/.local/share.
std::filesystem::path xdgDataHome();
/// $HOME, else the password database's home directory.
std::filesystem::path homeDirectory();

} // namespace brisa
