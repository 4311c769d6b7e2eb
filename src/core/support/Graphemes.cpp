// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/Graphemes.h"

#include "core/support/Utf8.h"

#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <algorithm>
#include <cstdint>

namespace brisa {

void GraphemeWalker::TextCloser::operator()(UText* text) const { utext_close(text); }

void GraphemeWalker::IteratorCloser::operator()(UBreakIterator* it) const { ubrk_close(it); }

namespace {

/// Opening a break iterator builds its rules each time; a clone of one kept per thread shares them.
UBreakIterator* characterIterator(UErrorCode& status)
{
    struct Prototype {
        UBreakIterator* it = nullptr;
        UErrorCode status = U_ZERO_ERROR;
        Prototype() { it = ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status); }
        ~Prototype() { ubrk_close(it); }
    };
    thread_local const Prototype prototype;
    if (U_FAILURE(prototype.status)) {
        status = prototype.status;
        return nullptr;
    }
    return ubrk_clone(prototype.it, &status);
}

/// The end of the first count characters when the text shows, without ICU, that each of its code
/// points there is a character of its own: every code point below U+0300 (Latin letters, digits,
/// punctuation, controls) is, save "\r" before "\n", as long as the one after the last is below
/// U+0300 too (the combining marks start there). nullopt when ICU must decide.
std::optional<std::size_t> simpleCharactersEnd(std::string_view text, std::size_t count)
{
    std::size_t at = 0;
    for (std::size_t n = 0; n <= count; ++n) {
        if (at == text.size())
            return at;
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80 && byte != '\r') {
            if (n < count)
                ++at;
            else
                return at;
            continue;
        }
        const auto point = decodeUtf8At(text, at);
        if (!point.valid || point.value >= 0x300 || point.value == '\r')
            return std::nullopt;
        if (n == count)
            return at;
        at += point.length;
    }
    return at;
}

} // namespace

GraphemeWalker::GraphemeWalker(std::string_view text)
    : size_(text.size())
{
    UErrorCode status = U_ZERO_ERROR;
    text_.reset(utext_openUTF8(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status));
    it_.reset(characterIterator(status));
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
    if (const auto end = simpleCharactersEnd(text, count))
        return text.substr(0, *end);
    // ICU walks a head of the text, not all of it: a break found before the head's end, with the
    // next one before it too, is one the whole text has (a character is decided by what precedes
    // it and its next code point). A head too short for that is grown.
    std::size_t window = std::min(text.size(), count * 8 + 64);
    for (;;) {
        const bool whole = window == text.size();
        GraphemeWalker walker(text.substr(0, window));
        if (!walker.ok())
            return text.substr(0, 0);
        std::size_t end = 0;
        std::size_t n = 0;
        std::optional<std::size_t> next;
        while (n < count && (next = walker.next())) {
            end = *next;
            ++n;
        }
        if (n < count && whole)
            return text;
        if (whole)
            return text.substr(0, end);
        if (n == count) {
            next = walker.next();
            if (next && *next < window)
                return text.substr(0, end);
        }
        window = std::min(text.size(), window * 4);
    }
}

} // namespace brisa
