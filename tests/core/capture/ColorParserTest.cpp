// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ColorParser.h"

#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>

using namespace brisa;

namespace {

struct HexCase {
    std::string input;
    std::optional<std::string> expected;
};

class NormalizedHex : public testing::TestWithParam<HexCase> {};

TEST_P(NormalizedHex, GivesCanonicalFormOrNothing)
{
    EXPECT_EQ(ColorParser::normalizedHex(GetParam().input), GetParam().expected) << GetParam().input;
}

INSTANTIATE_TEST_SUITE_P(
    Notations, NormalizedHex,
    testing::Values(
        // hex forms, any case, trimmed of white space and line breaks
        HexCase{"#FFF", "#FFFFFF"}, HexCase{"#fff", "#FFFFFF"}, HexCase{" #ffffff\n", "#FFFFFF"},
        HexCase{"\xC2\xA0#0a1B2c\xE2\x80\xA8", "#0A1B2C"}, HexCase{"#abc", "#AABBCC"},
        HexCase{"#ff000080", "#FF000080"}, HexCase{"#ff0000ff", "#FF0000"}, HexCase{"#00000000", "#00000000"},
        // hex forms that are not colors
        HexCase{"#ffff", std::nullopt}, HexCase{"ff0000", std::nullopt}, HexCase{"#", std::nullopt},
        HexCase{"#f", std::nullopt}, HexCase{"#ff", std::nullopt}, HexCase{"#fffff", std::nullopt},
        HexCase{"#fffffff", std::nullopt}, HexCase{"#fffffffff", std::nullopt},
        HexCase{"#ggg", std::nullopt}, HexCase{"#ff 000", std::nullopt}, HexCase{"#+ff", std::nullopt},
        HexCase{"# fff", std::nullopt}, HexCase{"", std::nullopt}, HexCase{"   ", std::nullopt},
        // functional notation
        HexCase{"rgb(255, 0, 0)", "#FF0000"}, HexCase{"rgba(255,0,0,0.5)", "#FF000080"},
        HexCase{"rgb(100%, 50%, 0%)", "#FF8000"}, HexCase{"RGB(0,128,255)", "#0080FF"},
        HexCase{"rgba(255,0,0,50%)", "#FF0000"}, HexCase{"rgb(a,b,c)", "#000000"},
        HexCase{"rgb(1,,2,,3)", "#010203"}, HexCase{"rgb(10 / 20 / 30)", "#0A141E"},
        HexCase{"rgb(255,0,0) trailing", "#FF0000"}, HexCase{"rgb(+1e2,0x10,.5e1)", "#641005"},
        HexCase{"rgb(1, ,2)", "#010002"}, HexCase{"rgba(0,0,0,0.5,9)", "#00000080"},
        // components outside 0...1 are clamped when formatting
        HexCase{"rgb(300,-20,1e308)", "#FF00FF"}, HexCase{"rgb(inf,-inf,nan)", "#FF0000"},
        HexCase{"rgb(1e999,0,0)", "#FF0000"}, HexCase{"rgba(0,0,0,-3)", "#00000000"},
        HexCase{"rgba(0,0,0,7)", "#000000"}, HexCase{"rgba(0,0,0,nan)", "#000000"},
        // functional forms that are not colors
        HexCase{"rgb(255 0 0)", std::nullopt}, HexCase{"rgb(1,2)", std::nullopt},
        HexCase{"rgb)1,2,3(", std::nullopt}, HexCase{"rgb(1,2,3", std::nullopt},
        HexCase{"rgb 1,2,3)", std::nullopt}, HexCase{"rgb()", std::nullopt},
        HexCase{"hsl(0, 100%, 50%)", std::nullopt}, HexCase{"red", std::nullopt}));

TEST(ColorParser, HexComponentsAreDigitPairsOver255)
{
    auto c = ColorParser::color("#ff800040");
    ASSERT_TRUE(c);
    EXPECT_DOUBLE_EQ(c->red, 1.0);
    EXPECT_DOUBLE_EQ(c->green, 128.0 / 255.0);
    EXPECT_DOUBLE_EQ(c->blue, 0.0);
    EXPECT_DOUBLE_EQ(c->alpha, 64.0 / 255.0);

    auto shortForm = ColorParser::color("#a0f");
    ASSERT_TRUE(shortForm);
    EXPECT_DOUBLE_EQ(shortForm->red, 170.0 / 255.0);
    EXPECT_DOUBLE_EQ(shortForm->alpha, 1.0);
}

TEST(ColorParser, PercentChannelsAreHundredthsAndNotClamped)
{
    auto c = ColorParser::color("rgb(100%, 50%, 0%)");
    ASSERT_TRUE(c);
    EXPECT_DOUBLE_EQ(c->red, 1.0);
    EXPECT_DOUBLE_EQ(c->green, 0.5);
    EXPECT_DOUBLE_EQ(c->blue, 0.0);

    auto wide = ColorParser::color("rgb(300, -51, 200%)");
    ASSERT_TRUE(wide);
    EXPECT_DOUBLE_EQ(wide->red, 300.0 / 255.0);
    EXPECT_DOUBLE_EQ(wide->green, -0.2);
    EXPECT_DOUBLE_EQ(wide->blue, 2.0);
}

TEST(ColorParser, AlphaIsPlainDecimalClampedToUnitRange)
{
    EXPECT_DOUBLE_EQ(ColorParser::color("rgba(0,0,0,0.25)")->alpha, 0.25);
    EXPECT_DOUBLE_EQ(ColorParser::color("rgba(0,0,0,50%)")->alpha, 1.0);
    EXPECT_DOUBLE_EQ(ColorParser::color("rgba(0,0,0,x)")->alpha, 1.0);
    EXPECT_DOUBLE_EQ(ColorParser::color("rgba(0,0,0,2)")->alpha, 1.0);
    EXPECT_DOUBLE_EQ(ColorParser::color("rgba(0,0,0,-1)")->alpha, 0.0);
    EXPECT_DOUBLE_EQ(ColorParser::color("rgb(0,0,0)")->alpha, 1.0);
}

TEST(ColorParser, DecimalsIgnoreTheLocalesDecimalComma)
{
    // Whatever locale the process runs under, "0.5" is one half.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool switched = std::setlocale(LC_NUMERIC, "es_ES.UTF-8") || std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(ColorParser::normalizedHex("rgba(255,0,0,0.5)"), "#FF000080");
    EXPECT_EQ(ColorParser::normalizedHex("rgba(255,0,0,0,5)"), "#FF000000");
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!switched)
        GTEST_LOG_(INFO) << "no decimal-comma locale installed; checked under the C locale only";
}

TEST(ColorParser, CompDoublesASingleDigitAndReadsBadDigitsAsZero)
{
    EXPECT_DOUBLE_EQ(ColorParser::comp("f", 0, 1), 1.0);
    EXPECT_DOUBLE_EQ(ColorParser::comp("0080", 2, 2), 128.0 / 255.0);
    EXPECT_DOUBLE_EQ(ColorParser::comp("zz", 0, 2), 0.0);
    EXPECT_DOUBLE_EQ(ColorParser::comp("ab", 5, 2), 0.0);
}

} // namespace
