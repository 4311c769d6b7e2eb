// SPDX-License-Identifier: GPL-3.0-or-later
// Any key code and modifier mask, as a hand-edited settings file may hold them, must translate or be
// refused, and anything translated must come back to the same key.
#include "core/shortcuts/KeyTranslation.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::int32_t code = 0, modifiers = 0;
    std::uint32_t keysym = 0;
    std::memcpy(&code, data, size < 4 ? size : 4);
    if (size > 4)
        std::memcpy(&modifiers, data + 4, size - 4 < 4 ? size - 4 : 4);
    if (size > 8)
        std::memcpy(&keysym, data + 8, size - 8 < 4 ? size - 8 : 4);

    const auto t = brisa::translateShortcut({code, modifiers});
    if (t) {
        if (brisa::keyCodeForKeysym(t.combination->keysym) != code)
            std::abort();
        if (brisa::carbonModifiersFor(t.combination->modifiers) != modifiers)
            std::abort();
    } else if (brisa::describe(t.error).empty()) {
        std::abort();
    }
    if (auto back = brisa::keyCodeForKeysym(keysym); back && !brisa::keysymForKeyCode(*back))
        std::abort();
    return 0;
}
