// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/search/SearchQuery.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace brisa;

namespace {

struct ParseCase {
    const char* input;
    const char* freeText;
    std::optional<std::string> appFilter;
    std::optional<ClipType> typeFilter;
};

class SearchQueryParsing : public ::testing::TestWithParam<ParseCase> {};

ClipItem clip(ClipType type, std::optional<std::string> text, std::optional<std::string> app = std::nullopt,
              std::optional<std::string> ocr = std::nullopt)
{
    ClipItem item;
    item.typeRaw = std::string(rawValue(type));
    item.textContent = std::move(text);
    item.sourceAppName = std::move(app);
    item.ocrText = std::move(ocr);
    return item;
}

} // namespace

TEST_P(SearchQueryParsing, SplitsWordsAndFilters)
{
    const auto& c = GetParam();
    const SearchQuery q(c.input, CaseRules::Default);
    EXPECT_EQ(q.freeText(), c.freeText);
    EXPECT_EQ(q.appFilter(), c.appFilter);
    EXPECT_EQ(q.typeFilter(), c.typeFilter);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SearchQueryParsing,
    ::testing::Values(ParseCase{"", "", std::nullopt, std::nullopt}, ParseCase{"   ", "", std::nullopt, std::nullopt},
                      ParseCase{"@", "@", std::nullopt, std::nullopt},
                      ParseCase{"@IMAGE", "", std::nullopt, ClipType::Image},
                      ParseCase{"@Figma", "", "figma", std::nullopt},
                      ParseCase{"@images", "", "images", std::nullopt},
                      ParseCase{"hola   mundo", "hola mundo", std::nullopt, std::nullopt},
                      ParseCase{"  foo\tbar ", "foo\tbar", std::nullopt, std::nullopt},
                      ParseCase{"a\nb c", "a\nb c", std::nullopt, std::nullopt},
                      ParseCase{"@image @file", "", std::nullopt, ClipType::File},
                      ParseCase{"@figma @slack", "", "slack", std::nullopt},
                      ParseCase{"@figma @image report", "report", "figma", ClipType::Image},
                      ParseCase{"@code @figma", "", "figma", ClipType::Code},
                      ParseCase{"informe @Screenshot final", "informe final", std::nullopt, ClipType::Screenshot},
                      ParseCase{"a@b @ c", "a@b @ c", std::nullopt, std::nullopt},
                      ParseCase{"@ÁRBOL", "", "árbol", std::nullopt}, ParseCase{"@é", "", "é", std::nullopt},
                      // "@" with a lone combining mark is a single character, hence a plain word.
                      ParseCase{"@\u0301", "@\u0301", std::nullopt, std::nullopt},
                      ParseCase{"@\xff", "", "\uFFFD", std::nullopt}));

TEST(SearchQuery, EmptyQueryMatchesEveryClip)
{
    const SearchQuery q("   ", CaseRules::Default);
    EXPECT_TRUE(q.isEmpty());
    EXPECT_TRUE(q.matches(clip(ClipType::Image, std::nullopt)));
    EXPECT_TRUE(q.matches(clip(ClipType::Text, "x", "App")));
}

TEST(SearchQuery, LoneAtSignSearchesForAnAtSign)
{
    const SearchQuery q("@", CaseRules::Default);
    EXPECT_TRUE(q.matches(clip(ClipType::Text, "ana@example.org")));
    EXPECT_FALSE(q.matches(clip(ClipType::Text, "no at sign")));
}

TEST(SearchQuery, KindFilterComparesTheDerivedType)
{
    const SearchQuery q("@text", CaseRules::Default);
    auto unknown = clip(ClipType::Text, "x");
    unknown.typeRaw = "hologram"; // reads as text
    EXPECT_TRUE(q.matches(unknown));
    EXPECT_FALSE(q.matches(clip(ClipType::Code, "x")));
    EXPECT_FALSE(SearchQuery("@image @code", CaseRules::Default).matches(clip(ClipType::Image, "x")));
    EXPECT_TRUE(SearchQuery("@image @code", CaseRules::Default).matches(clip(ClipType::Code, "x")));
}

TEST(SearchQuery, AppFilterIsCaseInsensitiveContainmentOnTheAppName)
{
    const SearchQuery q("@Figma", CaseRules::Default);
    EXPECT_TRUE(q.matches(clip(ClipType::Image, std::nullopt, "Figma Desktop")));
    EXPECT_FALSE(q.matches(clip(ClipType::Image, "figma in the text", "Slack")));
    EXPECT_FALSE(q.matches(clip(ClipType::Image, std::nullopt, std::nullopt)));
    EXPECT_FALSE(SearchQuery("@fígma", CaseRules::Default).matches(clip(ClipType::Text, "", "Figma")));
}

