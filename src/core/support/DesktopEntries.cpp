// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/DesktopEntries.h"

#include "core/support/XdgPaths.h"

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace brisa {
namespace {

namespace fs = std::filesystem;

// Bounds that keep a strange data folder (a huge tree, a huge file) from stalling the first lookup.
constexpr std::uintmax_t kMaxFileBytes = 256 * 1024;
constexpr std::size_t kMaxFilesPerDir = 20'000;
constexpr int kMaxDepth = 6;
constexpr std::string_view kSuffix = ".desktop";

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerAscii(std::string_view s)
{
    std::string out(s);
    for (auto& c : out)
        c = asciiLower(c);
    return out;
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool isValidUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c < 0x80)
            n = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            n = 1;
        else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else
            return false;
        if (n > 0 && i + n >= s.size())
            return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if (b < low || b > high)
                return false;
            low = 0x80;
            high = 0xBF;
        }
        i += n + 1;
    }
    return true;
}

// "Name[...]" keys to try for a locale lang_COUNTRY.ENCODING@MODIFIER, best first, then "Name".
std::vector<std::string> nameKeys(std::string_view locale)
{
    std::string_view modifier;
    if (auto at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at + 1);
        locale = locale.substr(0, at);
    }
    if (auto dot = locale.find('.'); dot != std::string_view::npos)
        locale = locale.substr(0, dot);
    std::string_view lang = locale, country;
    if (auto us = locale.find('_'); us != std::string_view::npos) {
        lang = locale.substr(0, us);
        country = locale.substr(us + 1);
    }
    std::vector<std::string> keys;
    const auto add = [&](std::string tag) { keys.push_back("Name[" + tag + "]"); };
    if (!lang.empty()) {
        if (!country.empty() && !modifier.empty())
            add(std::string(lang) + "_" + std::string(country) + "@" + std::string(modifier));
        if (!country.empty())
            add(std::string(lang) + "_" + std::string(country));
        if (!modifier.empty())
            add(std::string(lang) + "@" + std::string(modifier));
        add(std::string(lang));
    }
    keys.emplace_back("Name");
    return keys;
}

std::optional<std::string> readSmallFile(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return std::nullopt;
    const auto size = fs::file_size(path, ec);
    if (ec || size > kMaxFileBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Desktop file ids under dir, with their files, sorted by id for a stable order.
std::map<std::string, fs::path> filesIn(const fs::path& dir)
{
    std::map<std::string, fs::path> files;
    std::error_code ec;
    fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    for (std::size_t seen = 0; !ec && it != fs::recursive_directory_iterator() && seen < kMaxFilesPerDir;
         it.increment(ec), ++seen) {
        if (it.depth() >= kMaxDepth)
            it.disable_recursion_pending();
        const fs::path& path = it->path();
        const std::string name = path.filename().string();
        if (name.size() <= kSuffix.size() || !name.ends_with(kSuffix))
            continue;
        std::string id = path.lexically_relative(dir).string();
        id.resize(id.size() - kSuffix.size());
        for (auto& c : id)
            if (c == '/')
                c = '-';
        files.emplace(std::move(id), path);
    }
    return files;
}

} // namespace

std::string unescapeDesktopValue(std::string_view v)
{
    std::string out;
    out.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        switch (v[++i]) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default: out += '\\'; out += v[i]; break;
        }
    }
    return out;
}

std::vector<fs::path> DesktopEntries::applicationDirs()
{
    std::vector<fs::path> dirs;
    dirs.push_back(xdgDataHome() / "applications");
    for (const auto& dir : xdgDataDirs())
        dirs.push_back(dir / "applications");
    return dirs;
}

std::optional<DesktopEntries::Entry> DesktopEntries::parse(std::string_view text, std::string id,
                                                           std::string_view locale)
{
    const auto keys = nameKeys(locale);
    std::vector<std::optional<std::string>> names(keys.size());
    Entry entry;
    entry.id = std::move(id);
    bool inMainGroup = false;
    bool seenMainGroup = false;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        const std::string_view line = trimBlanks(text.substr(0, eol));
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (seenMainGroup && inMainGroup)
                break; // the group ended; nothing further is read
            inMainGroup = line == "[Desktop Entry]";
            seenMainGroup = seenMainGroup || inMainGroup;
            continue;
        }
        if (!inMainGroup)
            continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = trimBlanks(line.substr(0, eq));
        const std::string value = unescapeDesktopValue(trimBlanks(line.substr(eq + 1)));
        if (!isValidUtf8(value))
            continue;
        if (key == "Type" && value != "Application")
            return std::nullopt;
        if (key == "Hidden" && value == "true")
            return std::nullopt;
        if (key == "StartupWMClass")
            entry.startupWMClass = value;
        if (key == "Icon")
            entry.icon = value;
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (key == keys[i] && !names[i])
                names[i] = value;
    }
    for (auto& name : names)
        if (name && !name->empty()) {
            entry.name = std::move(*name);
            return entry;
        }
    return std::nullopt;
}

DesktopEntries DesktopEntries::scan(const std::vector<fs::path>& dirs, std::string_view locale)
{
    DesktopEntries index;
    std::set<std::string, std::less<>> seenIds;
    for (const auto& dir : dirs) {
        for (auto& [id, path] : filesIn(dir)) {
            // The first folder that has an id owns it, even when its file hides or breaks the entry.
            if (!seenIds.insert(id).second)
                continue;
            const auto text = readSmallFile(path);
            if (!text)
                continue;
            auto entry = parse(*text, id, locale);
            if (!entry)
                continue;
            const std::size_t at = index.entries_.size();
            if (!entry->startupWMClass.empty()) {
                index.byWMClass_.emplace(entry->startupWMClass, at);
                index.byLowerWMClass_.emplace(lowerAscii(entry->startupWMClass), at);
            }
            index.byLowerId_.emplace(lowerAscii(entry->id), at);
            index.entries_.push_back(std::move(*entry));
        }
    }
    return index;
}

const DesktopEntries::Entry* DesktopEntries::find(std::string_view wmClass) const
{
    if (wmClass.empty())
        return nullptr;
    if (auto it = byWMClass_.find(wmClass); it != byWMClass_.end())
        return &entries_[it->second];
    const std::string lower = lowerAscii(wmClass);
    // Entries spell the class as they like: KeePassXC's says "keepassxc" for the class "KeePassXC".
    if (auto it = byLowerWMClass_.find(lower); it != byLowerWMClass_.end())
        return &entries_[it->second];
    if (auto it = byLowerId_.find(lower); it != byLowerId_.end())
        return &entries_[it->second];
    return nullptr;
}

std::optional<std::string> DesktopEntries::nameFor(std::string_view wmClass) const
{
    if (const Entry* e = find(wmClass))
        return e->name;
    return std::nullopt;
}

} // namespace brisa
