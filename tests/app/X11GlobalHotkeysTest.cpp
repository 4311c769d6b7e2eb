// SPDX-License-Identifier: GPL-3.0-or-later
// Talks to a real X server (run through tests/support/with-display.sh), with xdotool as the user's
// keyboard. Waits here are real: key events travel through the server.
#include "platform/x11/X11GlobalHotkeys.h"

#include "core/settings/KeyboardShortcuts.h"
#include "app/ShortcutRegistry.h"
#include "fakes/LogCapture.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Last: Xlib's macros (None, Bool, Status) would clash with names in the headers above.
#include "platform/x11/X11Display.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace brisa;
using namespace std::chrono_literals;
using Event = GlobalHotkeys::KeyEvent;

namespace {

bool haveDisplay()
{
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

bool haveXdotool() { return std::system("command -v xdotool >/dev/null 2>&1") == 0; }

void xdotool(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args; }

/// Forwards to the real hotkeys and counts the raw events the registry receives.
class CountingHotkeys final : public GlobalHotkeys {
public:
    explicit CountingHotkeys(GlobalHotkeys& inner)
        : inner_(inner)
    {
    }
    GrabResult grab(std::uint32_t keysym, std::uint32_t modifiers, HotkeyId id) override
    {
        return inner_.grab(keysym, modifiers, id);
    }
    void ungrab(HotkeyId id) override { inner_.ungrab(id); }
    void setHandler(Handler handler) override
    {
        inner_.setHandler([this, handler = std::move(handler)](HotkeyId id, KeyEvent event) {
            (event == KeyEvent::pressed ? presses : releases)++;
            if (handler)
                handler(id, event);
        });
    }

    int presses = 0;
    int releases = 0;

private:
    GlobalHotkeys& inner_;
};

class X11GlobalHotkeysTest : public ::testing::Test {
protected:
    // Xvfb resets itself (and refuses connections for a moment) whenever its last client leaves:
    // one connection held for the whole suite keeps it from doing so between and within tests.
    static void SetUpTestSuite()
    {
        if (haveDisplay())
            keeper = X11Display::open({});
    }
    static void TearDownTestSuite() { keeper.reset(); }
    static inline std::unique_ptr<X11Display> keeper;

    void SetUp() override
    {
        if (!haveDisplay())
            GTEST_SKIP() << "no X display (run through tests/support/with-display.sh)";
        if (!haveXdotool())
            GTEST_SKIP() << "xdotool is not installed";
        hotkeys = X11GlobalHotkeys::create(scheduler);
        ASSERT_TRUE(hotkeys);
        counting = std::make_unique<CountingHotkeys>(*hotkeys);
    }

    /// Delivers what the event thread posted until done() holds or two seconds passed.
    bool waitFor(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (std::chrono::steady_clock::now() < deadline) {
            scheduler.runPosted();
            if (done())
                return true;
            std::this_thread::sleep_for(5ms);
        }
        scheduler.runPosted();
        return done();
    }

    /// Lets events that should not come a moment to arrive anyway.
    void settle()
    {
        const auto until = std::chrono::steady_clock::now() + 200ms;
        while (std::chrono::steady_clock::now() < until) {
            scheduler.runPosted();
            std::this_thread::sleep_for(5ms);
        }
    }

    struct CountingCommands final : AppCommands {
        void run(AppCommand command) override
        {
            toggles += command == AppCommand::TogglePanel;
            quickNotes += command == AppCommand::OpenQuickNote;
        }
        void pasteSlot(int slot) override { slots.push_back(slot); }
        int toggles = 0;
        int quickNotes = 0;
        std::vector<int> slots;
    };

    test::VirtualScheduler scheduler;
    std::unique_ptr<X11GlobalHotkeys> hotkeys;
    std::unique_ptr<CountingHotkeys> counting;
    UserDefaults defaults;
    KeyboardShortcuts shortcuts{defaults};
    CountingCommands commands;
    int& toggles = commands.toggles;
    int& quickNotes = commands.quickNotes;
    std::vector<int>& slots = commands.slots;
};

} // namespace

TEST_F(X11GlobalHotkeysTest, ShortcutRunsOnceOnReleaseNotOnPress)
{
    ShortcutRegistry registry(shortcuts, *counting);
    registry.registerGlobalShortcuts(commands);
    ASSERT_TRUE(registry.isRegistered(shortcutNames::togglePanel()));

    xdotool("keydown ctrl+super+v");
    ASSERT_TRUE(waitFor([&] { return counting->presses > 0; }));
    // Held past the server's auto-repeat delay: still nothing until the keys come up.
    const auto until = std::chrono::steady_clock::now() + 800ms;
    while (std::chrono::steady_clock::now() < until) {
        scheduler.runPosted();
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(toggles, 0);
    EXPECT_EQ(counting->presses, 1); // repeats never reach the registry
    EXPECT_EQ(counting->releases, 0);

    xdotool("keyup ctrl+super+v");
    ASSERT_TRUE(waitFor([&] { return toggles > 0; }));
    settle();
    EXPECT_EQ(toggles, 1);
    EXPECT_EQ(counting->releases, 1);
}

TEST_F(X11GlobalHotkeysTest, WorksWithNumLockAndCapsLockOn)
{
    ShortcutRegistry registry(shortcuts, *counting);
    registry.registerGlobalShortcuts(commands);

    xdotool("key Num_Lock");
    xdotool("key ctrl+super+3");
    EXPECT_TRUE(waitFor([&] { return slots.size() == 1; }));
    xdotool("key Caps_Lock");
    xdotool("key ctrl+super+v");
    EXPECT_TRUE(waitFor([&] { return toggles == 1; }));
    xdotool("key Caps_Lock");
    xdotool("key Num_Lock");
    EXPECT_EQ(slots, std::vector<int>{3});
}

TEST_F(X11GlobalHotkeysTest, CombinationHeldByAnotherClientIsRefusedAndLogged)
{
    // The other program holds Ctrl+Super+N only while CapsLock is on: our grab of the plain
    // combination succeeds first and must be given back when the CapsLock one is refused.
    auto other = X11Display::open({});
    ASSERT_TRUE(other);
    Display* o = other->get();
    const KeyCode n = XKeysymToKeycode(o, XK_n);
    XGrabKey(o, n, ControlMask | Mod4Mask | LockMask, DefaultRootWindow(o), False, GrabModeAsync, GrabModeAsync);
    XSync(o, False);
    ASSERT_EQ(X11Display::takeError(), 0);

    test::LogCapture log;
    ShortcutRegistry registry(shortcuts, *counting);
    registry.registerGlobalShortcuts(commands);

    EXPECT_TRUE(log.contains("[Brisa] Error registering hotkey ⌃⌘N:10")) << ::testing::PrintToString(log.lines());
    EXPECT_FALSE(registry.isRegistered(shortcutNames::quickNote()));
    EXPECT_TRUE(registry.isRegistered(shortcutNames::togglePanel()));

    // Nothing of the refused combination stayed grabbed: a third program may take the plain one.
    auto third = X11Display::open({});
    ASSERT_TRUE(third);
    XGrabKey(third->get(), n, ControlMask | Mod4Mask, DefaultRootWindow(third->get()), False, GrabModeAsync,
             GrabModeAsync);
    XSync(third->get(), False);
    EXPECT_EQ(X11Display::takeError(), 0);

    // The others still work.
    xdotool("key ctrl+super+v");
    EXPECT_TRUE(waitFor([&] { return toggles == 1; }));
    xdotool("key ctrl+super+0");
    EXPECT_TRUE(waitFor([&] { return slots.size() == 1; }));
    EXPECT_EQ(quickNotes, 0);
}

TEST_F(X11GlobalHotkeysTest, ChangedShortcutMovesTheGrab)
{
    ShortcutRegistry registry(shortcuts, *counting);
    registry.registerGlobalShortcuts(commands);
    shortcuts.setShortcut(shortcutNames::togglePanel(),
                          Shortcut{7, shortcutModifier::control | shortcutModifier::option}); // Ctrl+Alt+X

    xdotool("key ctrl+super+v");
    settle();
    EXPECT_EQ(toggles, 0);
    xdotool("key ctrl+alt+x");
    EXPECT_TRUE(waitFor([&] { return toggles == 1; }));
}

TEST_F(X11GlobalHotkeysTest, ReleasedOnDestruction)
{
    ASSERT_TRUE(hotkeys->grab(XK_v, ControlMask | Mod4Mask, 1));
    EXPECT_EQ(hotkeys->grab(XK_v, ControlMask | Mod4Mask, 2).status, GlobalHotkeys::statusDuplicate);
    hotkeys.reset();
    auto other = X11Display::open({});
    ASSERT_TRUE(other);
    XGrabKey(other->get(), XKeysymToKeycode(other->get(), XK_v), ControlMask | Mod4Mask,
             DefaultRootWindow(other->get()), False, GrabModeAsync, GrabModeAsync);
    XSync(other->get(), False);
    EXPECT_EQ(X11Display::takeError(), 0);
}
