// SPDX-License-Identifier: GPL-3.0-or-later
// Copied text of any shape: the color parser must answer without a crash, and its canonical form must
// read back as a color.
#include "core/capture/ColorParser.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    (void)brisa::ColorParser::color(input);
    (void)brisa::ColorParser::hexColor(input);
    (void)brisa::ColorParser::rgbColor(input);
    if (size >= 2)
        (void)brisa::ColorParser::comp(input, data[0] % (size + 2), data[1] % 4);
    if (const auto hex = brisa::ColorParser::normalizedHex(input)) {
        if (hex->size() != 7 && hex->size() != 9)
            __builtin_trap();
        // Alpha from 0.998 up rounds to FF yet keeps eight digits, so the form need not be a fixed point.
        if (!brisa::ColorParser::color(*hex))
            __builtin_trap();
    }
    return 0;
}
