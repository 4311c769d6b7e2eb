// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brisa {

/// The user-defaults store: named JSON values, kept in one JSON object file.
/// Every change is written at once, atomically, with mode 0600.
class UserDefaults {
public:
    /// A store that lives in memory only.
    UserDefaults() = default;
    /// Loads file. A file that is not a JSON object is renamed aside ("<file>.corrupt-<time>")
    /// with a log line, and the store starts empty; the user's old file is never overwritten.
    UserDefaults(std::filesystem::path file, const Clock& clock);

    /// $XDG_CONFIG_HOME/Brisa/defaults.json.
    static std::filesystem::path defaultFile();

    /// The value under key, or nullopt when there is none.
    std::optional<nlohmann::json> value(std::string_view key) const;
    bool contains(std::string_view key) const;
    /// Stores value under key and writes the file.
    void set(std::string_view key, nlohmann::json value);
    /// Removes key and writes the file; a missing key changes nothing.
    void remove(std::string_view key);

    /// The backing file; empty for an in-memory store.
    const std::filesystem::path& file() const { return file_; }

    /// The JSON text of the whole store (what the file holds).
    std::string serialized() const;

private:
    void save();

    std::filesystem::path file_;
    nlohmann::json values_ = nlohmann::json::object();
};

} // namespace brisa
