// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShortcutRegistry.h"

#include "core/shortcuts/KeyTranslation.h"
#include "fakes/FakeAppCommands.h"
#include "fakes/FakeGlobalHotkeys.h"
#include "fakes/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace brisa;
using brisa::test::FakeGlobalHotkeys;
using Event = GlobalHotkeys::KeyEvent;

namespace {

constexpr std::uint32_t ctrlSuper = xModifier::control | xModifier::mod4;
constexpr std::uint32_t XK_v = 0x76, XK_n = 0x6e, XK_c = 0x63, XK_0 = 0x30, XK_3 = 0x33, XK_x = 0x78;
constexpr std::uint32_t XK_Up = 0xff52, XK_Down = 0xff54;

struct Fixture : ::testing::Test {
    UserDefaults defaults;
    KeyboardShortcuts shortcuts{defaults};
    FakeGlobalHotkeys hotkeys;
    test::FakeAppCommands commands;
    std::vector<std::string>& ran = commands.ran;

    void tap(std::uint32_t keysym, std::uint32_t modifiers)
    {
        hotkeys.send(keysym, modifiers, Event::pressed);
        hotkeys.send(keysym, modifiers, Event::released);
    }
};

using ShortcutRegistryTest = Fixture;

} // namespace

TEST_F(ShortcutRegistryTest, StartRegistersEveryNameAndWritesDefaults)
{
    ShortcutRegistry registry(shortcuts, hotkeys);
    registry.registerGlobalShortcuts(commands);

    EXPECT_EQ(hotkeys.grabbedCount(), 15u);
    for (const auto& name : shortcutNames::all()) {
        EXPECT_TRUE(registry.isRegistered(name)) << name.rawValue;
        EXPECT_EQ(shortcuts.shortcut(name), name.defaultShortcut) << name.rawValue;
        const auto c = translateShortcut(*name.defaultShortcut).combination;
        EXPECT_TRUE(hotkeys.isGrabbed(c->keysym, c->modifiers)) << name.rawValue;
    }
    EXPECT_EQ(*defaults.value("KeyboardShortcuts_togglePanel"), R"({"carbonKeyCode":9,"carbonModifiers":4352})");
}

TEST_F(ShortcutRegistryTest, EachCombinationRunsItsAction)
{
    ShortcutRegistry registry(shortcuts, hotkeys);
    registry.registerGlobalShortcuts(commands);

    tap(XK_v, ctrlSuper);
    tap(XK_n, ctrlSuper);
    tap(XK_c, xModifier::shift | xModifier::mod4);
    tap(XK_Down, xModifier::mod4);
    tap(XK_Up, xModifier::mod4);
    tap(XK_0, ctrlSuper);
    tap(XK_3, ctrlSuper);
    EXPECT_EQ(ran, (std::vector<std::string>{"togglePanel", "quickNote", "bulkCopyToggle", "sequentialPaste",
                                             "sequentialPasteBack", "quickPaste0", "quickPaste3"}));
}

TEST_F(ShortcutRegistryTest, ActionRunsOnReleaseOnlyAndOnceWhileHeld)
{
    ShortcutRegistry registry(shortcuts, hotkeys);
    registry.registerGlobalShortcuts(commands);

    hotkeys.send(XK_v, ctrlSuper, Event::pressed);
    EXPECT_TRUE(ran.empty());
    // Auto-repeat while held: more presses, still nothing.
    for (int i = 0; i < 5; ++i)
        hotkeys.send(XK_v, ctrlSuper, Event::pressed);
    EXPECT_TRUE(ran.empty());
    hotkeys.send(XK_v, ctrlSuper, Event::released);
    EXPECT_EQ(ran, std::vector<std::string>{"togglePanel"});
    // A release with no press before it (a stray event) does nothing.
    hotkeys.send(XK_v, ctrlSuper, Event::released);
    EXPECT_EQ(ran.size(), 1u);
}

