// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clips/TrigramFilter.h"

#include <algorithm>
#include <array>
#include <bit>

namespace brisa::trigrams {
namespace {

/// What a byte counts as in a run: letters A-Z as a-z, and every byte beyond ASCII as one and the
/// same, so that a text need not be folded when folding keeps its bytes beyond ASCII where they
/// are (see indexedForm).
constexpr auto kKeys = [] {
    std::array<std::uint8_t, 256> keys{};
    for (unsigned c = 0; c < 256; ++c)
        keys[c] = static_cast<std::uint8_t>(c >= 0x80 ? 0x80 : (c >= 'A' && c <= 'Z' ? (c | 0x20) : c));
    return keys;
}();

inline std::uint32_t key(unsigned char c) { return kKeys[c]; }

inline std::uint32_t hash(std::uint32_t run)
{
    return static_cast<std::uint32_t>((run * 0x9E3779B97F4A7C15ull) >> 32);
}

/// Whether folding text changes no byte but letter case and bytes beyond ASCII, each character
/// keeping its length: ASCII and the characters up to U+00FF, but "ß" (which folds to "ss") and,
/// under Turkic rules, "I" (to dotless "ı"). Precomposed, these compose with nothing after them.
bool foldsInPlace(std::string_view text, CaseRules rules)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            if (c == 'I' && rules == CaseRules::Turkic)
                return false;
            continue;
        }
        if ((c != 0xC2 && c != 0xC3) || i + 1 >= n || (p[i + 1] & 0xC0) != 0x80 || (c == 0xC3 && p[i + 1] == 0x9F))
            return false;
        ++i;
    }
    return true;
}

} // namespace

bool foldsInPlace(std::span<const std::string_view> parts, CaseRules rules)
{
    return std::all_of(parts.begin(), parts.end(), [rules](std::string_view part) { return foldsInPlace(part, rules); });
}

std::size_t sketchWords(std::size_t size)
{
    // Two bits a byte (three on average, rounded up) keep a sketch of text's distinct runs about
    // a fifth full, so that each run of a word passes over four texts in five; 8 KiB at most.
    constexpr std::size_t kMostBits = std::size_t{1} << 16;
    const std::size_t bits = std::clamp<std::size_t>(std::bit_ceil(std::max<std::size_t>(size, 1) * 2), 64, kMostBits);
    return bits / 64;
}

void sketch(std::string_view text, std::span<std::uint64_t> out)
{
    std::fill(out.begin(), out.end(), 0);
    if (text.size() < kShortest)
        return;
    const std::size_t mask = out.size() * 64 - 1;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::uint32_t run = (key(p[0]) << 8) | key(p[1]);
    for (std::size_t i = 2; i < text.size(); ++i) {
        run = ((run << 8) | key(p[i])) & 0xFFFFFF;
        const std::size_t bit = hash(run) & mask;
        out[bit >> 6] |= std::uint64_t{1} << (bit & 63);
    }
}

std::vector<std::uint32_t> runsOf(std::string_view word)
{
    std::vector<std::uint32_t> out;
    const auto* p = reinterpret_cast<const unsigned char*>(word.data());
    for (std::size_t i = 0; i + kShortest <= word.size(); ++i)
        out.push_back(hash((key(p[i]) << 16) | (key(p[i + 1]) << 8) | key(p[i + 2])));
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    // A pasted page as the search: a few runs pass over nearly as many texts as all of them.
    constexpr std::size_t kMostRuns = 16;
    if (out.size() > kMostRuns)
        out.resize(kMostRuns);
    return out;
}

std::string_view indexedForm(std::span<const std::string_view> parts, CaseRules rules, std::string& buffer)
{
    if (!foldsInPlace(parts, rules)) {
        buffer = foldJoinedForComparison(parts, rules);
        return buffer;
    }
    bool contiguous = true;
    const char* next = nullptr;
    for (auto part : parts) {
        if (!part.empty()) {
            contiguous = contiguous && (next == nullptr || part.data() == next);
            next = part.data() + part.size();
        }
    }
    if (contiguous && next != nullptr) {
        std::size_t size = 0;
        for (auto part : parts)
            size += part.size();
        return {next - size, size};
    }
    buffer.clear();
    for (auto part : parts)
        buffer.append(part);
    return buffer;
}

} // namespace brisa::trigrams
