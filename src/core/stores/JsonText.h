// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/UserDefaults.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace brisa {

/// The JSON document held as text in the string stored under key (the form of the small lists and
/// of the shortcuts). A missing key, a value that is not a string, or text that is not JSON gives
/// nullopt. Never throws.
std::optional<nlohmann::json> readJsonText(const UserDefaults& defaults, std::string_view key);

/// Stores the JSON text of document under key as a string. When the document cannot be written
/// as JSON text (a string that is not UTF-8), the stored value is left as it was and false is returned.
bool writeJsonText(UserDefaults& defaults, std::string_view key, const nlohmann::json& document);

/// The member name of object when it is a string; nullptr when it is missing or of another type.
const std::string* stringMember(const nlohmann::json& object, std::string_view name);

} // namespace brisa
