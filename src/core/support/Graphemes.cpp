// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/Graphemes.h"

#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace brisa {

std::string_view leadingCharacters(std::string_view text, std::size_t count)
{
    if (count == 0)
        return text.substr(0, 0);
    // Plain ASCII is one character per byte, except "\r\n", which is one cluster.
    const std::size_t window = std::min(text.size(), count + 1);
    const std::string_view head = text.substr(0, window);
    if (std::all_of(head.begin(), head.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80 && c != '\r'; }))
        return text.substr(0, std::min(text.size(), count));

    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, decltype(&utext_close)> ut(
        utext_openUTF8(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status), &utext_close);
    std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> it(ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status),
                                                               &ubrk_close);
    if (U_FAILURE(status))
        return text.substr(0, 0);
    ubrk_setUText(it.get(), ut.get(), &status);
    if (U_FAILURE(status))
        return text.substr(0, 0);
    std::int32_t end = ubrk_first(it.get());
    for (std::size_t n = 0; n < count; ++n) {
        const std::int32_t next = ubrk_next(it.get());
        if (next == UBRK_DONE)
            return text;
        end = next;
    }
    // Break positions are byte offsets into the UTF-8 text.
    return text.substr(0, std::min(static_cast<std::size_t>(end), text.size()));
}

} // namespace brisa
