// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <cstddef>
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
    /// Loads file and makes its folder private (0700). A file that is not a JSON object, is nested
    /// deeper than kMaxNesting, is larger than kMaxFileBytes or is not a regular file (a FIFO, a
    /// folder...) is renamed aside ("<file>.corrupt-<time>", mode 0600) with a log line, and the
    /// store starts empty; the user's old file is never overwritten. Opening never blocks.
    UserDefaults(std::filesystem::path file, const Clock& clock);

    /// Brisa's own values are at most two levels deep; far deeper documents are hostile.
    static constexpr std::size_t kMaxNesting = 32;
    /// A settings file is a few hundred bytes; this leaves room for long lists and for snippets of
    /// a few megabytes (a snippet's text is kept here, escaped twice).
    static constexpr std::size_t kMaxFileBytes = 32 * 1024 * 1024;

    /// $XDG_CONFIG_HOME/Brisa/defaults.json.
    static std::filesystem::path defaultFile();

    /// The value under key, or nullopt when there is none.
    std::optional<nlohmann::json> value(std::string_view key) const;
    bool contains(std::string_view key) const;
    /// Stores value under key and writes the file.
    void set(std::string_view key, nlohmann::json value);
    /// Removes key and writes the file; a missing key changes nothing.
    void remove(std::string_view key);

    /// True when this store began a new file: there was none, or it was unusable and moved aside.
    /// Defaults meant for new users only are written then. False for an in-memory store.
    bool isFresh() const { return fresh_; }

    /// The backing file; empty for an in-memory store.
    const std::filesystem::path& file() const { return file_; }

    /// The JSON text of the whole store (what the file holds): one key per line, each value on one
    /// line, so that what is written stays as small as what was read.
    std::string serialized() const;

private:
    void save();
    /// Renames the unusable file aside; false (memory-only from then on) when it cannot be moved.
    bool moveAside(const Clock& clock, const std::string& problem);

    std::filesystem::path file_;
    nlohmann::json values_ = nlohmann::json::object();
    bool fresh_ = false;
};

} // namespace brisa
