// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shortcuts/KeyTranslation.h"

#include <algorithm>
#include <iterator>

namespace brisa {
namespace {

struct KeyMapping {
    int code;
    std::uint32_t keysym;
};

// Physical keys by persisted code (ANSI layout), and the X keysym of the same key on a PC keyboard.
// Letters are the lower-case keysyms: that is what the keyboard map holds at shift level 0.
constexpr KeyMapping keyMappings[] = {
    {0, 0x0061},   // a
    {1, 0x0073},   // s
    {2, 0x0064},   // d
    {3, 0x0066},   // f
    {4, 0x0068},   // h
    {5, 0x0067},   // g
    {6, 0x007a},   // z
    {7, 0x0078},   // x
    {8, 0x0063},   // c
    {9, 0x0076},   // v
    {10, 0x00a7},  // section
    {11, 0x0062},  // b
    {12, 0x0071},  // q
    {13, 0x0077},  // w
    {14, 0x0065},  // e
    {15, 0x0072},  // r
    {16, 0x0079},  // y
    {17, 0x0074},  // t
    {18, 0x0031},  // 1
    {19, 0x0032},  // 2
    {20, 0x0033},  // 3
    {21, 0x0034},  // 4
    {22, 0x0036},  // 6
    {23, 0x0035},  // 5
    {24, 0x003d},  // equal
    {25, 0x0039},  // 9
    {26, 0x0037},  // 7
    {27, 0x002d},  // minus
    {28, 0x0038},  // 8
    {29, 0x0030},  // 0
    {30, 0x005d},  // bracketright
    {31, 0x006f},  // o
    {32, 0x0075},  // u
    {33, 0x005b},  // bracketleft
    {34, 0x0069},  // i
    {35, 0x0070},  // p
    {36, 0xff0d},  // Return
    {37, 0x006c},  // l
    {38, 0x006a},  // j
    {39, 0x0027},  // apostrophe
    {40, 0x006b},  // k
    {41, 0x003b},  // semicolon
    {42, 0x005c},  // backslash
    {43, 0x002c},  // comma
    {44, 0x002f},  // slash
    {45, 0x006e},  // n
    {46, 0x006d},  // m
    {47, 0x002e},  // period
    {48, 0xff09},  // Tab
    {49, 0x0020},  // space
    {50, 0x0060},  // grave
    {51, 0xff08},  // BackSpace (the key labelled delete)
    {53, 0xff1b},  // Escape
    {64, 0xffce},  // F17
    {65, 0xffae},  // KP_Decimal
    {67, 0xffaa},  // KP_Multiply
    {69, 0xffab},  // KP_Add
    {71, 0xff0b},  // Clear
    {75, 0xffaf},  // KP_Divide
    {76, 0xff8d},  // KP_Enter
    {78, 0xffad},  // KP_Subtract
    {79, 0xffcf},  // F18
    {80, 0xffd0},  // F19
    {81, 0xffbd},  // KP_Equal
    {82, 0xffb0},  // KP_0
    {83, 0xffb1},  // KP_1
    {84, 0xffb2},  // KP_2
    {85, 0xffb3},  // KP_3
    {86, 0xffb4},  // KP_4
    {87, 0xffb5},  // KP_5
    {88, 0xffb6},  // KP_6
    {89, 0xffb7},  // KP_7
    {90, 0xffd1},  // F20
    {91, 0xffb8},  // KP_8
    {92, 0xffb9},  // KP_9
    {96, 0xffc2},  // F5
    {97, 0xffc3},  // F6
    {98, 0xffc4},  // F7
    {99, 0xffc0},  // F3
    {100, 0xffc5}, // F8
    {101, 0xffc6}, // F9
    {103, 0xffc8}, // F11
    {105, 0xffca}, // F13
    {106, 0xffcd}, // F16
    {107, 0xffcb}, // F14
    {109, 0xffc7}, // F10
    {111, 0xffc9}, // F12
    {113, 0xffcc}, // F15
    {114, 0xff63}, // Insert: the key in the help key's place on a PC keyboard
    {115, 0xff50}, // Home
    {116, 0xff55}, // Prior (page up)
    {117, 0xffff}, // Delete (forward delete)
    {118, 0xffc1}, // F4
    {119, 0xff57}, // End
    {120, 0xffbf}, // F2
    {121, 0xff56}, // Next (page down)
    {122, 0xffbe}, // F1
    {123, 0xff51}, // Left
    {124, 0xff53}, // Right
    {125, 0xff54}, // Down
    {126, 0xff52}, // Up
};

static_assert(
    [] {
        for (std::size_t i = 1; i < std::size(keyMappings); ++i)
            if (keyMappings[i - 1].code >= keyMappings[i].code)
                return false;
        return true;
    }(),
    "keysymForKeyCode searches keyMappings by binary search");

static_assert(
    [] {
        for (std::size_t i = 0; i < std::size(keyMappings); ++i)
            for (std::size_t j = i + 1; j < std::size(keyMappings); ++j)
                if (keyMappings[i].keysym == keyMappings[j].keysym)
                    return false;
        return true;
    }(),
    "one key per keysym, so that translation round-trips");

constexpr int knownModifiers = shortcutModifier::control | shortcutModifier::option | shortcutModifier::shift |
                               shortcutModifier::command | shortcutModifier::function;

} // namespace

std::optional<std::uint32_t> keysymForKeyCode(int carbonKeyCode)
{
    auto it = std::lower_bound(std::begin(keyMappings), std::end(keyMappings), carbonKeyCode,
                               [](const KeyMapping& k, int code) { return k.code < code; });
    if (it != std::end(keyMappings) && it->code == carbonKeyCode)
        return it->keysym;
    return std::nullopt;
}

std::optional<int> keyCodeForKeysym(std::uint32_t keysym)
{
    // XK_A..XK_Z: a recorder may see the shifted letter; the key is the same.
    if (keysym >= 0x41 && keysym <= 0x5a)
        keysym += 0x20;
    for (const auto& k : keyMappings)
        if (k.keysym == keysym)
            return k.code;
    return std::nullopt;
}

std::optional<std::uint32_t> xModifiersFor(int carbonModifiers, KeyTranslationError* why)
{
    auto refuse = [why](KeyTranslationError e) -> std::optional<std::uint32_t> {
        if (why)
            *why = e;
        return std::nullopt;
    };
    if (carbonModifiers & ~knownModifiers)
        return refuse(KeyTranslationError::unknownModifier);
    if (carbonModifiers & shortcutModifier::function)
        return refuse(KeyTranslationError::functionModifier);
    std::uint32_t out = 0;
    if (carbonModifiers & shortcutModifier::control)
        out |= xModifier::control;
    if (carbonModifiers & shortcutModifier::option)
        out |= xModifier::mod1;
    if (carbonModifiers & shortcutModifier::shift)
        out |= xModifier::shift;
    if (carbonModifiers & shortcutModifier::command)
        out |= xModifier::mod4;
    return out;
}

int carbonModifiersFor(std::uint32_t xModifiers)
{
    int out = 0;
    if (xModifiers & xModifier::control)
        out |= shortcutModifier::control;
    if (xModifiers & xModifier::mod1)
        out |= shortcutModifier::option;
    if (xModifiers & xModifier::shift)
        out |= shortcutModifier::shift;
    if (xModifiers & xModifier::mod4)
        out |= shortcutModifier::command;
    return out;
}

KeyTranslation translateShortcut(const Shortcut& shortcut)
{
    KeyTranslation out;
    auto modifiers = xModifiersFor(shortcut.carbonModifiers, &out.error);
    if (!modifiers)
        return out;
    auto keysym = keysymForKeyCode(shortcut.carbonKeyCode);
    if (!keysym) {
        out.error = KeyTranslationError::unknownKey;
        return out;
    }
    out.combination = XKeyCombination{*keysym, *modifiers};
    return out;
}

std::string_view describe(KeyTranslationError error)
{
    switch (error) {
    case KeyTranslationError::unknownKey:
        return "tecla desconocida";
    case KeyTranslationError::functionModifier:
        return "la tecla Fn no se puede usar en un atajo global";
    case KeyTranslationError::unknownModifier:
        return "modificadores desconocidos";
    }
    return "error desconocido";
}

} // namespace brisa
