// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/KeyboardShortcuts.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

using namespace brisa;
using nlohmann::json;

namespace {

json storedObject(const UserDefaults& d, const std::string& key)
{
    auto v = d.value(key);
    return v && v->is_string() ? json::parse(v->get<std::string>()) : json();
}

} // namespace

TEST(KeyboardShortcuts, ApplicationNamesAndDefaults)
{
    struct Expected {
        std::string raw;
        int keyCode, modifiers;
    };
    const std::vector<Expected> expected{
        {"togglePanel", 9, 4352},         {"quickNote", 45, 4352},          {"bulkCopyToggle", 8, 768},
        {"sequentialPaste", 125, 256},    {"sequentialPasteBack", 126, 256}, {"quickPaste0", 29, 4352},
        {"quickPaste1", 18, 4352},        {"quickPaste2", 19, 4352},        {"quickPaste3", 20, 4352},
        {"quickPaste4", 21, 4352},        {"quickPaste5", 23, 4352},        {"quickPaste6", 22, 4352},
        {"quickPaste7", 26, 4352},        {"quickPaste8", 28, 4352},        {"quickPaste9", 25, 4352},
    };
    auto names = shortcutNames::all();
    ASSERT_EQ(names.size(), expected.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i].rawValue, expected[i].raw);
        EXPECT_EQ(names[i].defaultShortcut, (Shortcut{expected[i].keyCode, expected[i].modifiers})) << expected[i].raw;
    }
    EXPECT_EQ(shortcutNames::togglePanel().defaultShortcut->carbonModifiers,
              shortcutModifier::control | shortcutModifier::command);
    EXPECT_EQ(shortcutModifier::function, 0x20000);
}

TEST(KeyboardShortcuts, FreshStoreGetsEveryDefaultAsJsonText)
{
    UserDefaults defaults;
    KeyboardShortcuts shortcuts(defaults);
    shortcuts.ensureApplicationDefaults();
    EXPECT_EQ(storedObject(defaults, "KeyboardShortcuts_togglePanel"),
              (json{{"carbonKeyCode", 9}, {"carbonModifiers", 4352}}));
    for (const auto& name : shortcutNames::all()) {
        auto key = "KeyboardShortcuts_" + name.rawValue;
        ASSERT_TRUE(defaults.value(key) && defaults.value(key)->is_string()) << key;
        EXPECT_EQ(storedObject(defaults, key), (json{{"carbonKeyCode", name.defaultShortcut->carbonKeyCode},
                                                    {"carbonModifiers", name.defaultShortcut->carbonModifiers}}));
        EXPECT_EQ(shortcuts.shortcut(name), name.defaultShortcut);
    }
}

TEST(KeyboardShortcuts, DefaultsNeverOverwriteWhatIsStored)
{
    UserDefaults defaults;
    KeyboardShortcuts shortcuts(defaults);
    const auto& panel = shortcutNames::togglePanel();
    const auto& note = shortcutNames::quickNote();
    shortcuts.setShortcut(panel, Shortcut{0, shortcutModifier::option});
    shortcuts.setShortcut(note, std::nullopt);
    defaults.set("KeyboardShortcuts_bulkCopyToggle", 17); // junk counts as "something stored"
    shortcuts.ensureApplicationDefaults();
    EXPECT_EQ(shortcuts.shortcut(panel), (Shortcut{0, shortcutModifier::option}));
    EXPECT_EQ(shortcuts.shortcut(note), std::nullopt);
    EXPECT_EQ(defaults.value("KeyboardShortcuts_quickNote"), json(false));
    EXPECT_EQ(defaults.value("KeyboardShortcuts_bulkCopyToggle"), json(17));
}

TEST(KeyboardShortcuts, ClearingANameWithoutDefaultRemovesTheKey)
{
    UserDefaults defaults;
    KeyboardShortcuts shortcuts(defaults);
    ShortcutName custom{"custom", std::nullopt};
    shortcuts.ensureDefault(custom);
    EXPECT_FALSE(defaults.contains("KeyboardShortcuts_custom"));
    shortcuts.setShortcut(custom, Shortcut{3, 256});
    EXPECT_EQ(shortcuts.shortcut(custom), (Shortcut{3, 256}));
    shortcuts.setShortcut(custom, std::nullopt);
    EXPECT_FALSE(defaults.contains("KeyboardShortcuts_custom"));
    EXPECT_EQ(shortcuts.shortcut(custom), std::nullopt);
}

