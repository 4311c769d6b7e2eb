// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/UserDefaults.h"

#include "core/support/AtomicFile.h"
#include "core/support/Log.h"
#include "core/support/XdgPaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace brisa {
namespace {

/// The deepest nesting of arrays and objects in text, counting no further than limit + 1. A scan
/// of its own: the parser would build (and the writer re-write recursively) whatever it is given.
std::size_t nestingDepth(std::string_view text, std::size_t limit)
{
    std::size_t depth = 0;
    std::size_t deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
            if (deepest > limit)
                break;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

/// Reads the settings file into text. nullopt when it was read; an empty text when there is no
/// file; otherwise why the file cannot be used. Opening never blocks: a FIFO or a device at the
/// path would otherwise hang the start.
std::optional<std::string> readSettingsFile(const std::filesystem::path& file, std::string& text)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::string();
        if (errno == ENXIO || errno == ENODEV) // a socket or a device without a reader behind it
            return std::string("no es un archivo normal");
        logf("No se pudo leer {}: {}; se usan los valores por defecto", file.string(), std::strerror(errno));
        return std::string();
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return std::string("no es un archivo normal");
    if (static_cast<std::uint64_t>(info.st_size) > UserDefaults::kMaxFileBytes)
        return fmt::format("ocupa más de {} KB", UserDefaults::kMaxFileBytes / 1024);
    text.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            logf("No se pudo leer {}: {}; se usan los valores por defecto", file.string(), std::strerror(errno));
            text.clear();
            return std::string();
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    if (nestingDepth(text, UserDefaults::kMaxNesting) > UserDefaults::kMaxNesting)
        return fmt::format("anida más de {} niveles", UserDefaults::kMaxNesting);
    return std::nullopt;
}

/// What goes aside is the user's, and may hold what they copied: only they may read it.
void makePrivate(const std::filesystem::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode))
        ::chmod(path.c_str(), S_ISDIR(info.st_mode) ? 0700 : 0600);
}

} // namespace

UserDefaults::UserDefaults(std::filesystem::path file, const Clock& clock)
    : file_(std::move(file))
{
    // A folder made by an older version or by hand may be readable by everyone.
    if (!file_.parent_path().empty())
        ::chmod(file_.parent_path().c_str(), 0700);

    std::string text;
    auto problem = readSettingsFile(file_, text);
    if (!problem) {
        auto parsed = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
        if (parsed.is_object()) {
            values_ = std::move(parsed);
            return;
        }
        problem = "no es JSON válido";
    }
    if (!problem->empty()) { // empty: nothing there, a first start
        moveAside(clock, *problem);
        fresh_ = true;
        return;
    }
    std::error_code ec;
    fresh_ = !std::filesystem::exists(file_, ec) && !ec; // not a file we could not read this time
}

bool UserDefaults::moveAside(const Clock& clock, const std::string& problem)
{
    auto aside = file_;
    aside += ".corrupt-" + fileTimeStamp(clock.now());
    std::error_code ec;
    std::filesystem::rename(file_, aside, ec);
    if (ec) {
        // Could not move it: keep it in memory-only mode rather than overwrite the user's file.
        logf("{} {} y no se pudo apartar ({}); los ajustes no se guardarán", file_.string(), problem, ec.message());
        file_.clear();
        return false;
    }
    makePrivate(aside);
    logf("{} {}; apartado como {}; se usan los valores por defecto", file_.string(), problem,
         aside.filename().string());
    return true;
}

std::filesystem::path UserDefaults::defaultFile() { return xdgConfigHome() / "Brisa" / "defaults.json"; }

std::optional<nlohmann::json> UserDefaults::value(std::string_view key) const
{
    auto it = values_.find(key);
    if (it == values_.end())
        return std::nullopt;
    return *it;
}

bool UserDefaults::contains(std::string_view key) const { return values_.contains(key); }

void UserDefaults::set(std::string_view key, nlohmann::json value)
{
    values_[std::string(key)] = std::move(value);
    save();
}

void UserDefaults::remove(std::string_view key)
{
    auto it = values_.find(key);
    if (it == values_.end())
        return;
    values_.erase(it);
    save();
}

std::string UserDefaults::serialized() const
{
    // Replace invalid UTF-8 instead of throwing: a bad string must never cost the other settings.
    // Values are written as they are, without indentation: a value Brisa does not own comes back
    // out the size it went in.
    std::string out = "{";
    const char* separator = "\n";
    for (const auto& [key, value] : values_.items()) {
        out += separator;
        out += "  ";
        out += nlohmann::json(key).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        out += ": ";
        out += value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        separator = ",\n";
    }
    out += values_.empty() ? "}\n" : "\n}\n";
    return out;
}

void UserDefaults::save()
{
    if (file_.empty())
        return;
    if (auto err = writeFileAtomically(file_, serialized(), 0600))
        logf("No se pudieron guardar los ajustes: {}", *err);
}

} // namespace brisa
