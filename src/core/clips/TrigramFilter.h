// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/search/LocalizedText.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

/// A sketch of the runs of three bytes a text holds, to pass over most texts a search word cannot
/// be in without comparing them. A word is inside a text only if all of its runs are, so a text
/// whose sketch lacks one of them is left out; a text that has them all is compared as usual.
///
/// Each text has a set of bits, two per byte of text (a power of two, 64 at least): every run
/// sets the bit its hash picks. Letters A-Z count as a-z, and every byte beyond ASCII as one and
/// the same byte. Two runs sharing a bit only let more texts through, never fewer.
namespace trigrams {

/// Words shorter than this cannot be looked up.
constexpr std::size_t kShortest = 3;

/// The 64-bit words of the sketch of a text of size bytes.
std::size_t sketchWords(std::size_t size);
/// Writes the sketch of text into out (of sketchWords(text.size()) words).
void sketch(std::string_view text, std::span<std::uint64_t> out);
/// The hashes of the runs of a folded word (of kShortest bytes or more), each once.
std::vector<std::uint32_t> runsOf(std::string_view word);
/// Whether a text with sketch may hold the word whose runs are given.
inline bool mayHold(std::span<const std::uint64_t> sketch, std::span<const std::uint32_t> runs)
{
    const std::size_t mask = sketch.size() * 64 - 1;
    for (const auto run : runs) {
        const std::size_t bit = run & mask;
        if (!((sketch[bit >> 6] >> (bit & 63)) & 1))
            return false;
    }
    return true;
}

/// Whether folding the texts under rules changes only letter case and bytes beyond ASCII in place
/// (ASCII and the characters up to U+00FF but "ß"; under Turkic rules not "I"): then they are
/// sketched as they are.
bool foldsInPlace(std::span<const std::string_view> parts, CaseRules rules);

/// The form under rules of a clip's searched texts (read one after another) that a sketch is made
/// of and a search's folded word is looked up in: the comparison form, or the texts as they are
/// when folding would change only letter case and bytes beyond ASCII in place (most Western
/// text), which sketches do not tell apart. Returns a view of the texts themselves (when they lie
/// one after another in memory) or of buffer.
std::string_view indexedForm(std::span<const std::string_view> parts, CaseRules rules, std::string& buffer);

} // namespace trigrams
} // namespace brisa
