// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Bytes.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

/// One clipboard change as read from the display: what was offered and the bytes of what was read.
/// Target names compare without regard to ASCII case (MIME types are case-insensitive).
struct ClipboardSnapshot {
    /// The offered targets in the owner's order; nullopt when the owner reported no list at all.
    std::optional<std::vector<std::string>> types;
    /// The bytes of each target that was read; targets not read are absent.
    std::map<std::string, Bytes> contents;

    /// True when type is among the offered targets.
    bool hasType(std::string_view type) const
    {
        return types && std::any_of(types->begin(), types->end(), [&](const std::string& t) { return sameName(t, type); });
    }

    /// The bytes read for type, or nullptr when that target was not read. Valid while the snapshot lives.
    const Bytes* data(std::string_view type) const
    {
        if (auto it = contents.find(std::string(type)); it != contents.end())
            return &it->second;
        for (const auto& [name, bytes] : contents)
            if (sameName(name, type))
                return &bytes;
        return nullptr;
    }

    /// ASCII case-insensitive equality of two target names.
    static bool sameName(std::string_view a, std::string_view b)
    {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return a.size() == b.size()
            && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
    }
};

} // namespace brisa
