// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/Graphemes.h"

#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <algorithm>
#include <cstdint>

namespace brisa {

void GraphemeWalker::TextCloser::operator()(UText* text) const { utext_close(text); }

void GraphemeWalker::IteratorCloser::operator()(UBreakIterator* it) const { ubrk_close(it); }

GraphemeWalker::GraphemeWalker(std::string_view text)
    : size_(text.size())
{
    UErrorCode status = U_ZERO_ERROR;
    text_.reset(utext_openUTF8(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status));
    it_.reset(ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status));
    if (U_FAILURE(status))
        return;
    ubrk_setUText(it_.get(), text_.get(), &status);
    if (U_FAILURE(status))
        return;
    ubrk_first(it_.get());
    ok_ = true;
}

GraphemeWalker::~GraphemeWalker() = default;

std::optional<std::size_t> GraphemeWalker::next()
{
    if (!ok_)
        return std::nullopt;
    const std::int32_t next = ubrk_next(it_.get());
    if (next == UBRK_DONE)
        return std::nullopt;
    // Break positions are byte offsets into the UTF-8 text.
    return std::min(static_cast<std::size_t>(next), size_);
}

std::string_view leadingCharacters(std::string_view text, std::size_t count)
{
    if (count == 0)
        return text.substr(0, 0);
    // Plain ASCII is one character per byte, except "\r\n", which is one cluster.
    const std::size_t window = std::min(text.size(), count + 1);
    const std::string_view head = text.substr(0, window);
    if (std::all_of(head.begin(), head.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80 && c != '\r'; }))
        return text.substr(0, std::min(text.size(), count));

    GraphemeWalker walker(text);
    if (!walker.ok())
        return text.substr(0, 0);
    std::size_t end = 0;
    for (std::size_t n = 0; n < count; ++n) {
        const auto next = walker.next();
        if (!next)
            return text;
        end = *next;
    }
    return text.substr(0, end);
}

} // namespace brisa
