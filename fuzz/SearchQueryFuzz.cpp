// SPDX-License-Identifier: GPL-3.0-or-later
// Search text is typed by the user and clip texts are whatever was copied: any bytes on either
// side must parse and match without a crash or an out-of-bounds read.
#include "core/clips/TrigramFilter.h"
#include "core/search/ClipFilters.h"
#include "core/search/LocalizedText.h"
#include "core/search/SearchQuery.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first byte picks the case rules; the rest is split into a needle and a haystack.
    const auto rules = size > 0 && (data[0] & 1) ? brisa::CaseRules::Turkic : brisa::CaseRules::Default;
    const auto body = size > 0 ? input.substr(1) : input;
    const auto cut = body.find('\0');
    const auto needle = body.substr(0, cut);
    const auto haystack = cut == std::string_view::npos ? std::string_view() : body.substr(cut + 1);

    static std::vector<brisa::ClipItem> clips = [] {
        std::vector<brisa::ClipItem> v(4);
        v[0].typeRaw = "text";
        v[0].textContent = "Informe de la reunión: el niño y el ÁRBOL, Straße";
        v[0].sourceAppName = "Figma Desktop";
        v[1].typeRaw = "image";
        v[1].ocrText = "cafe\xcc\x81 \xef\xac\x81le \xe2\x84\xaa";
        v[1].isPinned = true;
        v[2].typeRaw = "hologram";
        v[3].typeRaw = "link";
        return v;
    }();
    // The last clip carries the fuzzed haystack in all three fields, so joints are exercised too.
    clips[3].textContent = std::string(haystack);
    clips[3].sourceAppName = std::string(haystack.substr(0, haystack.size() / 2));
    clips[3].ocrText = std::string(needle);

    const brisa::SearchQuery query(needle, rules);
    // The library's trigram sketches must let through every clip the query matches.
    if (query.foldedText().size() >= brisa::trigrams::kShortest) {
        const auto runs = brisa::trigrams::runsOf(query.foldedText());
        std::string buffer;
        for (const auto& clip : clips) {
            const std::string_view parts[] = {
                clip.textContent ? std::string_view(*clip.textContent) : std::string_view(),
                clip.sourceAppName ? std::string_view(*clip.sourceAppName) : std::string_view(),
                clip.ocrText ? std::string_view(*clip.ocrText) : std::string_view()};
            const auto form = brisa::trigrams::indexedForm(parts, rules, buffer);
            std::vector<std::uint64_t> sketch(brisa::trigrams::sketchWords(form.size()));
            brisa::trigrams::sketch(form, sketch);
            if (query.matches(clip) && !brisa::trigrams::mayHold(sketch, runs))
                __builtin_trap();
        }
    }
    for (const auto& clip : clips) {
        const bool plain = query.matches(clip);
        // A comparison form folded beforehand must give the same answer as folding on the fly.
        const std::string_view text = clip.textContent ? std::string_view(*clip.textContent) : std::string_view();
        const std::string_view app = clip.sourceAppName ? std::string_view(*clip.sourceAppName) : std::string_view();
        const std::string_view ocr = clip.ocrText ? std::string_view(*clip.ocrText) : std::string_view();
        const std::string_view parts[] = {text, app, ocr};
        if (query.matches(clip.type(), text, app, ocr, brisa::foldJoinedForComparison(parts, rules)) != plain)
            __builtin_trap();
    }
    (void)brisa::filtered(clips, std::nullopt, needle);
    (void)brisa::filteredItems(clips, brisa::NotchTab::Prompts, false, needle);

    const brisa::FoldedNeedle folded(needle, rules);
    (void)folded.in(haystack);
    (void)folded.inJoined({haystack.substr(0, haystack.size() / 3), haystack.substr(haystack.size() / 3), needle});
    (void)brisa::foldForComparison(haystack, rules);
    (void)brisa::lowercased(haystack);
    (void)brisa::characterCount(haystack, 3);
    return 0;
}
