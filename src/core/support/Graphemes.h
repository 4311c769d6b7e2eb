// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>

namespace brisa {

/// The first count user-perceived characters (grapheme clusters) of UTF-8 text, never cutting a
/// character in two; the whole text when it is shorter. Reads no further than needed.
std::string_view leadingCharacters(std::string_view text, std::size_t count);

} // namespace brisa
