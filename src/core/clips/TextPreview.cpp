// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clips/TextPreview.h"

#include "core/support/Graphemes.h"

namespace brisa {

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
    std::size_t from = 0;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const char c = kept[i];
        if (c != '\n' && c != '\r' && c != '\t')
            continue;
        out.append(kept, from, i - from);
        out += c == '\n' ? "⏎" : " ";
        from = i + 1;
    }
    out.append(kept, from);
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
