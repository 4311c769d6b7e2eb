// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/UserDirs.h"

#include "core/support/AtomicFile.h"
#include "core/support/XdgPaths.h"

namespace brisa::UserDirs {
namespace {

constexpr std::string_view kSpace = " \t\r";

std::string_view trimmed(std::string_view s)
{
    const auto first = s.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(kSpace) - first + 1);
}

/// The value of the right-hand side: quoted with backslash escapes, or bare up to the line's end.
std::optional<std::string> unquote(std::string_view rhs)
{
    if (rhs.empty() || rhs.front() != '"')
        return std::string(rhs); // a hand-edited bare value
    std::string out;
    for (std::size_t i = 1; i < rhs.size(); ++i) {
        const char c = rhs[i];
        if (c == '"')
            return out; // anything after the closing quote is ignored
        if (c == '\\' && i + 1 < rhs.size())
            out += rhs[++i];
        else
            out += c;
    }
    return std::nullopt; // no closing quote: a damaged line
}

std::optional<std::filesystem::path> expand(const std::string& value, const std::filesystem::path& home)
{
    constexpr std::string_view kHome = "$HOME";
    if (value.compare(0, kHome.size(), kHome) == 0) {
        const std::string rest = value.substr(kHome.size());
        if (rest.empty())
            return home;
        if (rest.front() != '/')
            return std::nullopt; // "$HOMEX/..." is another variable, which the file may not use
        const auto tail = rest.find_first_not_of('/');
        return tail == std::string::npos ? home : home / rest.substr(tail);
    }
    if (value.empty() || value.front() != '/')
        return std::nullopt;
    return std::filesystem::path(value);
}

} // namespace

std::map<std::string, std::filesystem::path> parse(std::string_view text, const std::filesystem::path& home)
{
    std::map<std::string, std::filesystem::path> dirs;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = trimmed(line.substr(0, eq));
        if (key.empty() || key.find_first_of(kSpace) != std::string_view::npos)
            continue;
        const auto value = unquote(trimmed(line.substr(eq + 1)));
        if (!value)
            continue;
        if (auto path = expand(*value, home))
            dirs[std::string(key)] = std::move(*path);
    }
    return dirs;
}

std::optional<std::filesystem::path> lookup(std::string_view key, const std::filesystem::path& configHome,
                                            const std::filesystem::path& home)
{
    const auto text = readWholeFile(configHome / "user-dirs.dirs");
    if (!text)
        return std::nullopt;
    const auto dirs = parse(*text, home);
    const auto it = dirs.find(std::string(key));
    if (it == dirs.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::filesystem::path> lookup(std::string_view key)
{
    return lookup(key, xdgConfigHome(), homeDirectory());
}

} // namespace brisa::UserDirs
