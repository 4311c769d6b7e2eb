// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

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

} // namespace brisa
