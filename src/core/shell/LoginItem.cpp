// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shell/LoginItem.h"

#include "core/support/Utf8.h"
#include "core/support/AtomicFile.h"
#include "core/support/Log.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace brisa {
namespace {

constexpr std::string_view ownEntryName = "brisa.desktop";
constexpr std::string_view legacyEntryName = "pinbox.desktop";

bool isReserved(char c)
{
    constexpr std::string_view reserved = " \t\n\r\"'\\><~|&;$*?#()`";
    return reserved.find(c) != std::string_view::npos;
}

// A directory entry is there even when it is a dangling symbolic link, which must go too.
bool entryExists(const fs::path& path)
{
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

} // namespace

std::optional<std::string> desktopExecArgument(std::string_view argument)
{
    if (!isValidUtf8(argument))
        return std::nullopt;
    bool quote = argument.empty();
    for (char c : argument) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t' && c != '\n' && c != '\r') || u == 0x7f)
            return std::nullopt;
        quote = quote || isReserved(c);
    }

    // First the Exec quoting rule, then the escapes every string value gets: a backslash written
    // by the quoting rule is doubled once more in the file.
    std::string out;
    if (quote)
        out += '"';
    for (char c : argument) {
        switch (c) {
        case '"':
        case '`':
        case '$':
            out += "\\\\";
            out += c;
            break;
        case '\\':
            out += "\\\\\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '%':
            out += "%%";
            break;
        default:
            out += c;
        }
    }
    if (quote)
        out += '"';
    return out;
}

std::optional<fs::path> findOnPath(std::string_view name, std::string_view searchPath)
{
    if (name.empty() || name.find('/') != std::string_view::npos)
        return std::nullopt;
    for (std::size_t start = 0; start <= searchPath.size();) {
        const auto colon = std::min(searchPath.find(':', start), searchPath.size());
        const fs::path dir(searchPath.substr(start, colon - start));
        start = colon + 1;
        if (!dir.is_absolute())
            continue;
        const auto candidate = dir / name;
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

DesktopEntryText autostartEntryText(const fs::path& executable, std::string_view searchPath)
{
    if (!executable.is_absolute())
        return {.error = "la ruta del programa no es absoluta: " + executable.string()};
    std::string program = executable.native();
    if (auto found = findOnPath(executable.filename().native(), searchPath)) {
        std::error_code ec;
        if (fs::equivalent(*found, executable, ec))
            program = executable.filename().native();
    }
    auto exec = desktopExecArgument(program);
    if (!exec)
        return {.error = "la ruta del programa no se puede escribir en una entrada .desktop"};
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.4\n"
                       "Name=Brisa\n"
                       "Exec=" + *exec + "\n"
                       "Terminal=false\n"
                       "X-GNOME-Autostart-enabled=true\n";
    return {.text = std::move(text)};
}

std::optional<fs::path> runningExecutable()
{
    std::array<char, 4096> buffer{};
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
        return std::nullopt;
    std::string path(buffer.data(), static_cast<std::size_t>(n));
    constexpr std::string_view deleted = " (deleted)";
    std::error_code ec;
    if (path.ends_with(deleted) && !fs::exists(path, ec))
        path.resize(path.size() - deleted.size());
    return fs::path(path);
}

LoginItem::LoginItem(fs::path configHome, fs::path executable, std::optional<std::string> searchPath)
    : autostartDir_(std::move(configHome) / "autostart"), executable_(std::move(executable)),
      searchPath_(std::move(searchPath))
{
}

fs::path LoginItem::ownEntryPath() const { return autostartDir_ / ownEntryName; }
fs::path LoginItem::legacyEntryPath() const { return autostartDir_ / legacyEntryName; }

bool LoginItem::writeEntry() const
{
    const char* envPath = std::getenv("PATH");
    const auto entry = autostartEntryText(executable_, searchPath_ ? *searchPath_ : envPath ? envPath : "");
    if (!entry.text) {
        logf("Error escribiendo la entrada de inicio automático: {}", entry.error);
        return false;
    }
    // 0644 like any autostart entry; the folder, when missing, is made private (0700).
    if (auto error = writeFileAtomically(ownEntryPath(), *entry.text, 0644)) {
        logf("Error escribiendo la entrada de inicio automático: {}", *error);
        return false;
    }
    logf("Entrada de inicio automático escrita en {}", ownEntryPath().string());
    return true;
}

void LoginItem::setEnabled(bool enabled) const
{
    if (enabled) {
        writeEntry();
        return;
    }
    std::error_code ec;
    fs::remove(ownEntryPath(), ec); // missing or not removable: nothing to report
}

void LoginItem::dropLegacyAgent() const
{
    if (!entryExists(legacyEntryPath()))
        return;
    const bool ownExisted = entryExists(ownEntryPath());
    std::error_code ec;
    fs::remove(legacyEntryPath(), ec);
    logLine("Entrada de inicio automático de Pinbox retirada");
    if (!ownExisted)
        writeEntry();
}

} // namespace brisa
