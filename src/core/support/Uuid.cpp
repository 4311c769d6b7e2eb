// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/Uuid.h"

#include <array>
#include <cstdint>
#include <random>

namespace brisa {

Uuid Uuid::random()
{
    // random_device is getrandom() on Linux; seeding per thread keeps this cheap.
    thread_local std::mt19937_64 engine{[] {
        std::random_device rd;
        std::seed_seq seq{rd(), rd(), rd(), rd(), rd(), rd(), rd(), rd()};
        return std::mt19937_64(seq);
    }()};
    Uuid u;
    for (int i = 0; i < 16; i += 8) {
        auto v = engine();
        for (int j = 0; j < 8; ++j)
            u.bytes[i + j] = static_cast<std::uint8_t>(v >> (8 * j));
    }
    u.bytes[6] = static_cast<std::uint8_t>((u.bytes[6] & 0x0F) | 0x40);
    u.bytes[8] = static_cast<std::uint8_t>((u.bytes[8] & 0x3F) | 0x80);
    return u;
}

namespace {

/// Hex digit values by byte, -1 for any other byte: ids are parsed by the hundred thousand when a
/// whole history is listed.
constexpr std::array<std::int8_t, 256> kHexValues = [] {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    for (int c = '0'; c <= '9'; ++c)
        values[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) {
        values[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'a' + 10);
        values[static_cast<std::size_t>(c - 'a' + 'A')] = static_cast<std::int8_t>(c - 'a' + 10);
    }
    return values;
}();

} // namespace

std::optional<Uuid> Uuid::parse(std::string_view text)
{
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    // Where each byte's two digits start, the dashes stepped over.
    static constexpr std::array<std::uint8_t, 16> kStarts{0, 2, 4, 6, 9, 11, 14, 16, 19, 21, 24, 26, 28, 30, 32, 34};
    Uuid u;
    for (std::size_t i = 0; i < kStarts.size(); ++i) {
        const int high = kHexValues[static_cast<unsigned char>(text[kStarts[i]])];
        const int low = kHexValues[static_cast<unsigned char>(text[kStarts[i] + 1])];
        if ((high | low) < 0)
            return std::nullopt;
        u.bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return u;
}

void Uuid::appendTo(std::string& out) const
{
    static constexpr char digits[] = "0123456789ABCDEF";
    char text[36];
    std::size_t at = 0;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text[at++] = '-';
        text[at++] = digits[bytes[i] >> 4];
        text[at++] = digits[bytes[i] & 0x0F];
    }
    out.append(text, sizeof text);
}

std::string Uuid::toString() const
{
    std::string s;
    s.reserve(36);
    appendTo(s);
    return s;
}

} // namespace brisa
