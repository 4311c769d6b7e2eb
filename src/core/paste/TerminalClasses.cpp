// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paste/TerminalClasses.h"

#include "core/settings/UserDefaults.h"

#include <algorithm>

namespace brisa {

const std::vector<std::string>& defaultTerminalClasses()
{
    static const std::vector<std::string> classes = {
        "xterm",          "uxterm",         "gnome-terminal", "gnome-terminal-server", "konsole",
        "kitty",          "alacritty",      "tilix",          "xfce4-terminal",        "wezterm",
        "org.wezfurlong.wezterm", "terminator", "urxvt",      "rxvt",                  "st",
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

bool isTerminalClass(std::string_view windowClass, const std::vector<std::string>& classes)
{
    const auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
    return std::any_of(classes.begin(), classes.end(), [&](const std::string& c) {
        return c.size() == windowClass.size() &&
               std::equal(c.begin(), c.end(), windowClass.begin(),
                          [&](char a, char b) { return lower(static_cast<unsigned char>(a)) ==
                                                       lower(static_cast<unsigned char>(b)); });
    });
}

} // namespace brisa
