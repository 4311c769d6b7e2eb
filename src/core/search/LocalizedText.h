// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace brisa {

/// Which case-folding rules apply: the Unicode default, or the Turkish/Azeri ones where
/// "I" pairs with dotless "ı" and "İ" with "i".
enum class CaseRules { Default, Turkic };

/// The rules for an ICU/POSIX locale id such as "tr_TR.UTF-8" or "es-ES".
CaseRules caseRulesForLocale(std::string_view localeId);
/// The rules of the user's locale (ICU's default locale, taken from LANG/LC_ALL).
CaseRules currentCaseRules();

/// Text as it is compared: full Unicode case folding ("ß" becomes "ss", "Σ" and "ς" become "σ"),
/// then NFC, so precomposed and decomposed accents compare equal. Invalid UTF-8 bytes become U+FFFD.
std::string foldForComparison(std::string_view text, CaseRules rules = currentCaseRules());

/// Lower-cases by the locale-independent Unicode rules ("@Figma" -> "@figma").
std::string lowercased(std::string_view text);

/// Counts user-perceived characters (grapheme clusters) of UTF-8 text, stopping once limit is reached.
std::size_t characterCount(std::string_view text, std::size_t limit = static_cast<std::size_t>(-1));

/// A search string folded once, then tested against many haystacks.
///
/// Containment is case-insensitive with diacritics significant: "ÁRBOL" finds "árbol", "straße"
/// and "STRASSE" find each other, "nino" does not find "niño" (also when "ñ" is stored decomposed:
/// a match may not end inside a character, i.e. right before a combining mark).
class FoldedNeedle {
public:
    explicit FoldedNeedle(std::string_view needle, CaseRules rules = currentCaseRules());

    /// Whether haystack contains the needle. An empty needle is in everything.
    bool in(std::string_view haystack) const;
    /// Whether the parts, joined with nothing between them, contain the needle (without copying them).
    bool inJoined(std::span<const std::string_view> parts) const;
    bool inJoined(std::initializer_list<std::string_view> parts) const
    {
        return inJoined(std::span<const std::string_view>(parts.begin(), parts.size()));
    }

    /// inJoined, given the comparison form of the joined parts (foldForComparison of their
    /// concatenation under rules()) made once beforehand: the same answer without folding them again.
    bool inJoined(std::span<const std::string_view> parts, std::string_view foldedParts) const;
    bool inJoined(std::initializer_list<std::string_view> parts, std::string_view foldedParts) const
    {
        return inJoined(std::span<const std::string_view>(parts.begin(), parts.size()), foldedParts);
    }

    CaseRules rules() const { return rules_; }
    /// The folded needle (UTF-8).
    const std::string& folded() const { return folded_; }
    bool empty() const { return folded_.empty(); }
    /// Whether the folded needle is ASCII: then most text is compared without folding it.
    bool ascii() const { return ascii_; }

private:
    bool asciiIn(std::span<const std::string_view> parts, const std::string_view* foldedParts) const;
    bool foldedIn(std::span<const std::string_view> parts) const;

    std::string folded_;
    std::string caseMask_; // per byte of an ASCII needle: 0x20 where an upper-case haystack byte also matches
    CaseRules rules_;
    bool ascii_ = true;
};

/// Localized, case-insensitive containment with significant diacritics (see FoldedNeedle).
/// Folds the needle on every call: build a FoldedNeedle to test many haystacks.
bool localizedContains(std::string_view haystack, std::string_view needle);

} // namespace brisa