TEST_F(ShortcutRegistryTest, ChangedShortcutIsGrabbedAgain)
{
    ShortcutRegistry registry(shortcuts, hotkeys);
    registry.registerGlobalShortcuts(commands);

    shortcuts.setShortcut(shortcutNames::togglePanel(), Shortcut{7, shortcutModifier::control | shortcutModifier::option});
    EXPECT_FALSE(hotkeys.isGrabbed(XK_v, ctrlSuper));
    EXPECT_TRUE(hotkeys.isGrabbed(XK_x, xModifier::control | xModifier::mod1));
    EXPECT_EQ(hotkeys.grabbedCount(), 15u);
    tap(XK_x, xModifier::control | xModifier::mod1);
    EXPECT_EQ(ran, std::vector<std::string>{"togglePanel"});
}

TEST_F(ShortcutRegistryTest, ClearedShortcutIsUngrabbedAndStaysClearedNextStart)
{
    {
        ShortcutRegistry registry(shortcuts, hotkeys);
        registry.registerGlobalShortcuts(commands);
        shortcuts.setShortcut(shortcutNames::quickNote(), std::nullopt);
        EXPECT_FALSE(registry.isRegistered(shortcutNames::quickNote()));
        EXPECT_FALSE(hotkeys.isGrabbed(XK_n, ctrlSuper));
        EXPECT_EQ(hotkeys.grabbedCount(), 14u);
    }
    EXPECT_EQ(hotkeys.grabbedCount(), 0u); // the registry lets go of everything when it goes
    EXPECT_FALSE(hotkeys.hasHandler());

    ShortcutRegistry again(shortcuts, hotkeys);
    again.registerGlobalShortcuts(commands);
    EXPECT_FALSE(again.isRegistered(shortcutNames::quickNote()));
    EXPECT_EQ(hotkeys.grabbedCount(), 14u);
}

TEST_F(ShortcutRegistryTest, RefusedGrabIsLoggedAndTheOthersStillWork)
{
    brisa::test::LogCapture log;
    hotkeys.refuse(XK_v, ctrlSuper, 10);
    ShortcutRegistry registry(shortcuts, hotkeys);
    registry.registerGlobalShortcuts(commands);

    EXPECT_TRUE(log.contains("[Brisa] Error registering hotkey ⌃⌘V:10")) << ::testing::PrintToString(log.lines());
    EXPECT_FALSE(registry.isRegistered(shortcutNames::togglePanel()));
    EXPECT_EQ(hotkeys.grabbedCount(), 14u);
    tap(XK_n, ctrlSuper);
    EXPECT_EQ(ran, std::vector<std::string>{"quickNote"});
    // The stored shortcut is untouched: it may work on a later start.
    EXPECT_EQ(shortcuts.shortcut(shortcutNames::togglePanel()), shortcutNames::togglePanel().defaultShortcut);
}

TEST_F(ShortcutRegistryTest, UntranslatableShortcutIsLoggedNotGrabbed)
{
    brisa::test::LogCapture log;
    shortcuts.setShortcut(shortcutNames::quickNote(), Shortcut{96, shortcutModifier::function});
    shortcuts.setShortcut(shortcutNames::bulkCopyToggle(), Shortcut{999, shortcutModifier::command});
    ShortcutRegistry registry(shortcuts, hotkeys);
    registry.registerGlobalShortcuts(commands);

    EXPECT_FALSE(registry.isRegistered(shortcutNames::quickNote()));
    EXPECT_FALSE(registry.isRegistered(shortcutNames::bulkCopyToggle()));
    EXPECT_EQ(hotkeys.grabbedCount(), 13u);
    EXPECT_TRUE(log.contains("quickNote"));
    EXPECT_TRUE(log.contains("bulkCopyToggle"));
}

TEST_F(ShortcutRegistryTest, SameCombinationTwiceKeepsTheFirstName)
{
    brisa::test::LogCapture log;
    ShortcutRegistry registry(shortcuts, hotkeys);
    registry.registerGlobalShortcuts(commands);
    shortcuts.setShortcut(shortcutNames::quickNote(), shortcutNames::togglePanel().defaultShortcut);

    EXPECT_FALSE(registry.isRegistered(shortcutNames::quickNote()));
    EXPECT_TRUE(log.contains("Error registering hotkey ⌃⌘V:-3"));
    tap(XK_v, ctrlSuper);
    EXPECT_EQ(ran, std::vector<std::string>{"togglePanel"});
}

