// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/search/LocalizedText.h"

#include "core/support/Graphemes.h"

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uniset.h>
#include <unicode/ustring.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <memory>

// Design: the history is searched on every keystroke, so the common case (an ASCII search word
// against mostly-ASCII text) never reaches ICU: it is a vectorised byte scan over the stored
// UTF-8. Non-ASCII search words fold each haystack through small precomputed tables. Only text
// that normalisation could change (combining marks, compatibility singletons, ...) goes through
// ICU's case folding and NFC.

namespace brisa {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

/// Decodes one code point at p (< end); invalid or truncated sequences read as U+FFFD over one byte.
inline std::size_t decodeUtf8(const unsigned char* p, const unsigned char* end, char32_t& cp)
{
    const unsigned char b0 = p[0];
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    const std::size_t avail = static_cast<std::size_t>(end - p);
    auto cont = [&](std::size_t i) { return i < avail && (p[i] & 0xC0) == 0x80; };
    if (b0 >= 0xC2 && b0 <= 0xDF && cont(1)) {
        cp = (char32_t(b0 & 0x1F) << 6) | (p[1] & 0x3F);
        return 2;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF && cont(1) && cont(2)) {
        const char32_t c = (char32_t(b0 & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
            cp = c;
            return 3;
        }
    } else if (b0 >= 0xF0 && b0 <= 0xF4 && cont(1) && cont(2) && cont(3)) {
        const char32_t c = (char32_t(b0 & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) |
                           (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            cp = c;
            return 4;
        }
    }
    cp = kReplacement;
    return 1;
}

inline void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

inline const unsigned char* bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

/// Index of the first byte >= 0x80 at or after from, or s.size().
inline std::size_t firstNonAscii(std::string_view s, std::size_t from = 0)
{
    const auto* p = bytes(s);
    std::size_t i = from;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (w & 0x8080808080808080ull)
            break;
    }
    for (; i < s.size(); ++i)
        if (p[i] >= 0x80)
            return i;
    return s.size();
}

/// Appends text as UTF-16 with the same replacement rule as decodeUtf8.
void appendUtf16(icu::UnicodeString& out, std::string_view s)
{
    const auto* p = bytes(s);
    const auto* end = p + s.size();
    while (p < end) {
        char32_t c;
        p += decodeUtf8(p, end, c);
        out.append(static_cast<UChar32>(c));
    }
}

std::uint32_t foldOptions(CaseRules rules)
{
    return rules == CaseRules::Turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT;
}

const icu::Normalizer2& nfc()
{
    UErrorCode status = U_ZERO_ERROR;
    return *icu::Normalizer2::getNFCInstance(status);
}

/// Full case folding, then NFC: the form both sides of a comparison are brought to.
icu::UnicodeString comparisonForm(icu::UnicodeString s, CaseRules rules)
{
    s.foldCase(foldOptions(rules));
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString out = nfc().normalize(s, status);
    return U_SUCCESS(status) ? out : s;
}

/// Per-rule-set lookup data, built once from ICU's properties.
struct Tables {
    /// Comparison form of each code point below U+0800, unless `slow`.
    struct Small {
        std::uint8_t len = 0;
        bool slow = false;
        std::array<char, 6> bytes{};
    };
    std::array<Small, 0x800> small{};
    /// Code points whose comparison form depends on their neighbours (combining marks, characters
    /// NFC changes, and characters whose folding yields such): those haystacks go through ICU.
    icu::UnicodeSet slow;
    icu::UnicodeSet changesWhenFolded;
    /// Non-ASCII code points whose comparison form contains ASCII ("ß", "ﬁ", KELVIN SIGN, ...):
    /// only these can let an ASCII needle match where the plain byte scan found nothing.
    icu::UnicodeSet asciiProducing;
    std::bitset<0x800> asciiProducingSmall;
    /// First UTF-8 bytes of the asciiProducing code points.
    std::array<bool, 256> asciiProducingLead{};
    CaseRules rules = CaseRules::Default;

    explicit Tables(CaseRules r) : rules(r)
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeSet base; // code points that may not appear in a haystack folded without ICU
        base.applyIntPropertyValue(UCHAR_CANONICAL_COMBINING_CLASS, 0, status);
        base.complement();
        icu::UnicodeSet qc;
        qc.applyIntPropertyValue(UCHAR_NFC_QUICK_CHECK, UNORM_NO, status);
        base.addAll(qc);
        icu::UnicodeSet qcNo = qc;
        qc.applyIntPropertyValue(UCHAR_NFC_QUICK_CHECK, UNORM_MAYBE, status);
        base.addAll(qc);
        base.freeze();

        changesWhenFolded.applyIntPropertyValue(UCHAR_CHANGES_WHEN_CASEFOLDED, 1, status);
        changesWhenFolded.freeze();

        slow.addAll(base);
        icu::UnicodeSet candidates(changesWhenFolded);
        candidates.addAll(qcNo);
        const std::int32_t ranges = candidates.getRangeCount();
        for (std::int32_t r = 0; r < ranges; ++r) {
            for (UChar32 c = candidates.getRangeStart(r); c <= candidates.getRangeEnd(r); ++c) {
                icu::UnicodeString one(c);
                icu::UnicodeString folded(one);
                folded.foldCase(foldOptions(rules));
                if (base.containsSome(folded))
                    slow.add(c);
                if (c >= 0x80) {
                    const auto form = comparisonForm(one, rules);
                    for (std::int32_t i = 0; i < form.length(); ++i)
                        if (form.charAt(i) < 0x80) {
                            asciiProducing.add(c);
                            break;
                        }
                }
            }
        }
        slow.freeze();
        asciiProducing.freeze();
        for (std::int32_t r = 0; r < asciiProducing.getRangeCount(); ++r)
            for (UChar32 c = asciiProducing.getRangeStart(r); c <= asciiProducing.getRangeEnd(r); ++c) {
                std::string utf8;
                appendUtf8(utf8, static_cast<char32_t>(c));
                asciiProducingLead[static_cast<unsigned char>(utf8[0])] = true;
            }

        for (char32_t c = 0; c < 0x800; ++c) {
            auto& e = small[c];
            asciiProducingSmall[c] = asciiProducing.contains(static_cast<UChar32>(c));
            if (slow.contains(static_cast<UChar32>(c))) {
                e.slow = true;
                continue;
            }
            std::string form;
            if (changesWhenFolded.contains(static_cast<UChar32>(c))) {
                icu::UnicodeString folded(static_cast<UChar32>(c));
                folded.foldCase(foldOptions(rules));
                folded.toUTF8String(form);
            } else {
                appendUtf8(form, c);
            }
            if (form.size() > e.bytes.size()) {
                e.slow = true;
                continue;
            }
            e.len = static_cast<std::uint8_t>(form.size());
            std::memcpy(e.bytes.data(), form.data(), form.size());
        }
    }
};

const Tables& tables(CaseRules rules)
{
    if (rules == CaseRules::Turkic) {
        static const Tables turkic(CaseRules::Turkic);
        return turkic;
    }
    static const Tables standard(CaseRules::Default);
    return standard;
}

/// Appends the comparison form of s to out without ICU; false when s holds a code point that
/// needs ICU (out is then partly written and must be discarded).
bool fastFoldAppend(std::string_view s, const Tables& t, std::string& out)
{
    const auto* p = bytes(s);
    const auto* end = p + s.size();
    out.reserve(out.size() + s.size() + 8);
    while (p < end) {
        char32_t c;
        p += decodeUtf8(p, end, c);
        if (c < 0x800) {
            const auto& e = t.small[c];
            if (e.slow)
                return false;
            out.append(e.bytes.data(), e.len);
        } else if (t.slow.contains(static_cast<UChar32>(c))) {
            return false;
        } else if (t.changesWhenFolded.contains(static_cast<UChar32>(c))) {
            icu::UnicodeString folded(static_cast<UChar32>(c));
            folded.foldCase(foldOptions(t.rules));
            folded.toUTF8String(out);
        } else {
            appendUtf8(out, c);
        }
    }
    return true;
}

/// Writes the comparison form of the joined parts to out.
void foldJoined(std::span<const std::string_view> parts, const Tables& t, std::string& out)
{
    out.clear();
    bool fast = true;
    for (auto part : parts)
        if (!(fast = fastFoldAppend(part, t, out)))
            break;
    if (fast)
        return;
    // Folded as one string so that a combining mark at the start of a part joins the character
    // before it, as it would in the concatenated text.
    icu::UnicodeString joined;
    for (auto part : parts)
        appendUtf16(joined, part);
    out.clear();
    comparisonForm(joined, t.rules).toUTF8String(out);
}

/// Whether c continues the user-perceived character before it (combining marks, joiners, ...).
inline bool extendsCharacter(char32_t c)
{
    if (c < 0x300)
        return false;
    const auto gcb = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK);
    return gcb == U_GCB_EXTEND || gcb == U_GCB_ZWJ || gcb == U_GCB_SPACING_MARK;
}

