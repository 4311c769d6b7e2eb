// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stores/LauncherStore.h"

#include "core/stores/JsonText.h"
#include "core/support/DesktopEntries.h"
#include "core/support/Utf8.h"
#include "core/support/Log.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

namespace brisa {

namespace {

// A missing or null member gives the fallback; any other type is an error.
bool optionalString(const nlohmann::json& object, const char* name, std::optional<std::string>& out)
{
    auto it = object.find(name);
    if (it == object.end() || it->is_null()) {
        out.reset();
        return true;
    }
    if (!it->is_string())
        return false;
    out = it->get<std::string>();
    return true;
}

// All or nothing: one bad element makes the whole stored list unreadable.
std::optional<std::vector<LauncherApp>> decodeApps(const nlohmann::json& array)
{
    if (!array.is_array())
        return std::nullopt;
    std::vector<LauncherApp> apps;
    apps.reserve(array.size());
    for (const auto& element : array) {
        if (!element.is_object())
            return std::nullopt;
        auto name = stringMember(element, "name");
        if (!name)
            return std::nullopt;
        LauncherApp app;
        app.id = Uuid::random();
        app.name = *name;
        std::optional<std::string> command, symbol;
        if (!optionalString(element, "command", command) || !optionalString(element, "symbol", symbol)
            || !optionalString(element, "bundlePath", app.bundlePath)
            || !optionalString(element, "appNameForIcon", app.appNameForIcon))
            return std::nullopt;
        app.command = command.value_or("");
        app.symbol = symbol.value_or("app.dashed");
        apps.push_back(std::move(app));
    }
    return apps;
}

nlohmann::json encode(const LauncherApp& app)
{
    nlohmann::json object{{"name", app.name}, {"command", app.command}, {"symbol", app.symbol}};
    if (app.bundlePath)
        object["bundlePath"] = *app.bundlePath;
    if (app.appNameForIcon)
        object["appNameForIcon"] = *app.appNameForIcon;
    return object;
}

// The untranslated Name of the [Desktop Entry] group; nullopt when the file has none or is unreadable.
std::optional<std::string> desktopEntryName(const std::filesystem::path& file)
{
    // A path to a FIFO or a device would block or never end: read regular files only, and not all of a huge one.
    constexpr std::size_t maxBytes = 1 << 20;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string line;
    std::size_t read = 0;
    bool inMainGroup = false;
    while (read < maxBytes && std::getline(in, line)) {
        read += line.size() + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        auto text = trimBlanks(line);
        if (text.empty() || text.front() == '#')
            continue;
        if (text.front() == '[') {
            inMainGroup = text == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        auto eq = text.find('=');
        if (eq == std::string_view::npos || trimBlanks(text.substr(0, eq)) != "Name")
            continue;
        auto unescaped = unescapeDesktopValue(trimBlanks(text.substr(eq + 1)));
        auto value = trimBlanks(unescaped);
        if (value.empty())
            return std::nullopt;
        return validUtf8(value);
    }
    return std::nullopt;
}

std::string removeEveryApp(std::string name)
{
    // One pass from left to right, as a replace-all does: "x..appapp" keeps "x.app".
    std::string out;
    std::size_t from = 0;
    for (auto at = name.find(".app"); at != std::string::npos; at = name.find(".app", from)) {
        out.append(name, from, at - from);
        from = at + 4;
    }
    out.append(name, from);
    return out;
}

} // namespace

std::string launcherDisplayName(const std::string& path)
{
    auto trimmed = std::string_view(path);
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.remove_suffix(1);
    std::filesystem::path p(trimmed);
    std::string name;
    if (p.extension() == ".desktop")
        name = desktopEntryName(p).value_or(p.stem().string());
    else
        name = p.filename().string();
    return removeEveryApp(validUtf8(name));
}

LauncherStore::LauncherStore(UserDefaults& defaults)
    : defaults_(defaults)
{
    std::optional<std::vector<LauncherApp>> apps;
    if (auto stored = readJsonText(defaults_, key))
        apps = decodeApps(*stored);
    seeded_ = !apps;
    apps_ = apps ? std::move(*apps) : seedList();
}

void LauncherStore::replaceSeed(std::vector<LauncherApp> apps)
{
    if (!seeded_)
        return;
    if (apps.size() > maxTiles)
        apps.resize(maxTiles);
    apps_ = std::move(apps);
    changed_.emit();
}

std::vector<LauncherApp> LauncherStore::seedList() { return {}; }

void LauncherStore::add(const std::string& bundlePath)
{
    if (apps_.size() >= maxTiles || bundlePath.empty())
        return;
    if (!isValidUtf8(bundlePath)) {
        // It could not be stored as it is and read back, and a changed path would open nothing.
        logLine("No se añade al lanzador una ruta que no es UTF-8 válido");
        return;
    }
    if (std::any_of(apps_.begin(), apps_.end(), [&](const LauncherApp& a) { return a.bundlePath == bundlePath; }))
        return;
    LauncherApp app;
    app.id = Uuid::random();
    app.name = launcherDisplayName(bundlePath);
    app.bundlePath = bundlePath;
    apps_.push_back(std::move(app));
    save();
    changed_.emit();
}

void LauncherStore::remove(const LauncherApp& app)
{
    std::erase_if(apps_, [&](const LauncherApp& a) { return a.id == app.id; });
    save();
    changed_.emit();
}

void LauncherStore::save()
{
    seeded_ = false;
    auto array = nlohmann::json::array();
    for (const auto& app : apps_)
        array.push_back(encode(app));
    writeJsonText(defaults_, key, array);
}

std::size_t LauncherStore::tileCount() const { return apps_.size() + (apps_.size() < maxTiles ? 1 : 0); }

} // namespace brisa
