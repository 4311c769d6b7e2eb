// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brisa {

/// How a preview shows the text it keeps.
enum class PreviewStyle {
    Block, ///< as it is: the view lays out the lines and elides
    Line,  ///< one line: a line break shows as "⏎", a tab or carriage return as a space, "…" when cut
};

/// The start of a clip's text as cards, list rows, reminders and the command line show it: at most
/// maxCharacters user-perceived characters, never cutting one in two. Invalid UTF-8 is kept as it
/// is (the views replace it).
std::string textPreview(std::string_view text, std::size_t maxCharacters, PreviewStyle style = PreviewStyle::Block);
/// textPreview appended to out: for a listing of many clips, without a string for each.
void appendTextPreview(std::string& out, std::string_view text, std::size_t maxCharacters,
                       PreviewStyle style = PreviewStyle::Block);

} // namespace brisa
