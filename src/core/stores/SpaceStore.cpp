// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stores/SpaceStore.h"

#include "core/stores/JsonText.h"
#include "core/support/Utf8.h"

#include <algorithm>
#include <optional>

namespace brisa {

namespace {

// All or nothing: one bad element makes the whole stored list unreadable.
std::optional<std::vector<ClipSpace>> decodeSpaces(const nlohmann::json& array)
{
    if (!array.is_array())
        return std::nullopt;
    std::vector<ClipSpace> spaces;
    spaces.reserve(array.size());
    for (const auto& element : array) {
        if (!element.is_object())
            return std::nullopt;
        auto id = stringMember(element, "id");
        auto name = stringMember(element, "name");
        auto symbol = stringMember(element, "symbol");
        if (!id || !name || !symbol)
            return std::nullopt;
        auto uuid = Uuid::parse(*id);
        if (!uuid)
            return std::nullopt;
        spaces.push_back({*uuid, *name, *symbol});
    }
    return spaces;
}

} // namespace

SpaceStore::SpaceStore(UserDefaults& defaults)
    : defaults_(defaults)
{
    if (auto stored = readJsonText(defaults_, key))
        if (auto spaces = decodeSpaces(*stored))
            spaces_ = std::move(*spaces);
}

void SpaceStore::add(std::string_view name, std::string_view symbol)
{
    auto trimmed = validUtf8(trimBlanks(name));
    if (trimmed.empty())
        return;
    if (std::any_of(spaces_.begin(), spaces_.end(), [&](const ClipSpace& s) { return s.name == trimmed; }))
        return;
    spaces_.push_back({Uuid::random(), std::move(trimmed), validUtf8(symbol)});
    save();
    changed_.emit();
}

void SpaceStore::remove(const ClipSpace& space)
{
    std::erase_if(spaces_, [&](const ClipSpace& s) { return s.id == space.id; });
    save();
    changed_.emit();
}

void SpaceStore::save()
{
    auto array = nlohmann::json::array();
    for (const auto& s : spaces_)
        array.push_back({{"id", s.id.toString()}, {"name", s.name}, {"symbol", s.symbol}});
    writeJsonText(defaults_, key, array);
}

} // namespace brisa
