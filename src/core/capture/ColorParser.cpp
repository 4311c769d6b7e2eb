// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ColorParser.h"

#include "core/support/Utf8.h"

#include <fmt/format.h>

#include <locale.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace brisa::ColorParser {
namespace {

std::string asciiLower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view trimBlanksAndTabs(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The whole piece as a C-locale strtod reads it (sign, fraction, exponent, hex, inf, nan): the user's
// LC_NUMERIC may use a decimal comma, which must not change what "0.5" means.
std::optional<double> parseDecimal(std::string_view piece)
{
    // strtod would skip leading white space; a piece that starts with it is not a number.
    if (piece.empty() || std::isspace(static_cast<unsigned char>(piece.front())))
        return std::nullopt;
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (!cLocale)
        return std::nullopt;
    const std::string text(piece); // strtod needs a terminator; an embedded NUL fails the length check
    char* end = nullptr;
    const double value = strtod_l(text.c_str(), &end, cLocale);
    if (end != text.c_str() + text.size())
        return std::nullopt;
    return value;
}

// Clamped and rounded (halves away from zero) to 0...255; NaN reads as 0.
long toByte(double component)
{
    double scaled = component * 255.0;
    if (std::isnan(scaled))
        return 0;
    scaled = std::clamp(scaled, 0.0, 255.0);
    return std::lround(scaled);
}

} // namespace

std::optional<RgbaColor> color(std::string_view from)
{
    const std::string_view t = trimWhitespace(from);
    // Long copied texts are rejected before they are lower-cased.
    if (t.starts_with('#'))
        return hexColor(asciiLower(t.substr(1)));
    if (t.size() >= 3 && asciiLower(t.substr(0, 3)) == "rgb")
        return rgbColor(asciiLower(t));
    return std::nullopt;
}

std::optional<RgbaColor> hexColor(std::string_view h)
{
    if (h.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return std::nullopt;
    switch (h.size()) {
    case 8:
        return RgbaColor{comp(h, 0, 2), comp(h, 2, 2), comp(h, 4, 2), comp(h, 6, 2)};
    case 6:
        return RgbaColor{comp(h, 0, 2), comp(h, 2, 2), comp(h, 4, 2), 1.0};
    case 3:
        return RgbaColor{comp(h, 0, 1), comp(h, 1, 1), comp(h, 2, 1), 1.0};
    default:
        return std::nullopt;
    }
}

double comp(std::string_view s, std::size_t start, std::size_t length)
{
    if (start > s.size())
        return 0;
    std::string digits(s.substr(start, length));
    if (length == 1 && digits.size() == 1)
        digits += digits;
    if (digits.empty() || digits.size() > 8
        || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return 0;
    return static_cast<double>(std::strtoul(digits.c_str(), nullptr, 16)) / 255.0;
}

std::optional<RgbaColor> rgbColor(std::string_view s)
{
    const std::size_t open = s.find('(');
    const std::size_t close = s.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;
    const std::string_view arguments = s.substr(open + 1, close - open - 1);

    // Empty pieces are dropped before trimming, so a piece of blanks still counts (and reads as 0).
    std::vector<std::string_view> pieces;
    std::size_t pieceStart = 0;
    for (std::size_t i = 0; i <= arguments.size(); ++i) {
        if (i == arguments.size() || arguments[i] == ',' || arguments[i] == '/') {
            if (i > pieceStart)
                pieces.push_back(trimBlanksAndTabs(arguments.substr(pieceStart, i - pieceStart)));
            pieceStart = i + 1;
        }
    }
    if (pieces.size() < 3)
        return std::nullopt;

    auto channel = [](std::string_view piece) {
        if (piece.ends_with('%')) {
            piece.remove_suffix(1);
            return parseDecimal(piece).value_or(0.0) / 100.0;
        }
        return parseDecimal(piece).value_or(0.0) / 255.0;
    };
    double alpha = 1.0;
    if (pieces.size() > 3) {
        alpha = parseDecimal(pieces[3]).value_or(1.0);
        // NaN counts as a value that did not parse.
        alpha = std::isnan(alpha) ? 1.0 : std::clamp(alpha, 0.0, 1.0);
    }
    return RgbaColor{channel(pieces[0]), channel(pieces[1]), channel(pieces[2]), alpha};
}

std::optional<std::string> normalizedHex(std::string_view from)
{
    const auto c = color(from);
    if (!c)
        return std::nullopt;
    const long r = toByte(c->red), g = toByte(c->green), b = toByte(c->blue);
    if (c->alpha < 0.999)
        return fmt::format("#{:02X}{:02X}{:02X}{:02X}", r, g, b, toByte(c->alpha));
    return fmt::format("#{:02X}{:02X}{:02X}", r, g, b);
}

} // namespace brisa::ColorParser