TEST(KeyboardShortcuts, SettingNotifiesWithTheName)
{
    UserDefaults defaults;
    KeyboardShortcuts shortcuts(defaults);
    std::vector<std::string> changed;
    shortcuts.onChanged([&](const ShortcutName& n) { changed.push_back(n.rawValue); });
    shortcuts.ensureApplicationDefaults();
    shortcuts.setShortcut(shortcutNames::togglePanel(), Shortcut{9, 256});
    shortcuts.setShortcut(shortcutNames::quickPasteSlots()[3], std::nullopt);
    EXPECT_EQ(changed, (std::vector<std::string>{"togglePanel", "quickPaste3"}));
}

TEST(KeyboardShortcuts, UnreadableValuesMeanNoShortcut)
{
    const std::vector<json> bad{
        json(false),
        json(true),
        json::object({{"carbonKeyCode", 9}, {"carbonModifiers", 4352}}), // the object itself, not its text
        json("not json"),
        json("[9, 4352]"),
        json(R"({"carbonKeyCode": 9})"),
        json(R"({"carbonKeyCode": "9", "carbonModifiers": 4352})"),
        json(R"({"carbonKeyCode": 9.0, "carbonModifiers": 4352})"),
        json(R"({"carbonKeyCode": 9, "carbonModifiers": 99999999999})"),
        json(R"({"carbonKeyCode": -99999999999, "carbonModifiers": 1})"),
        json(R"({"carbonKeyCode": null, "carbonModifiers": 4352})"),
        json(""),
    };
    for (const auto& value : bad) {
        UserDefaults defaults;
        defaults.set("KeyboardShortcuts_togglePanel", value);
        KeyboardShortcuts shortcuts(defaults);
        EXPECT_EQ(shortcuts.shortcut(shortcutNames::togglePanel()), std::nullopt) << value.dump();
    }
    UserDefaults defaults;
    defaults.set("KeyboardShortcuts_togglePanel", R"({"carbonModifiers": 256, "carbonKeyCode": 0, "extra": [1]})");
    EXPECT_EQ(KeyboardShortcuts(defaults).shortcut(shortcutNames::togglePanel()), (Shortcut{0, 256}));
}

TEST(KeyboardShortcuts, SymbolicForm)
{
    struct Case {
        Shortcut shortcut;
        std::string text;
    };
    const std::vector<Case> cases{
        {{9, 4352}, "⌃⌘V"},
        {{8, 768}, "⇧⌘C"},
        {{125, 256}, "⌘↓"},
        {{126, 256}, "⌘↑"},
        {{29, 4352}, "⌃⌘0"},
        {{25, 4352}, "⌃⌘9"},
        {{45, 0}, "N"},
        {{49, 2048 | 512}, "⌥⇧Espacio"},
        {{36, 0x20000 | 4096 | 2048 | 512 | 256}, "⌃⌥⇧⌘\U0001F310\uFE0E↩"},
        {{122, 0}, "F1"},
        {{111, 0}, "F12"},
        {{53, 256}, "⌘⎋"},
        {{200, 256}, "⌘Tecla 200"},
        {{-1, 0}, "Tecla -1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(symbolicForm(c.shortcut), c.text) << c.shortcut.carbonKeyCode;
}

TEST(KeyboardShortcuts, DesktopFormSpellsTheModifiersAndKeysOut)
{
    const struct {
        Shortcut shortcut;
        const char* text;
    } cases[] = {
        {{9, 4352}, "Ctrl+Super+V"},
        {{36, 4096}, "Ctrl+Intro"},
        {{53, 0}, "Esc"},
        {{8, 512 | 256}, "Mayús+Super+C"},
        {{125, 256}, "Super+Abajo"},
        {{117, 2048}, "Alt+Supr"},
        {{36, 0x20000 | 4096 | 2048 | 512 | 256}, "Ctrl+Alt+Mayús+Super+Fn+Intro"},
        {{49, 0}, "Espacio"},
        {{200, 4096}, "Ctrl+Tecla 200"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(desktopForm(c.shortcut), c.text) << c.shortcut.carbonKeyCode;
}

TEST(KeyboardShortcuts, EveryLetterAndDigitHasAName)
{
    std::string letters, digits;
    for (int code = 0; code < 128; ++code) {
        auto name = keyName(code);
        if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z')
            letters += name;
    }
    for (const auto& slot : shortcutNames::quickPasteSlots())
        digits += keyName(slot.defaultShortcut->carbonKeyCode);
    std::sort(letters.begin(), letters.end());
    EXPECT_EQ(letters, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(digits, "0123456789");
}
