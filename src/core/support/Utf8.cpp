// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/Utf8.h"

#include <array>

namespace brisa {


Utf8Scalar decodeUtf8At(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return {lead, 1, true};
    std::size_t continuations = 0;
    char32_t value = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuations = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuations = 2;
        value = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80; // no overlongs
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuations = 3;
        value = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return {};
    }
    std::size_t length = 1;
    for (std::size_t k = 0; k < continuations; ++k) {
        if (i + length >= s.size())
            return {0, length, false};
        const unsigned char c = byte(i + length);
        if (c < low || c > high)
            return {0, length, false};
        value = (value << 6) | (c & 0x3F);
        ++length;
        low = 0x80;
        high = 0xBF;
    }
    return {value, length, true};
}

// Unicode White_Space, which includes the line breaks.
bool isUnicodeWhitespace(char32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680
        || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

bool isValidUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const Utf8Scalar scalar = decodeUtf8At(s, i);
        if (!scalar.valid)
            return false;
        i += scalar.length;
    }
    return true;
}

std::string validUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    std::size_t run = 0; // start of the valid bytes not yet copied
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const Utf8Scalar scalar = decodeUtf8At(s, i);
        if (!scalar.valid) {
            out.append(s.substr(run, i - run)).append("\xEF\xBF\xBD");
            run = i + scalar.length;
        }
        i += scalar.length;
    }
    out.append(s.substr(run));
    return out;
}

std::string_view trimWhitespace(std::string_view s)
{
    std::size_t begin = 0;
    while (begin < s.size()) {
        const Utf8Scalar scalar = decodeUtf8At(s, begin);
        if (!scalar.valid || !isUnicodeWhitespace(scalar.value))
            break;
        begin += scalar.length;
    }
    std::size_t end = s.size();
    while (end > begin) {
        // Back to the lead byte of the last sequence; broken bytes count as content.
        std::size_t lead = end - 1;
        while (lead > begin && end - lead < 4 && (static_cast<unsigned char>(s[lead]) & 0xC0) == 0x80)
            --lead;
        const Utf8Scalar scalar = decodeUtf8At(s.substr(0, end), lead);
        if (!scalar.valid || lead + scalar.length != end || !isUnicodeWhitespace(scalar.value))
            break;
        end = lead;
    }
    return s.substr(begin, end - begin);
}

namespace {

// UTF-8 forms of tab, space and the Unicode space separators (general category Zs).
constexpr std::array<std::string_view, 18> blanks{
    "\t",           " ",            "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
    "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89",
    "\xE2\x80\x8A", "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80"};

} // namespace

std::string_view trimBlanks(std::string_view text)
{
    auto blankAt = [](std::string_view t, bool front) -> std::size_t {
        for (auto b : blanks)
            if (front ? t.starts_with(b) : t.ends_with(b))
                return b.size();
        return 0;
    };
    while (auto n = blankAt(text, true))
        text.remove_prefix(n);
    while (auto n = blankAt(text, false))
        text.remove_suffix(n);
    return text;
}

} // namespace brisa