TEST_F(ShortcutRegistryTest, EventOfAReplacedGrabIsIgnored)
{
    ShortcutRegistry registry(shortcuts, hotkeys);
    registry.registerGlobalShortcuts(commands);
    const auto old = *hotkeys.idOf(XK_v, ctrlSuper);
    hotkeys.sendId(old, Event::pressed);
    shortcuts.setShortcut(shortcutNames::togglePanel(), Shortcut{7, shortcutModifier::command});
    hotkeys.sendId(old, Event::released);
    EXPECT_TRUE(ran.empty());
}

TEST_F(ShortcutRegistryTest, OnKeyUpAddsHandlersToOneGrab)
{
    ShortcutRegistry registry(shortcuts, hotkeys);
    int a = 0, b = 0;
    registry.onKeyUp(shortcutNames::togglePanel(), [&] { ++a; });
    registry.onKeyUp(shortcutNames::togglePanel(), [&] { ++b; });
    EXPECT_EQ(hotkeys.grabCalls, 1);
    tap(XK_v, ctrlSuper);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
}

TEST_F(ShortcutRegistryTest, ChangesToNamesWithoutHandlersGrabNothing)
{
    ShortcutRegistry registry(shortcuts, hotkeys);
    shortcuts.setShortcut(shortcutNames::quickNote(), Shortcut{7, shortcutModifier::command});
    EXPECT_EQ(hotkeys.grabbedCount(), 0u);
}

// A new combination is grabbed before the old one goes: one another program holds (BadAccess)
// leaves the previous shortcut stored and working; one the desktop grants replaces it at once.
TEST_F(ShortcutRegistryTest, ChangeKeepsThePreviousShortcutWhenTheNewOneIsTaken)
{
    test::LogCapture log;
    ShortcutRegistry registry(shortcuts, hotkeys);
    registry.registerGlobalShortcuts(commands);
    const auto& name = shortcutNames::togglePanel();
    hotkeys.refuse(XK_x, ctrlSuper, 10);

    const auto refused = registry.change(name, {7, shortcutModifier::control | shortcutModifier::command}); // X
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.status, 10);
    EXPECT_EQ(shortcuts.shortcut(name), name.defaultShortcut);
    tap(XK_v, ctrlSuper);
    EXPECT_EQ(ran, std::vector<std::string>{"togglePanel"});

    const Shortcut altV{9, shortcutModifier::option};
    EXPECT_TRUE(registry.change(name, altV));
    EXPECT_EQ(shortcuts.shortcut(name), altV);
    EXPECT_FALSE(hotkeys.isGrabbed(XK_v, ctrlSuper));
    EXPECT_TRUE(hotkeys.isGrabbed(XK_v, xModifier::mod1));
    tap(XK_v, xModifier::mod1);
    EXPECT_EQ(ran.size(), 2u);
    EXPECT_EQ(hotkeys.grabbedCount(), 15u); // grabbed once, not again by the stored change
}

// Paused for a recorder, every combination is let go; resumed, all are grabbed again, a change
// made meanwhile included.
TEST_F(ShortcutRegistryTest, PausingLetsEveryCombinationGoUntilResumed)
{
    ShortcutRegistry registry(shortcuts, hotkeys);
    registry.registerGlobalShortcuts(commands);
    registry.setPaused(true);
    EXPECT_EQ(hotkeys.grabbedCount(), 0u);
    tap(XK_n, ctrlSuper);
    EXPECT_TRUE(ran.empty());
    EXPECT_TRUE(registry.change(shortcutNames::togglePanel(), {9, shortcutModifier::option}));
    EXPECT_EQ(hotkeys.grabbedCount(), 0u);

    registry.setPaused(false);
    EXPECT_EQ(hotkeys.grabbedCount(), 15u);
    EXPECT_TRUE(hotkeys.isGrabbed(XK_v, xModifier::mod1));
    EXPECT_FALSE(hotkeys.isGrabbed(XK_v, ctrlSuper));
    tap(XK_n, ctrlSuper);
    EXPECT_EQ(ran, std::vector<std::string>{"quickNote"});
}