inline bool extendsAt(std::string_view s, std::size_t pos)
{
    if (pos >= s.size() || bytes(s)[pos] < 0x80)
        return false;
    char32_t c;
    decodeUtf8(bytes(s) + pos, bytes(s) + s.size(), c);
    return extendsCharacter(c);
}

/// Finds needle in haystack where the match does not end inside a character.
bool containsWhole(std::string_view haystack, std::string_view needle)
{
    for (auto pos = haystack.find(needle); pos != std::string_view::npos; pos = haystack.find(needle, pos + 1))
        if (!extendsAt(haystack, pos + needle.size()))
            return true;
    return false;
}

// 16-byte vectors through the compiler's generic vector extension (SSE2 on x86-64, NEON on arm64).
using V16 = std::uint8_t __attribute__((vector_size(16)));

inline V16 load16(const unsigned char* p)
{
    V16 v;
    std::memcpy(&v, p, 16);
    return v;
}

inline V16 splat(std::uint8_t b)
{
    // A scalar operand is broadcast to every lane.
    return V16{} + b;
}

/// Whether the code point starting at p (a lead byte) is one whose comparison form contains ASCII.
inline bool asciiProducingAt(const unsigned char* p, const unsigned char* end, const Tables& t)
{
    if (!t.asciiProducingLead[*p])
        return false;
    if (*p < 0xE0 && end - p >= 2) // two-byte form: index the small table directly
        return (p[1] & 0xC0) == 0x80 && t.asciiProducingSmall[(std::size_t(*p & 0x1F) << 6) | (p[1] & 0x3F)];
    char32_t c;
    decodeUtf8(p, end, c);
    return c < 0x800 ? t.asciiProducingSmall[c] : t.asciiProducing.contains(static_cast<UChar32>(c));
}

