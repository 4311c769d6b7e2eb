// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace brisa {

/// text with every invalid UTF-8 sequence replaced by U+FFFD, so that what a store keeps in
/// memory is exactly what it can write as JSON and read back.
std::string validUtf8(std::string_view text);

/// Whether text is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

/// text without leading and trailing blanks: spaces, tabs and the other Unicode space separators
/// (no-break space, ideographic space, ...). Line breaks are kept.
std::string_view trimBlanks(std::string_view text);

} // namespace brisa
