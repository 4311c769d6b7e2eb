// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

/// What starting a desktop entry needs from its [Desktop Entry] group.
struct DesktopLaunchEntry {
    std::string name{};
    /// The Exec value as written (its string escapes already undone).
    std::string exec{};
    std::string icon{};
    /// The working folder (Path); empty for none.
    std::string path{};
    bool terminal = false;
    bool operator==(const DesktopLaunchEntry&) const = default;
};

/// Reads an application entry's launch keys (untranslated); nullopt when the file cannot be read,
/// is not an Application, or has no Exec.
std::optional<DesktopLaunchEntry> readDesktopLaunchEntry(const std::filesystem::path& file);
/// The same from a file's text.
std::optional<DesktopLaunchEntry> parseDesktopLaunchEntry(std::string_view text);

/// The program and arguments of an Exec line, started with no files: quoting undone, and the field
/// codes replaced (%i by --icon and the icon, %c by the name, %k by the entry's location, %% by a
/// percent sign; the file and URL codes, the deprecated ones and unknown ones by nothing, an
/// argument that was only such codes left out). nullopt when the line is malformed (an open quote)
/// or names no program.
std::optional<std::vector<std::string>> expandExec(std::string_view exec, const DesktopLaunchEntry& entry,
                                                   std::string_view location);

/// The argument list as one line for messages: arguments with blanks or quotes are quoted.
std::string joinArguments(const std::vector<std::string>& argv);

} // namespace brisa