/// Whether the lead bytes in [from, to) of text [begin, end) start a character folding to ASCII.
inline bool rangeHasAsciiProducing(const unsigned char* begin, const unsigned char* end, std::size_t from,
                                   std::size_t to, const Tables& t)
{
    for (std::size_t i = from; i < to; ++i)
        if (begin[i] >= 0xC0 && asciiProducingAt(begin + i, end, t))
            return true;
    return false;
}

/// Case-insensitive scan of an ASCII needle (folded, with its case mask) in raw UTF-8. Non-ASCII
/// bytes never equal an ASCII needle byte, so only characters that fold to ASCII ("ß" -> "ss")
/// can hide a match: the same pass notes whether the text holds any.
class AsciiScanner {
public:
    AsciiScanner(std::string_view needle, std::string_view mask, const Tables& tables)
        : needle_(bytes(needle)), mask_(bytes(mask)), n_(needle.size()), t_(tables)
    {
    }

    /// Whether the needle's byte j matches haystack byte b.
    bool matchByte(unsigned char b, std::size_t j) const { return (b | mask_[j]) == needle_[j]; }

    /// True at the first match at position pos for which accept(pos) holds. Sets special when
    /// the text holds a character that folds to ASCII, unless a match is found first.
    template <class Accept>
    bool scan(std::string_view hay, bool& special, Accept&& accept) const
    {
        const std::size_t n = n_, size = hay.size();
        const auto* h = bytes(hay);
        const auto* needle = needle_;
        const auto* mask = mask_;
        auto verify = [&](std::size_t at) {
            for (std::size_t j = 0; j < n; ++j)
                if ((h[at + j] | mask[j]) != needle[j])
                    return false;
            return true;
        };
        bool seen = special;
        if (size < 16) {
            // Short texts (application names, most links): bytewise.
            for (std::size_t at = 0; at < size; ++at) {
                if (!seen && h[at] >= 0xC0)
                    seen = asciiProducingAt(h + at, h + size, t_);
                if (at + n <= size && verify(at) && accept(at))
                    return true;
            }
            special = seen;
            return false;
        }

        const V16 f0 = splat(needle[0]), f1 = splat(needle[n - 1]), m0 = splat(mask[0]), m1 = splat(mask[n - 1]);
        // Candidate starts are 0..size-n. Blocks of 16 starts, the last one overlapping the one
        // before so that no bytewise tail is needed; a start may thus be tried twice.
        const std::size_t starts = size >= n ? size - n + 1 : 0;
        auto candidates = [&](std::size_t at0, std::uint64_t bits) {
            for (; bits; bits &= bits - 1) {
                const std::size_t at = at0 + static_cast<std::size_t>(__builtin_ctzll(bits) / 8);
                if (verify(at) && accept(at))
                    return true;
            }
            return false;
        };
        auto firstBytes = [&](V16 v) { return (v | m0) == f0; };
        auto lastBytes = [&](V16 v) { return (v | m1) == f1; };
        // Bytes that can belong to a character folding to ASCII (see Tables::asciiProducing): "ß"
        // is C3 9F, the others start with C4 or a higher lead byte. Spanish accents (C2 xx and
        // C3 xx) pass this cheap filter without a second look.
        auto mayFoldToAscii = [](V16 v) { return (v == 0x9F) | (v >= 0xC4); };

        // Main loop: 32 starts per step, a single branch unless something needs a closer look.
        std::size_t i = 0;
        for (; i + 32 <= starts; i += 32) {
            const V16 v0 = load16(h + i), v1 = load16(h + i + 16);
            const auto c0 = firstBytes(v0) & lastBytes(load16(h + i + n - 1));
            const auto c1 = firstBytes(v1) & lastBytes(load16(h + i + 16 + n - 1));
            const auto sp = seen ? decltype(c0){} : (mayFoldToAscii(v0) | mayFoldToAscii(v1));
            const auto any = c0 | c1 | sp;
            std::uint64_t w[2];
            std::memcpy(w, &any, 16);
            if ((w[0] | w[1]) == 0)
                continue;
            std::uint64_t half[4];
            std::memcpy(half, &c0, 16);
            std::memcpy(half + 2, &c1, 16);
            for (int k = 0; k < 4; ++k)
                if (candidates(i + static_cast<std::size_t>(8 * k), half[k] & 0x8080808080808080ull))
                    return true;
            if (!seen) {
                std::memcpy(w, &sp, 16);
                if ((w[0] | w[1]) != 0)
                    seen = rangeHasAsciiProducing(h, h + size, i >= 3 ? i - 3 : 0, i + 32, t_);
            }
        }

        // The rest in blocks of 16, the last one overlapping the one before so that no bytewise
        // tail is needed; a start may thus be tried twice.
        for (; i < size; i += 16) {
            const std::size_t block = std::min(i, size - 16);
            if (!seen) {
                const auto hit = mayFoldToAscii(load16(h + block));
                std::uint64_t half[2];
                std::memcpy(half, &hit, 16);
                if ((half[0] | half[1]) != 0)
                    seen = rangeHasAsciiProducing(h, h + size, block >= 3 ? block - 3 : 0, block + 16, t_);
            }
            if (starts == 0 || i >= starts)
                continue;
            if (starts >= 16) {
                const std::size_t at0 = std::min(i, starts - 16);
                const auto both = firstBytes(load16(h + at0)) & lastBytes(load16(h + at0 + n - 1));
                static_assert(sizeof(both) == 16);
                std::uint64_t half[2];
                std::memcpy(half, &both, 16);
                if (candidates(at0, half[0] & 0x8080808080808080ull) ||
                    candidates(at0 + 8, half[1] & 0x8080808080808080ull))
                    return true;
            } else {
                for (std::size_t at = 0; at < starts; ++at)
                    if (verify(at) && accept(at))
                        return true;
            }
        }
        special = seen;
        return false;
    }

private:
    const unsigned char* needle_;
    const unsigned char* mask_;
    std::size_t n_;
    const Tables& t_;
};

