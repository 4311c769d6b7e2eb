// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paste/TerminalClasses.h"

#include "core/settings/UserDefaults.h"

#include <algorithm>

namespace brisa {

const std::vector<std::string>& defaultTerminalClasses()
{
    static const std::vector<std::string> classes = {
        "xterm=shift+insert", "uxterm=shift+insert", "gnome-terminal", "gnome-terminal-server", "konsole",
        "kitty",          "alacritty",      "tilix",          "xfce4-terminal",        "wezterm",
        "org.wezfurlong.wezterm", "terminator", "urxvt=shift+insert", "rxvt=shift+insert", "st",
        "st-256color",    "foot",           "footclient",     "lxterminal",            "mate-terminal",
        "qterminal",      "kgx",            "org.gnome.Console", "terminology",        "sakura",
        "guake",          "tilda",          "yakuake",        "cool-retro-term",       "deepin-terminal",
        "ptyxis",         "org.gnome.Ptyxis", "blackbox",     "com.raggesilver.BlackBox", "contour",
        "ghostty",        "com.mitchellh.ghostty", "rio",     "x-terminal-emulator",
    };
    return classes;
}

std::vector<std::string> terminalClasses(const UserDefaults& defaults)
{
    const auto value = defaults.value(kTerminalClassesKey);
    if (!value || !value->is_array())
        return defaultTerminalClasses();
    std::vector<std::string> classes;
    for (const auto& entry : *value)
        if (entry.is_string())
            classes.push_back(entry.get<std::string>());
    return classes;
}

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    const auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
           });
}

/// The entry naming windowClass, split into its class and its chord name (empty when it names none).
const std::string* findEntry(std::string_view windowClass, const std::vector<std::string>& classes,
                             std::string_view& chord)
{
    for (const auto& entry : classes) {
        const std::string_view whole = entry;
        const auto eq = whole.find('=');
        if (sameIgnoringCase(whole.substr(0, eq), windowClass)) {
            chord = eq == std::string_view::npos ? std::string_view{} : whole.substr(eq + 1);
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

bool isTerminalClass(std::string_view windowClass, const std::vector<std::string>& classes)
{
    std::string_view chord;
    return findEntry(windowClass, classes, chord) != nullptr;
}

PasteChord pasteChordFor(std::string_view windowClass, const std::vector<std::string>& classes)
{
    std::string_view chord;
    if (!findEntry(windowClass, classes, chord))
        return PasteChord::ControlV;
    return chordFromName(chord).value_or(PasteChord::ControlShiftV);
}
} // namespace brisa
