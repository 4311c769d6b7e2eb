// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brisa {

/// An sRGB color; components are nominally 0...1, but red, green and blue from "rgb(...)" are not clamped.
struct RgbaColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
};

/// Recognises color notations in copied text ("#rgb", "#rrggbb", "#rrggbbaa", "rgb(...)", "rgba(...)").
namespace ColorParser {

/// The color written in from (trimmed of white space, any letter case); nullopt when it is not a color.
std::optional<RgbaColor> color(std::string_view from);

/// The canonical "#RRGGBB" (or "#RRGGBBAA" when alpha is below 0.999) of the color in from.
/// Components outside 0...1 are clamped to 0...255 after scaling.
std::optional<std::string> normalizedHex(std::string_view from);

/// Lower-case hex digits after the "#": 3, 6 or 8 of them, else nullopt.
std::optional<RgbaColor> hexColor(std::string_view h);

/// Functional notation: lower-case text starting with "rgb", with 3 or 4 values between "(" and ")".
std::optional<RgbaColor> rgbColor(std::string_view s);

/// The hex digits s[start, start + length) (one digit is doubled) divided by 255; 0 when they do not parse.
double comp(std::string_view s, std::size_t start, std::size_t length);

} // namespace ColorParser
} // namespace brisa