/// Position in a sequence of parts read as one string.
struct Joined {
    std::span<const std::string_view> parts;

    /// Whether the code point starting at absolute position pos continues the character before it.
    bool extendsAt(std::size_t pos) const
    {
        for (auto part : parts) {
            if (pos < part.size())
                return brisa::extendsAt(part, pos);
            pos -= part.size();
        }
        return false;
    }

    /// The byte at absolute position pos, which must be inside.
    unsigned char at(std::size_t pos) const
    {
        for (auto part : parts) {
            if (pos < part.size())
                return static_cast<unsigned char>(part[pos]);
            pos -= part.size();
        }
        return 0;
    }
};

thread_local std::string t_buffer;

} // namespace

CaseRules caseRulesForLocale(std::string_view localeId)
{
    const auto end = localeId.find_first_of("_-.@");
    auto lang = lowercased(localeId.substr(0, end));
    return lang == "tr" || lang == "az" ? CaseRules::Turkic : CaseRules::Default;
}

CaseRules currentCaseRules() { return caseRulesForLocale(icu::Locale::getDefault().getLanguage()); }

std::string foldForComparison(std::string_view text, CaseRules rules)
{
    std::string out;
    const std::string_view parts[] = {text};
    foldJoined(parts, tables(rules), out);
    return out;
}

