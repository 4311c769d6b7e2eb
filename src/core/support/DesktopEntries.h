// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

/// A desktop entry value with its backslash escapes (\s \n \t \r \\) replaced; any other escape,
/// such as Exec's own quoting (\" \$ \`), is left as it stands.
std::string unescapeDesktopValue(std::string_view value);

/// The installed applications' .desktop files, indexed to turn a window's WM_CLASS into the name
/// the user knows ("org.gnome.TextEditor" -> "Editor de texto").
class DesktopEntries {
public:
    /// One application entry.
    struct Entry {
        std::string id;             ///< desktop file id without ".desktop" ("org.gnome.TextEditor")
        std::string name;           ///< Name, localized when the file has a translation
        std::string startupWMClass; ///< empty when the file names none
        std::string icon;           ///< Icon: a theme icon name or an absolute file path; empty when none
    };

    /// $XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS entry's applications folder (default
    /// /usr/local/share:/usr/share), in precedence order; relative entries are ignored.
    static std::vector<std::filesystem::path> applicationDirs();

    /// Reads every .desktop file under the folders (subfolders give ids like "kde4-foo"). For the same
    /// id the earlier folder wins; "Hidden=true" removes an id. Names are taken in the given locale
    /// ("es" by default, Brisa speaks Spanish): Name[es_ES], Name[es], then Name, as XDG matches them.
    static DesktopEntries scan(const std::vector<std::filesystem::path>& dirs, std::string_view locale = "es");

    /// The application of a window class: the entry whose StartupWMClass is exactly wmClass, else the
    /// one whose StartupWMClass, then whose id, equals it ignoring ASCII case; nullptr when none.
    const Entry* find(std::string_view wmClass) const;
    /// The name of find(wmClass), or nullopt.
    std::optional<std::string> nameFor(std::string_view wmClass) const;

    std::size_t size() const { return entries_.size(); }
    /// Every entry, in precedence order.
    const std::vector<Entry>& entries() const { return entries_; }

    /// Parses one .desktop file's text; nullopt when it is not a shown application with a name.
    static std::optional<Entry> parse(std::string_view text, std::string id, std::string_view locale = "es");

private:
    std::vector<Entry> entries_; // precedence order
    std::map<std::string, std::size_t, std::less<>> byWMClass_;
    std::map<std::string, std::size_t, std::less<>> byLowerWMClass_;
    std::map<std::string, std::size_t, std::less<>> byLowerId_;
};

} // namespace brisa
