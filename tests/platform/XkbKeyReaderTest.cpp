// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/XkbKeyReader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace brisa;

namespace {

// Key codes of a pc105 keyboard as the X server numbers them (evdev + 8).
enum Key : std::uint32_t {
    Two = 11, E = 26, Q = 24, Y = 29, A = 38, AC10 = 47, AC11 = 48, AE11 = 20, AE12 = 21, Comma = 59,
    ShiftL = 50, CapsLock = 66, ControlL = 37, AltL = 64, SuperL = 133, AltGr = 108,
    Space = 65, Tab = 23, Return = 36, KeypadEnter = 104, BackSpace = 22, Left = 113, F1 = 67,
};

/// A key pressed alone ({k}), or held while the next ones are typed ({Shift, A}).
using Chord = std::vector<std::uint32_t>;

/// What the presses of these chords type, joined.
std::string type(XkbKeyReader& reader, const std::vector<Chord>& chords)
{
    std::string text;
    for (const Chord& chord : chords) {
        for (std::uint32_t code : chord)
            text += reader.read(code, true).text;
        for (auto it = chord.rbegin(); it != chord.rend(); ++it)
            reader.read(*it, false);
    }
    return text;
}

} // namespace

TEST(XkbKeyReader, LayoutsGiveTheCharactersTheUserSees)
{
    struct Case {
        const char* layout;
        std::vector<Chord> keys;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"us", {{AC10}, {A}}, ";a"},
        {"us", {{ShiftL, A}, {ShiftL, AC10}}, "A:"},
        {"us", {{CapsLock}, {A}, {CapsLock}, {A}}, "Aa"},
        {"us", {{AC11}, {E}}, "'e"},
        {"es", {{ShiftL, Comma}, {A}, {AC10}, {Y}}, ";añy"},
        {"es", {{AC11}, {E}}, "é"},
        {"es", {{ShiftL, AC11}, {E}}, "ë"},
        {"es", {{AltGr, Two}}, "@"},
        {"es", {{CapsLock}, {AC10}, {CapsLock}}, "Ñ"},
        {"de", {{AE11}, {AC10}, {Y}}, "ßöz"},
        {"de", {{AE12}, {E}}, "é"},
        {"de", {{AltGr, Q}}, "@"},
        {"de", {{ShiftL, Comma}}, ";"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.layout) + " → " + c.text);
        XkbKeyReader reader("en_US.UTF-8");
        ASSERT_TRUE(reader.setLayout(c.layout));
        EXPECT_EQ(type(reader, c.keys), c.text);
    }
}

TEST(XkbKeyReader, KindsAndChords)
{
    struct Case {
        std::vector<std::uint32_t> held;
        std::uint32_t key;
        ObservedKey::Kind kind;
        bool chord;
        Delimiter delimiter = Delimiter::Space;
    };
    const std::vector<Case> cases = {
        {{}, Space, ObservedKey::Kind::Delimiter, false, Delimiter::Space},
        {{ShiftL}, Space, ObservedKey::Kind::Delimiter, false, Delimiter::Space},
        {{}, Tab, ObservedKey::Kind::Delimiter, false, Delimiter::Tab},
        {{}, Return, ObservedKey::Kind::Delimiter, false, Delimiter::Return},
        {{}, KeypadEnter, ObservedKey::Kind::Delimiter, false, Delimiter::KeypadEnter},
        {{}, BackSpace, ObservedKey::Kind::BackSpace, false},
        {{}, Left, ObservedKey::Kind::Navigation, false},
        {{}, F1, ObservedKey::Kind::Other, false},
        {{}, ShiftL, ObservedKey::Kind::Modifier, false},
        {{ControlL}, A, ObservedKey::Kind::Other, true},
        {{AltL}, A, ObservedKey::Kind::Text, true},
        {{SuperL}, A, ObservedKey::Kind::Text, true},
        {{AltGr}, Two, ObservedKey::Kind::Text, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        XkbKeyReader reader("en_US.UTF-8");
        ASSERT_TRUE(reader.setLayout("es"));
        for (std::uint32_t h : c.held)
            reader.read(h, true);
        const ObservedKey key = reader.read(c.key, true);
        EXPECT_EQ(key.kind, c.kind);
        EXPECT_EQ(key.chord, c.chord);
        EXPECT_EQ(key.code, c.key);
        if (c.kind == ObservedKey::Kind::Delimiter) {
            EXPECT_EQ(key.delimiter, c.delimiter);
        }
    }
}

TEST(XkbKeyReader, ADeadKeyTypesNothingUntilTheNextKey)
{
    XkbKeyReader reader("en_US.UTF-8");
    ASSERT_TRUE(reader.setLayout("es"));
    const ObservedKey dead = reader.read(AC11, true);
    EXPECT_EQ(dead.kind, ObservedKey::Kind::Text);
    EXPECT_EQ(dead.text, "");
    reader.read(AC11, false);
    EXPECT_EQ(reader.read(E, true).text, "é");
}

TEST(XkbKeyReader, TheServersStateSwitchesTheGroup)
{
    XkbKeyReader reader("en_US.UTF-8");
    ASSERT_TRUE(reader.setLayout("us,es"));
    EXPECT_EQ(type(reader, {{AC10}}), ";");
    reader.setState(0, 0, 0, 0, 0, 1); // the desktop locked the second layout
    EXPECT_EQ(type(reader, {{AC10}}), "ñ");
}
