// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clips/TextPreview.h"

#include "core/support/Graphemes.h"

#include <cstring>

namespace brisa {

namespace {

bool holds(std::string_view text, char c) { return !text.empty() && std::memchr(text.data(), c, text.size()); }

/// text with its line breaks shown as "⏎" and tabs and carriage returns as spaces.
void appendOnOneLine(std::string& out, std::string_view text)
{
    // Most previews hold no line break or tab: memchr, a block at a time, tells.
    if (!holds(text, '\n') && !holds(text, '\r') && !holds(text, '\t')) {
        out += text;
        return;
    }
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\n' && c != '\r' && c != '\t')
            continue;
        out.append(text, from, i - from);
        out += c == '\n' ? "⏎" : " ";
        from = i + 1;
    }
    out.append(text, from);
}

} // namespace

void appendTextPreview(std::string& out, std::string_view text, std::size_t maxCharacters, PreviewStyle style)
{
    // A character takes at least one byte: text no longer than the limit in bytes is whole, and
    // the grapheme walk (ICU) is needed only for longer ones.
    const std::string_view kept = text.size() <= maxCharacters ? text : leadingCharacters(text, maxCharacters);
    if (style == PreviewStyle::Block) {
        out += kept;
        return;
    }
    out.reserve(out.size() + kept.size() + 8);
    appendOnOneLine(out, kept);
    if (kept.size() < text.size())
        out += "…";
}

std::string textPreview(std::string_view text, std::size_t maxCharacters, PreviewStyle style)
{
    std::string out;
    appendTextPreview(out, text, maxCharacters, style);
    return out;
}

} // namespace brisa