TEST(SearchQuery, AllFiltersMustHold)
{
    const SearchQuery q("@figma @image report", CaseRules::Default);
    EXPECT_TRUE(q.matches(clip(ClipType::Image, std::nullopt, "Figma", "Quarterly REPORT")));
    EXPECT_TRUE(q.matches(clip(ClipType::Image, std::nullopt, "Figma report tool")));
    EXPECT_FALSE(q.matches(clip(ClipType::Image, std::nullopt, "Figma", "nothing")));
    EXPECT_FALSE(q.matches(clip(ClipType::Code, "report", "Figma")));
    EXPECT_FALSE(q.matches(clip(ClipType::Image, "report", "Sketch")));
}

TEST(SearchQuery, FreeTextIsOneStringWithSingleSpaces)
{
    const SearchQuery q("hola   mundo", CaseRules::Default);
    EXPECT_TRUE(q.matches(clip(ClipType::Text, "¡Hola Mundo!")));
    EXPECT_FALSE(q.matches(clip(ClipType::Text, "hola  mundo")));
    EXPECT_FALSE(q.matches(clip(ClipType::Text, "mundo hola")));
}

TEST(SearchQuery, HaystackJoinsTextAppAndRecognisedTextWithNothingBetween)
{
    EXPECT_TRUE(SearchQuery("cde", CaseRules::Default).matches(clip(ClipType::Text, "abc", "Defter")));
    EXPECT_TRUE(SearchQuery("erfact", CaseRules::Default).matches(clip(ClipType::Image, std::nullopt, "Defter", "factura")));
    EXPECT_TRUE(SearchQuery("cdefterfac", CaseRules::Default).matches(clip(ClipType::Image, "abc", "Defter", "factura")));
    EXPECT_TRUE(SearchQuery("factura", CaseRules::Default).matches(clip(ClipType::Screenshot, std::nullopt, std::nullopt, "FACTURA 12")));
}

TEST(SearchQuery, ClipWithoutAnyTextMatchesOnlyEmptyFreeText)
{
    const auto bare = clip(ClipType::Image, std::nullopt);
    EXPECT_TRUE(SearchQuery("@image", CaseRules::Default).matches(bare));
    EXPECT_FALSE(SearchQuery("a", CaseRules::Default).matches(bare));
    EXPECT_FALSE(SearchQuery("@", CaseRules::Default).matches(bare));
}

TEST(SearchQuery, FreeTextUsesLocalizedComparison)
{
    EXPECT_TRUE(SearchQuery("ÁRBOL", CaseRules::Default).matches(clip(ClipType::Text, "un árbol")));
    EXPECT_FALSE(SearchQuery("nino", CaseRules::Default).matches(clip(ClipType::Text, "el niño")));
    EXPECT_TRUE(SearchQuery("foo\tbar", CaseRules::Default).matches(clip(ClipType::Text, "FOO\tBAR")));
    EXPECT_FALSE(SearchQuery("foo\tbar", CaseRules::Default).matches(clip(ClipType::Text, "foo bar")));
}

TEST(SearchQuery, AFoldedCopyMadeBeforehandGivesTheSameAnswers)
{
    // Texts where folding changes length, joins characters or needs ICU, beside plain ones.
    const std::string texts[] = {
        "informe anual", "INFORMACIÓN", "Información", "straße", "STRASSE", "İstanbul", "istanbul",
        "ISTANBUL", "ıI", "e\xCC\x81l ni\xC3\xB1o", "el nin\xCC\x83o", "a\xCD\x85", "\xEF\xAC\x81n", "ﬃ",
        "\xE2\x84\xAA" "elvin", "ΣΊΣΥΦΟΣ", "σίσυφος", "👍🏽 listo", "👨‍👩‍👧 familia", "東京都 情報",
        "情報", "caf\xC3\xA9\xCC\x81", std::string("bad\xFF\xC3 bytes", 11), "",
    };
    const std::string apps[] = {"", "Figma", "TextEdit Ñ", "\xCC\x81"};
    const std::string queries[] = {
        "informe", "INFORMACIÓN", "información", "ss", "STRASSE", "straße", "İ", "i", "ı", "I", "él", "el",
        "niño", "nino", "ι", "fi", "ﬁ", "ffi", "kelvin", "ΣΊΣΥΦΟΣ", "σ", "👍", "🏽", "👨", "東京", "情報", "é",
        "e", "\xCC\x81", "a", "@textedit ñ", "@figma in", "@image", "listo @ñ", "\xEF\xBF\xBD",
    };
    for (auto rules : {CaseRules::Default, CaseRules::Turkic}) {
        for (const auto& q : queries) {
            const SearchQuery query(q, rules);
            for (const auto& text : texts)
                for (const auto& app : apps)
                    for (const auto* ocr : {"", "Σ OCR ß"}) {
                        SCOPED_TRACE(q + " | " + text + " | " + app + " | " + ocr);
                        const auto folded = foldForComparison(text + app + ocr, rules);
                        EXPECT_EQ(query.matches(ClipType::Text, text, app, ocr, folded),
                                  query.matches(ClipType::Text, text, app, ocr));
                    }
        }
    }
}
