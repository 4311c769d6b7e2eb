// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/Uuid.h"

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

std::optional<Uuid> Uuid::parse(std::string_view text)
{
    if (text.size() != 36)
        return std::nullopt;
    Uuid u;
    int nibble = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-')
                return std::nullopt;
            continue;
        }
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            return std::nullopt;
        auto& b = u.bytes[nibble / 2];
        b = static_cast<std::uint8_t>(nibble % 2 == 0 ? v << 4 : b | v);
        ++nibble;
    }
    return u;
}

std::string Uuid::toString() const
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(36);
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            s.push_back('-');
        s.push_back(digits[bytes[i] >> 4]);
        s.push_back(digits[bytes[i] & 0x0F]);
    }
    return s;
}

} // namespace brisa
