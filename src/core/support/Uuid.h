// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisa {

/// A 128-bit identifier; its text form is the canonical upper-case 8-4-4-4-12 string.
struct Uuid {
    std::array<std::uint8_t, 16> bytes{};

    /// A fresh random (version 4) identifier.
    static Uuid random();
    /// Parses the 36-character form, in either letter case; anything else gives nullopt.
    static std::optional<Uuid> parse(std::string_view text);
    /// "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
    std::string toString() const;
    /// toString() appended to out, for listings of many ids.
    void appendTo(std::string& out) const;

    auto operator<=>(const Uuid&) const = default;
};

} // namespace brisa

template <>
struct std::hash<brisa::Uuid> {
    std::size_t operator()(const brisa::Uuid& u) const noexcept
    {
        std::size_t h = 0;
        for (auto b : u.bytes)
            h = h * 131 + b;
        return h;
    }
};