std::string lowercased(std::string_view text)
{
    if (firstNonAscii(text) == text.size()) {
        std::string out(text);
        for (auto& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + ('a' - 'A'));
        return out;
    }
    icu::UnicodeString s;
    appendUtf16(s, text);
    s.toLower(icu::Locale::getRoot());
    std::string out;
    s.toUTF8String(out);
    return out;
}

std::size_t characterCount(std::string_view text, std::size_t limit)
{
    if (firstNonAscii(text) == text.size() && text.find('\r') == std::string_view::npos)
        return std::min(text.size(), limit);
    GraphemeWalker walker(text);
    if (!walker.ok())
        return std::min(text.size(), limit);
    std::size_t count = 0;
    while (count < limit && walker.next())
        ++count;
    return count;
}

FoldedNeedle::FoldedNeedle(std::string_view needle, CaseRules rules) : rules_(rules)
{
    folded_ = foldForComparison(needle, rules);
    ascii_ = firstNonAscii(folded_) == folded_.size();
    if (ascii_) {
        caseMask_.resize(folded_.size());
        for (std::size_t i = 0; i < folded_.size(); ++i) {
            const char c = folded_[i];
            // Under Turkic rules "I" folds to dotless "ı", so only "i" itself matches "i".
            const bool letter = c >= 'a' && c <= 'z' && !(rules == CaseRules::Turkic && c == 'i');
            caseMask_[i] = letter ? 0x20 : 0x00;
        }
    }
}

bool FoldedNeedle::in(std::string_view haystack) const
{
    const std::string_view parts[] = {haystack};
    return inJoined(parts);
}

bool FoldedNeedle::inJoined(std::span<const std::string_view> parts) const
{
    if (folded_.empty())
        return true;
    return ascii_ ? asciiIn(parts, nullptr) : foldedIn(parts);
}

bool FoldedNeedle::inJoined(std::span<const std::string_view> parts, std::string_view foldedParts) const
{
    if (folded_.empty())
        return true;
    // An ASCII needle still scans the stored bytes first, so that the answer is the one inJoined
    // gives to the letter; the folded copy stands in only where that would fold.
    return ascii_ ? asciiIn(parts, &foldedParts) : containsWhole(foldedParts, folded_);
}

bool FoldedNeedle::asciiIn(std::span<const std::string_view> parts, const std::string_view* foldedParts) const
{
    const auto& t = tables(rules_);
    const AsciiScanner scanner(folded_, caseMask_, t);
    const Joined joined{parts};
    const std::size_t n = folded_.size();
    bool special = false;

    // Matches inside one part.
    std::size_t base = 0;
    for (auto part : parts) {
        if (scanner.scan(part, special, [&](std::size_t pos) { return !joined.extendsAt(base + pos + n); }))
            return true;
        base += part.size();
    }
    const std::size_t total = base;

    // Matches across a joint J start in [J-n+1, J) and end after J: try those few starts,
    // first by their initial byte.
    std::size_t joint = 0, previous = 0;
    for (std::size_t k = 0; n > 1 && k + 1 < parts.size(); ++k) {
        joint += parts[k].size();
        if (joint == 0 || joint == previous || joint >= total)
            continue;
        previous = joint;
        const std::size_t first = joint >= n - 1 ? joint - (n - 1) : 0;
        const std::size_t partStart = joint - parts[k].size();
        for (std::size_t s = first; s < joint && s + n <= total; ++s) {
            const unsigned char b0 = s >= partStart ? static_cast<unsigned char>(parts[k][s - partStart]) : joined.at(s);
            if (!scanner.matchByte(b0, 0))
                continue;
            std::size_t j = 1;
            while (j < n && scanner.matchByte(joined.at(s + j), j))
                ++j;
            if (j == n && !joined.extendsAt(s + n))
                return true;
        }
    }

    // The byte scan misses only matches through characters that fold to ASCII.
    if (!special)
        return false;
    return foldedParts ? containsWhole(*foldedParts, folded_) : foldedIn(parts);
}

bool FoldedNeedle::foldedIn(std::span<const std::string_view> parts) const
{
    // ASCII text folds to ASCII (except "I" under Turkic rules), so it cannot hold a non-ASCII needle.
    if (!ascii_ && rules_ == CaseRules::Default) {
        bool anyNonAscii = false;
        for (auto part : parts)
            if ((anyNonAscii = firstNonAscii(part) != part.size()))
                break;
        if (!anyNonAscii)
            return false;
    }
    auto& hay = t_buffer;
    foldJoined(parts, tables(rules_), hay);
    return containsWhole(hay, folded_);
}

bool localizedContains(std::string_view haystack, std::string_view needle)
{
    return FoldedNeedle(needle).in(haystack);
}

} // namespace brisa
