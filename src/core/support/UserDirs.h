// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace brisa {

/// The user's well-known folders as the desktop names them in $XDG_CONFIG_HOME/user-dirs.dirs,
/// e.g. XDG_PICTURES_DIR="$HOME/Imágenes".
namespace UserDirs {

/// The entries of a user-dirs.dirs text, keyed by variable name ("XDG_PICTURES_DIR"). Values are
/// double-quoted, may start with "$HOME" and may escape a character with a backslash; values that
/// are not absolute after "$HOME" expansion are dropped (the desktop would not use them either).
/// A later line for the same name wins.
std::map<std::string, std::filesystem::path> parse(std::string_view text, const std::filesystem::path& home);

/// The folder named by key in configHome/user-dirs.dirs; nullopt when the file or the entry is
/// missing or unusable.
std::optional<std::filesystem::path> lookup(std::string_view key, const std::filesystem::path& configHome,
                                            const std::filesystem::path& home);

/// lookup() under xdgConfigHome() and homeDirectory().
std::optional<std::filesystem::path> lookup(std::string_view key);

} // namespace UserDirs
} // namespace brisa
