// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/launcher/DesktopExec.h"

#include "core/support/DesktopEntries.h"
#include "core/support/Utf8.h"

#include <fstream>
#include <sstream>

namespace brisa {
namespace {

/// One argument as split from the line, before its field codes are replaced.
struct RawArgument {
    std::string text;
    bool quoted = false;
};

std::optional<std::vector<RawArgument>> splitArguments(std::string_view line)
{
    std::vector<RawArgument> args;
    std::optional<RawArgument> current;
    bool inQuotes = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else if (c == '\\' && i + 1 < line.size()) {
                // Inside quotes a backslash escapes the next character.
                current->text.push_back(line[++i]);
            } else {
                current->text.push_back(c);
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n') {
            if (current)
                args.push_back(std::move(*current));
            current.reset();
            continue;
        }
        if (!current)
            current.emplace();
        if (c == '"') {
            inQuotes = true;
            current->quoted = true;
        } else if (c == '\\' && i + 1 < line.size()) {
            current->text.push_back(line[++i]);
        } else {
            current->text.push_back(c);
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (current)
        args.push_back(std::move(*current));
    return args;
}

} // namespace

std::optional<DesktopLaunchEntry> parseDesktopLaunchEntry(std::string_view text)
{
    DesktopLaunchEntry entry;
    bool inMain = false;
    bool application = true;
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto trimmed = trimBlanks(line);
        if (trimmed.empty() || trimmed.front() == '#')
            continue;
        if (trimmed.front() == '[') {
            inMain = trimmed == "[Desktop Entry]";
            continue;
        }
        const auto eq = trimmed.find('=');
        if (!inMain || eq == std::string_view::npos)
            continue;
        const auto key = trimBlanks(trimmed.substr(0, eq));
        const std::string value = unescapeDesktopValue(trimBlanks(trimmed.substr(eq + 1)));
        if (key == "Name")
            entry.name = value;
        else if (key == "Exec")
            entry.exec = value;
        else if (key == "Icon")
            entry.icon = value;
        else if (key == "Path")
            entry.path = value;
        else if (key == "Terminal")
            entry.terminal = value == "true";
        else if (key == "Type")
            application = value == "Application";
    }
    if (!application || entry.exec.empty() || !isValidUtf8(entry.exec))
        return std::nullopt;
    return entry;
}

std::optional<DesktopLaunchEntry> readDesktopLaunchEntry(const std::filesystem::path& file)
{
    // Regular files only, and not all of a huge one: a FIFO would block, a device never end.
    constexpr std::streamsize maxBytes = 1 << 20;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(maxBytes), '\0');
    in.read(text.data(), maxBytes);
    text.resize(static_cast<std::size_t>(in.gcount()));
    return parseDesktopLaunchEntry(text);
}

std::optional<std::vector<std::string>> expandExec(std::string_view exec, const DesktopLaunchEntry& entry,
                                                   std::string_view location)
{
    const auto raw = splitArguments(exec);
    if (!raw)
        return std::nullopt;
    std::vector<std::string> argv;
    for (const auto& arg : *raw) {
        if (!arg.quoted && arg.text == "%i") {
            if (!entry.icon.empty()) {
                argv.emplace_back("--icon");
                argv.push_back(entry.icon);
            }
            continue;
        }
        std::string out;
        bool hadCode = false;
        for (std::size_t i = 0; i < arg.text.size(); ++i) {
            if (arg.text[i] != '%' || i + 1 == arg.text.size()) {
                out.push_back(arg.text[i]);
                continue;
            }
            const char code = arg.text[++i];
            if (code == '%') {
                out.push_back('%');
                continue;
            }
            hadCode = true;
            if (code == 'c')
                out += entry.name;
            else if (code == 'k')
                out += location;
            // %f %F %u %U (no files given), %i inside a word, the deprecated and unknown ones: nothing.
        }
        if (out.empty() && hadCode && !arg.quoted)
            continue;
        argv.push_back(std::move(out));
    }
    if (argv.empty() || argv.front().empty())
        return std::nullopt;
    return argv;
}

std::string joinArguments(const std::vector<std::string>& argv)
{
    std::string out;
    for (const auto& arg : argv) {
        if (!out.empty())
            out.push_back(' ');
        if (!arg.empty() && arg.find_first_of(" \t\"'\\$`") == std::string::npos) {
            out += arg;
            continue;
        }
        out.push_back('"');
        for (char c : arg) {
            if (c == '"' || c == '\\' || c == '$' || c == '`')
                out.push_back('\\');
            out.push_back(c);
        }
        out.push_back('"');
    }
    return out;
}

} // namespace brisa
