// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/KeyboardShortcuts.h"

#include "core/stores/JsonText.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>
#include <utility>

namespace brisa {

namespace shortcutNames {

namespace {

constexpr int controlCommand = shortcutModifier::control | shortcutModifier::command;

ShortcutName make(std::string raw, int keyCode, int modifiers) { return {std::move(raw), Shortcut{keyCode, modifiers}}; }

} // namespace

const ShortcutName& togglePanel()
{
    static const auto name = make("togglePanel", 9, controlCommand);
    return name;
}

const ShortcutName& quickNote()
{
    static const auto name = make("quickNote", 45, controlCommand);
    return name;
}

const ShortcutName& bulkCopyToggle()
{
    static const auto name = make("bulkCopyToggle", 8, shortcutModifier::shift | shortcutModifier::command);
    return name;
}

const ShortcutName& sequentialPaste()
{
    static const auto name = make("sequentialPaste", 125, shortcutModifier::command);
    return name;
}

const ShortcutName& sequentialPasteBack()
{
    static const auto name = make("sequentialPasteBack", 126, shortcutModifier::command);
    return name;
}

const std::array<ShortcutName, 10>& quickPasteSlots()
{
    static const auto names = [] {
        // Key codes of the digit keys 0 to 9 on the main row (not in digit order).
        constexpr std::array<int, 10> digitKeys{29, 18, 19, 20, 21, 23, 22, 26, 28, 25};
        std::array<ShortcutName, 10> out;
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = make("quickPaste" + std::to_string(i), digitKeys[i], controlCommand);
        return out;
    }();
    return names;
}

std::vector<ShortcutName> all()
{
    std::vector<ShortcutName> out{togglePanel(), quickNote(), bulkCopyToggle(), sequentialPaste(),
                                  sequentialPasteBack()};
    out.insert(out.end(), quickPasteSlots().begin(), quickPasteSlots().end());
    return out;
}

} // namespace shortcutNames

namespace {

std::optional<int> intMember(const nlohmann::json& object, const char* name)
{
    auto it = object.find(name);
    if (it == object.end() || !it->is_number_integer())
        return std::nullopt;
    if (it->is_number_unsigned()) {
        auto v = it->get<std::uint64_t>();
        if (v > std::uint64_t(std::numeric_limits<int>::max()))
            return std::nullopt;
        return static_cast<int>(v);
    }
    auto v = it->get<std::int64_t>();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(v);
}

} // namespace

std::string KeyboardShortcuts::storageKey(const ShortcutName& name) { return std::string(keyPrefix) + name.rawValue; }

KeyboardShortcuts::KeyboardShortcuts(UserDefaults& defaults)
    : defaults_(defaults)
{
}

std::optional<Shortcut> KeyboardShortcuts::shortcut(const ShortcutName& name) const
{
    auto object = readJsonText(defaults_, storageKey(name));
    if (!object || !object->is_object())
        return std::nullopt;
    auto keyCode = intMember(*object, "carbonKeyCode");
    auto modifiers = intMember(*object, "carbonModifiers");
    if (!keyCode || !modifiers)
        return std::nullopt;
    return Shortcut{*keyCode, *modifiers};
}

void KeyboardShortcuts::store(const ShortcutName& name, const Shortcut& shortcut)
{
    writeJsonText(defaults_, storageKey(name),
                  {{"carbonKeyCode", shortcut.carbonKeyCode}, {"carbonModifiers", shortcut.carbonModifiers}});
}

void KeyboardShortcuts::setShortcut(const ShortcutName& name, std::optional<Shortcut> shortcut)
{
    if (shortcut)
        store(name, *shortcut);
    else if (name.defaultShortcut)
        defaults_.set(storageKey(name), false);
    else
        defaults_.remove(storageKey(name));
    changed_.emit(name);
}

void KeyboardShortcuts::ensureDefault(const ShortcutName& name)
{
    if (name.defaultShortcut && !defaults_.contains(storageKey(name)))
        store(name, *name.defaultShortcut);
}

void KeyboardShortcuts::ensureApplicationDefaults()
{
    for (const auto& name : shortcutNames::all())
        ensureDefault(name);
}

namespace {

struct KeyLabel {
    int code;
    const char* name;
};

// Virtual key codes of the ANSI layout, by code.
constexpr KeyLabel keyLabels[] = {
    {0, "A"},     {1, "S"},          {2, "D"},    {3, "F"},      {4, "H"},    {5, "G"},    {6, "Z"},
    {7, "X"},     {8, "C"},          {9, "V"},    {10, "§"},     {11, "B"},   {12, "Q"},   {13, "W"},
    {14, "E"},    {15, "R"},         {16, "Y"},   {17, "T"},     {18, "1"},   {19, "2"},   {20, "3"},
    {21, "4"},    {22, "6"},         {23, "5"},   {24, "="},     {25, "9"},   {26, "7"},   {27, "-"},
    {28, "8"},    {29, "0"},         {30, "]"},   {31, "O"},     {32, "U"},   {33, "["},   {34, "I"},
    {35, "P"},    {36, "↩"},         {37, "L"},   {38, "J"},     {39, "'"},   {40, "K"},   {41, ";"},
    {42, "\\"},   {43, ","},         {44, "/"},   {45, "N"},     {46, "M"},   {47, "."},   {48, "⇥"},
    {49, "Espacio"}, {50, "`"},      {51, "⌫"},   {53, "⎋"},     {64, "F17"}, {65, "."},   {67, "*"},
    {69, "+"},    {71, "⌧"},         {75, "/"},   {76, "⌤"},     {78, "-"},   {79, "F18"}, {80, "F19"},
    {81, "="},    {82, "0"},         {83, "1"},   {84, "2"},     {85, "3"},   {86, "4"},   {87, "5"},
    {88, "6"},    {89, "7"},         {90, "F20"}, {91, "8"},     {92, "9"},   {96, "F5"},  {97, "F6"},
    {98, "F7"},   {99, "F3"},        {100, "F8"}, {101, "F9"},   {103, "F11"}, {105, "F13"}, {106, "F16"},
    {107, "F14"}, {109, "F10"},      {111, "F12"}, {113, "F15"}, {114, "Ayuda"}, {115, "↖"}, {116, "⇞"},
    {117, "⌦"},   {118, "F4"},       {119, "↘"},  {120, "F2"},   {121, "⇟"},  {122, "F1"}, {123, "←"},
    {124, "→"},   {125, "↓"},        {126, "↑"},
};
static_assert(
    [] {
        for (std::size_t i = 1; i < std::size(keyLabels); ++i)
            if (keyLabels[i - 1].code >= keyLabels[i].code)
                return false;
        return true;
    }(),
    "keyName searches keyLabels by binary search");

} // namespace

std::string keyName(int carbonKeyCode)
{
    auto it = std::lower_bound(std::begin(keyLabels), std::end(keyLabels), carbonKeyCode,
                               [](const KeyLabel& k, int code) { return k.code < code; });
    if (it != std::end(keyLabels) && it->code == carbonKeyCode)
        return it->name;
    return fmt::format("Tecla {}", carbonKeyCode);
}

std::string symbolicForm(const Shortcut& shortcut)
{
    std::string out;
    const auto m = shortcut.carbonModifiers;
    if (m & shortcutModifier::control)
        out += "⌃";
    if (m & shortcutModifier::option)
        out += "⌥";
    if (m & shortcutModifier::shift)
        out += "⇧";
    if (m & shortcutModifier::command)
        out += "⌘";
    if (m & shortcutModifier::function)
        out += "\U0001F310\uFE0E"; // globe, text presentation
    return out + keyName(shortcut.carbonKeyCode);
}

std::string desktopKeyName(int carbonKeyCode)
{
    // Only the keys keyName draws as a glyph have a word of their own on these desktops.
    switch (carbonKeyCode) {
    case 36: return "Intro";
    case 48: return "Tab";
    case 51: return "Retroceso";
    case 53: return "Esc";
    case 71: return "Borrar";
    case 76: return "Intro";
    case 114: return "Insert";
    case 115: return "Inicio";
    case 116: return "RePág";
    case 117: return "Supr";
    case 119: return "Fin";
    case 121: return "AvPág";
    case 123: return "Izquierda";
    case 124: return "Derecha";
    case 125: return "Abajo";
    case 126: return "Arriba";
    default: return keyName(carbonKeyCode);
    }
}

std::string desktopForm(const Shortcut& shortcut)
{
    std::string out;
    const auto m = shortcut.carbonModifiers;
    if (m & shortcutModifier::control)
        out += "Ctrl+";
    if (m & shortcutModifier::option)
        out += "Alt+";
    if (m & shortcutModifier::shift)
        out += "Mayús+";
    if (m & shortcutModifier::command)
        out += "Super+";
    if (m & shortcutModifier::function)
        out += "Fn+";
    return out + desktopKeyName(shortcut.carbonKeyCode);
}

} // namespace brisa
