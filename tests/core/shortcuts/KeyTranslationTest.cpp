// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shortcuts/KeyTranslation.h"

#include <gtest/gtest.h>

#include <climits>

using namespace brisa;

TEST(KeyTranslation, KnownKeysMapToTheirKeysyms)
{
    struct Case {
        int code;
        std::uint32_t keysym;
    };
    const Case cases[] = {
        {0, 0x61},     {9, 0x76},     {8, 0x63},     {45, 0x6e},    {29, 0x30},    {18, 0x31},
        {25, 0x39},    {36, 0xff0d},  {53, 0xff1b},  {49, 0x20},    {48, 0xff09},  {51, 0xff08},
        {117, 0xffff}, {122, 0xffbe}, {111, 0xffc9}, {123, 0xff51}, {124, 0xff53}, {125, 0xff54},
        {126, 0xff52}, {27, 0x2d},    {50, 0x60},    {42, 0x5c},    {82, 0xffb0},  {92, 0xffb9},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keysymForKeyCode(c.code), c.keysym) << c.code;
}

TEST(KeyTranslation, EveryNamedKeyHasAKeysymAndRoundTrips)
{
    int named = 0;
    for (int code = -5; code < 300; ++code) {
        const bool hasName = keyName(code).rfind("Tecla ", 0) != 0;
        const auto keysym = keysymForKeyCode(code);
        EXPECT_EQ(hasName, keysym.has_value()) << code;
        if (keysym) {
            ++named;
            EXPECT_EQ(keyCodeForKeysym(*keysym), code) << code;
        }
    }
    EXPECT_GT(named, 90);
}

TEST(KeyTranslation, UpperCaseLettersAreTheirKey)
{
    EXPECT_EQ(keyCodeForKeysym(0x56), 9); // XK_V
    EXPECT_EQ(keyCodeForKeysym(0x76), 9); // XK_v
    EXPECT_EQ(keyCodeForKeysym(0x1234), std::nullopt);
}

TEST(KeyTranslation, UnknownCodesAreRefused)
{
    for (int code : {52, 54, 55, 63, 127, 128, 1000, -1, INT_MIN, INT_MAX})
        EXPECT_EQ(keysymForKeyCode(code), std::nullopt) << code;
    auto t = translateShortcut({52, shortcutModifier::command});
    EXPECT_FALSE(t);
    EXPECT_EQ(t.error, KeyTranslationError::unknownKey);
}

TEST(KeyTranslation, ModifiersMapToXMasks)
{
    struct Case {
        int carbon;
        std::uint32_t x;
    };
    const Case cases[] = {
        {0, 0},
        {shortcutModifier::control, 1u << 2},
        {shortcutModifier::option, 1u << 3},
        {shortcutModifier::shift, 1u << 0},
        {shortcutModifier::command, 1u << 6},
        {4352, (1u << 2) | (1u << 6)},
        {768, (1u << 0) | (1u << 6)},
        {4096 | 2048 | 512 | 256, 0b1001101},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(xModifiersFor(c.carbon), c.x) << c.carbon;
        EXPECT_EQ(carbonModifiersFor(c.x), c.carbon) << c.carbon;
    }
    // Lock bits (CapsLock, NumLock on Mod2) say nothing about the shortcut.
    EXPECT_EQ(carbonModifiersFor((1u << 1) | (1u << 4) | (1u << 2)), shortcutModifier::control);
}

TEST(KeyTranslation, FunctionAndUnknownModifiersAreRefused)
{
    KeyTranslationError why{};
    EXPECT_EQ(xModifiersFor(shortcutModifier::function | shortcutModifier::command, &why), std::nullopt);
    EXPECT_EQ(why, KeyTranslationError::functionModifier);
    for (int bits : {1, 1024, 0x10000, 0x40000, INT_MIN, -1}) {
        EXPECT_EQ(xModifiersFor(bits, &why), std::nullopt) << bits;
        EXPECT_EQ(why, KeyTranslationError::unknownModifier) << bits;
    }
    auto t = translateShortcut({96, shortcutModifier::function});
    EXPECT_FALSE(t);
    EXPECT_EQ(t.error, KeyTranslationError::functionModifier);
    EXPECT_FALSE(describe(t.error).empty());
}

TEST(KeyTranslation, DefaultShortcutsTranslate)
{
    EXPECT_EQ(translateShortcut(*shortcutNames::togglePanel().defaultShortcut).combination,
              (XKeyCombination{0x76, xModifier::control | xModifier::mod4}));
    EXPECT_EQ(translateShortcut(*shortcutNames::bulkCopyToggle().defaultShortcut).combination,
              (XKeyCombination{0x63, xModifier::shift | xModifier::mod4}));
    EXPECT_EQ(translateShortcut(*shortcutNames::sequentialPasteBack().defaultShortcut).combination,
              (XKeyCombination{0xff52, xModifier::mod4}));
    for (const auto& name : shortcutNames::all())
        EXPECT_TRUE(translateShortcut(*name.defaultShortcut)) << name.rawValue;
}
