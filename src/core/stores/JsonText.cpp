// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stores/JsonText.h"

namespace brisa {

std::optional<nlohmann::json> readJsonText(const UserDefaults& defaults, std::string_view key)
{
    auto stored = defaults.value(key);
    if (!stored || !stored->is_string())
        return std::nullopt;
    auto parsed = nlohmann::json::parse(stored->get_ref<const std::string&>(), nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded())
        return std::nullopt;
    return parsed;
}

bool writeJsonText(UserDefaults& defaults, std::string_view key, const nlohmann::json& document)
{
    std::string text;
    try {
        text = document.dump();
    } catch (const nlohmann::json::exception&) {
        return false;
    }
    defaults.set(key, std::move(text));
    return true;
}

const std::string* stringMember(const nlohmann::json& object, std::string_view name)
{
    auto it = object.find(name);
    if (it == object.end() || !it->is_string())
        return nullptr;
    return &it->get_ref<const std::string&>();
}

} // namespace brisa
