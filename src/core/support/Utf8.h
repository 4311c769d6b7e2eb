// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brisa {

/// One decoded Unicode scalar of a UTF-8 string.
struct Utf8Scalar {
    char32_t value = 0;
    /// Bytes it spans; an invalid sequence spans its longest valid-looking prefix, at least one byte.
    std::size_t length = 1;
    bool valid = false;
};

/// The scalar that starts at s[i] (i < s.size()).
Utf8Scalar decodeUtf8At(std::string_view s, std::size_t i);

/// Unicode White_Space, line breaks included.
bool isUnicodeWhitespace(char32_t c);

/// Whether text is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

/// text with every invalid UTF-8 sequence replaced by U+FFFD, so it can be stored, written as JSON
/// and shown.
std::string validUtf8(std::string_view text);

/// text without leading and trailing Unicode white space and line breaks; broken bytes count as content.
std::string_view trimWhitespace(std::string_view text);

/// text without leading and trailing blanks: spaces, tabs and the other Unicode space separators
/// (no-break space, ideographic space, ...). Line breaks are kept.
std::string_view trimBlanks(std::string_view text);

} // namespace brisa
