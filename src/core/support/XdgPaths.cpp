// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace brisa {
namespace {

std::filesystem::path fromEnv(const char* name, const char* fallbackUnderHome)
{
    // The XDG spec says relative values are invalid and must be ignored.
    if (const char* v = std::getenv(name); v && *v == '/')
        return v;
    return homeDirectory() / fallbackUnderHome;
}

} // namespace

std::filesystem::path homeDirectory()
{
    if (const char* h = std::getenv("HOME"); h && *h)
        return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

std::filesystem::path xdgConfigHome() { return fromEnv("XDG_CONFIG_HOME", ".config"); }
std::filesystem::path xdgDataHome() { return fromEnv("XDG_DATA_HOME", ".local/share"); }

std::vector<std::filesystem::path> xdgDataDirs()
{
    std::vector<std::filesystem::path> dirs;
    const char* env = std::getenv("XDG_DATA_DIRS");
    std::string_view list = env && *env ? env : "/usr/local/share:/usr/share";
    while (!list.empty()) {
        const auto colon = list.find(':');
        const std::string_view entry = list.substr(0, colon);
        if (!entry.empty() && entry.front() == '/') // relative entries are invalid
            dirs.emplace_back(entry);
        if (colon == std::string_view::npos)
            break;
        list.remove_prefix(colon + 1);
    }
    return dirs;
}

} // namespace brisa
