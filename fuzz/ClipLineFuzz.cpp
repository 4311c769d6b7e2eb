// SPDX-License-Identifier: GPL-3.0-or-later
// One line of an export as `brisa import` reads it: any bytes must give a clip or a message, and
// a clip must come out of its own line again unchanged.
#include "core/store/ClipLines.h"

#include <cstdint>
#include <string_view>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace brisa;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto parsed = parseClipLine(text);
    if (auto* line = std::get_if<ClipLine>(&parsed)) {
        // Written out and read back, the clip keeps its id, kind and text (already valid UTF-8,
        // as JSON text always is).
        auto again = parseClipLine(formatClipLine(*line));
        auto* back = std::get_if<ClipLine>(&again);
        if (!back || back->item.id != line->item.id || back->item.typeRaw != line->item.typeRaw ||
            back->item.textContent != line->item.textContent || back->imageData != line->imageData ||
            back->item.thumbnailData != line->item.thumbnailData)
            __builtin_trap();
    }
    if (auto decoded = base64Decode(text))
        if (base64Encode(*decoded) != text)
            __builtin_trap();
    return 0;
}
