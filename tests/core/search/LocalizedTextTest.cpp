// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/search/LocalizedText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace brisa;

namespace {

struct ContainsCase {
    const char* haystack;
    const char* needle;
    bool expected;
};

class LocalizedContains : public ::testing::TestWithParam<ContainsCase> {};

std::string lowerAscii(std::string s)
{
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return s;
}

} // namespace

TEST_P(LocalizedContains, DefaultRules)
{
    const auto& c = GetParam();
    EXPECT_EQ(FoldedNeedle(c.needle, CaseRules::Default).in(c.haystack), c.expected)
        << "'" << c.needle << "' in '" << c.haystack << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocalizedContains,
    ::testing::Values(
        // Case-insensitive both ways, ASCII and not.
        ContainsCase{"Informe trimestral", "INFORME", true}, ContainsCase{"INFORME", "informe", true},
        ContainsCase{"informe", "informes", false}, ContainsCase{"ÁRBOL", "árbol", true},
        ContainsCase{"el árbol grande", "ÁRBOL", true}, ContainsCase{"El Niño", "NIÑO", true},
        ContainsCase{"ÇA VA", "ça", true},
        // Diacritics are significant, whether the accent is precomposed or combining.
        ContainsCase{"niño", "nino", false}, ContainsCase{"nino", "niño", false},
        ContainsCase{"nin\u0303o", "nino", false}, ContainsCase{"nin\u0303o", "nin", false},
        ContainsCase{"cafe\u0301", "cafe", false}, ContainsCase{"café", "cafe", false},
        ContainsCase{"árbol", "arbol", false},
        // Precomposed and decomposed forms are the same text.
        ContainsCase{"cafe\u0301 solo", "CAFÉ", true}, ContainsCase{"café", "CAFE\u0301", true},
        ContainsCase{"NIN\u0303O", "niño", true},
        // Full case folding: sharp s and ligatures fold to several letters, final sigma to sigma.
        ContainsCase{"Hauptstraße 5", "STRASSE", true}, ContainsCase{"HAUPTSTRASSE", "straße", true},
        ContainsCase{"HAUPTSTRAẞE", "strasse", true}, ContainsCase{"Hauptstraße", "strase", false},
        ContainsCase{"the \uFB01le", "FILE", true}, ContainsCase{"ΟΔΟΣ", "οδος", true},
        ContainsCase{"20 \u212A", "k", true}, ContainsCase{"ab;", "\u037E", true},
        // Non-ASCII needles against ASCII text and the other way round.
        ContainsCase{"plain ascii text", "ñ", false}, ContainsCase{"año", "a", true},
        ContainsCase{"¿Qué tal? — bien", "QUÉ TAL", true}, ContainsCase{"日本語のテキスト", "テキスト", true},
        // Emoji sequences: a match may not stop before a joiner or modifier.
        ContainsCase{"👍\U0001F3FD", "👍", false}, ContainsCase{"👍 ok", "👍", true},
        // Empty needle and haystack.
        ContainsCase{"", "", true}, ContainsCase{"abc", "", true}, ContainsCase{"", "a", false}));

TEST(LocalizedText, JoinedPartsMatchAcrossTheirJoints)
{
    const FoldedNeedle cde("cde", CaseRules::Default);
    EXPECT_TRUE(cde.inJoined({"abc", "Defter", ""}));
    EXPECT_TRUE(cde.inJoined({"ab", "C", "de"}));
    EXPECT_TRUE(cde.inJoined({"abc", "", "DEF"}));
    EXPECT_FALSE(cde.inJoined({"abc", "xDefter", ""}));
    EXPECT_TRUE(FoldedNeedle("árbol", CaseRules::Default).inJoined({"el ÁR", "BOL"}));
    EXPECT_TRUE(FoldedNeedle("strasse", CaseRules::Default).inJoined({"Stra", "ße"}));
    // A combining mark at the start of a part belongs to the character before the joint.
    EXPECT_FALSE(FoldedNeedle("nin", CaseRules::Default).inJoined({"nin", "\u0303o"}));
    EXPECT_TRUE(FoldedNeedle("niño", CaseRules::Default).inJoined({"nin", "\u0303o"}));
}

