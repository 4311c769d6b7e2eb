// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace brisa {

/// Starts Brisa at login through an XDG autostart entry, and retires the one Pinbox installed.
/// The desktop session reads $XDG_CONFIG_HOME/autostart when the user logs in, so writing or
/// removing the file is all there is to do: nothing has to be loaded into or unloaded from a
/// service manager now.
class LoginItem {
public:
    /// configHome is usually xdgConfigHome(); executable the absolute path of the running brisa.
    /// searchPath is the PATH the entry's program is looked up in; without it, $PATH when written.
    LoginItem(std::filesystem::path configHome, std::filesystem::path executable,
              std::optional<std::string> searchPath = std::nullopt);

    /// Writes the own entry when enabled, removes it when disabled (a missing file is fine).
    void setEnabled(bool enabled) const;
    /// Removes Pinbox's entry if there is one; writes ours when there was none, so a user who had
    /// Pinbox start at login keeps a clipboard manager at login.
    void dropLegacyAgent() const;
    /// Writes the own entry atomically and logs the outcome; true on success.
    bool writeEntry() const;

    /// $XDG_CONFIG_HOME/autostart/brisa.desktop
    std::filesystem::path ownEntryPath() const;
    /// $XDG_CONFIG_HOME/autostart/pinbox.desktop
    std::filesystem::path legacyEntryPath() const;

private:
    std::filesystem::path autostartDir_;
    std::filesystem::path executable_;
    std::optional<std::string> searchPath_;
};

/// The text of the own entry, or an error text when the path cannot be written into an Exec line
/// (relative, not UTF-8, or holding a control character the format cannot carry).
struct DesktopEntryText {
    std::optional<std::string> text{};
    std::string error{};
};
/// Exec names the program bare when searchPath finds this very executable under its name (an
/// installed Brisa), so a later upgrade or move by the package manager keeps the entry working;
/// otherwise (a build folder, another brisa found first) by its absolute path.
DesktopEntryText autostartEntryText(const std::filesystem::path& executable, std::string_view searchPath = {});

/// The first executable regular file called name in a colon-separated PATH list; relative and
/// empty entries are skipped, as the folder a desktop session starts programs in is unknown.
std::optional<std::filesystem::path> findOnPath(std::string_view name, std::string_view searchPath);

/// One Exec argument as the Desktop Entry format wants it: quoted when it holds a reserved
/// character, with the quoting and string-value escapes applied, and '%' doubled. nullopt for a
/// string that is not UTF-8 or holds a control character other than tab, newline or return.
std::optional<std::string> desktopExecArgument(std::string_view argument);

/// The running program from /proc/self/exe; a binary replaced on disk since it started (an
/// upgrade) reads as "... (deleted)", which names the new file once the suffix is dropped.
std::optional<std::filesystem::path> runningExecutable();

} // namespace brisa