TEST(LocalizedText, AsciiScanAgreesWithPlainSearchAtEveryOffset)
{
    std::mt19937 rng(7);
    const std::string alphabet = "abcABC @-\xC3\xB1";
    for (int round = 0; round < 3000; ++round) {
        std::string hay, needle;
        const auto hayLen = rng() % 100, needleLen = 1 + rng() % 4;
        for (unsigned i = 0; i < hayLen; ++i)
            hay += alphabet[rng() % alphabet.size()];
        for (unsigned i = 0; i < needleLen; ++i)
            needle += "abcABC @-"[rng() % 9];
        const bool expected = lowerAscii(hay).find(lowerAscii(needle)) != std::string::npos;
        // The haystack may hold stray UTF-8 halves; they never match an ASCII needle.
        EXPECT_EQ(FoldedNeedle(needle, CaseRules::Default).in(hay), expected) << needle << " in " << hay;
    }
}

TEST(LocalizedText, LongTextsGiveTheSameAnswersAtAnyOffset)
{
    for (std::size_t pad = 0; pad < 40; ++pad) {
        const std::string before(pad, 'x'), after(40 - pad, 'y');
        EXPECT_TRUE(FoldedNeedle("STRASSE", CaseRules::Default).in(before + "Hauptstraße" + after)) << pad;
        EXPECT_TRUE(FoldedNeedle("árbol", CaseRules::Default).in(before + "ÁRBOL" + after)) << pad;
        EXPECT_FALSE(FoldedNeedle("nino", CaseRules::Default).in(before + "nin\u0303o" + after)) << pad;
        EXPECT_TRUE(FoldedNeedle("xnin", CaseRules::Default).in(before + "xnin" + after)) << pad;
        EXPECT_TRUE(FoldedNeedle("cde", CaseRules::Default).inJoined({before + "abc", "Def" + after, ""})) << pad;
    }
}

TEST(LocalizedText, TurkicRulesPairDottedAndDotlessI)
{
    EXPECT_EQ(caseRulesForLocale("tr_TR.UTF-8"), CaseRules::Turkic);
    EXPECT_EQ(caseRulesForLocale("az-Latn-AZ"), CaseRules::Turkic);
    EXPECT_EQ(caseRulesForLocale("es_ES.UTF-8"), CaseRules::Default);
    EXPECT_EQ(caseRulesForLocale(""), CaseRules::Default);

    EXPECT_TRUE(FoldedNeedle("istanbul", CaseRules::Turkic).in("İSTANBUL"));
    EXPECT_TRUE(FoldedNeedle("ILIK", CaseRules::Turkic).in("ılık"));
    EXPECT_FALSE(FoldedNeedle("i", CaseRules::Turkic).in("I"));
    EXPECT_FALSE(FoldedNeedle("I", CaseRules::Turkic).in("i"));
    EXPECT_TRUE(FoldedNeedle("I", CaseRules::Default).in("i"));
}

TEST(LocalizedText, InvalidUtf8IsReadAsReplacementCharacters)
{
    EXPECT_TRUE(FoldedNeedle("ABC", CaseRules::Default).in("\xff\xfe abc \xc3"));
    EXPECT_FALSE(FoldedNeedle("\xc3", CaseRules::Default).in("ñ"));
    EXPECT_FALSE(FoldedNeedle("ñ", CaseRules::Default).in("\xc3\x20\xb1"));
    EXPECT_TRUE(FoldedNeedle("\xed\xa0\x80", CaseRules::Default).in("x\xf8\xc0\xffy")); // each byte reads as U+FFFD
    EXPECT_EQ(foldForComparison("A\xe2\x82", CaseRules::Default), "a\uFFFD\uFFFD");
}

TEST(LocalizedText, FoldingAndLowerCasing)
{
    EXPECT_EQ(foldForComparison("Straße ÁRBOL", CaseRules::Default), "strasse árbol");
    EXPECT_EQ(foldForComparison("A\u0301", CaseRules::Default), "á");
    EXPECT_EQ(lowercased("@FigMa"), "@figma");
    EXPECT_EQ(lowercased("ÁRBOL Straße"), "árbol straße");
    EXPECT_EQ(localizedContains("Figma Desktop", "FIGMA"), true);
}

TEST(LocalizedText, CharacterCountUsesGraphemeClusters)
{
    EXPECT_EQ(characterCount(""), 0u);
    EXPECT_EQ(characterCount("@"), 1u);
    EXPECT_EQ(characterCount("@a"), 2u);
    EXPECT_EQ(characterCount("@\u0301"), 1u);
    EXPECT_EQ(characterCount("@é"), 2u);
    EXPECT_EQ(characterCount("e\u0301\r\n"), 2u);
    EXPECT_EQ(characterCount("👍\U0001F3FD"), 1u);
    EXPECT_EQ(characterCount("abcdef", 3), 3u);
    EXPECT_EQ(characterCount("\xff\xfe"), 2u);
}
