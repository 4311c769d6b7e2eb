// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11KeyWatcher.h"
#include "fakes/QtCoreApp.h"
#include "platform/x11/XTestKeySynthesizer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

// gtest before Xlib: Xlib's macros (None, Bool, Status) would break gtest's own declarations.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace brisa;

namespace {

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

struct X11KeyWatcherTest : ::testing::Test {
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under tests/support/with-display.sh)";
        if (!run("command -v xdotool") || !run("command -v setxkbmap"))
            GTEST_SKIP() << "xdotool or setxkbmap is not installed";
        test::ensureCoreApp();
        ASSERT_TRUE(run("setxkbmap us"));
        watcher = X11KeyWatcher::create();
        ASSERT_TRUE(watcher);
        watcher->setHandlers({
            .onKey = [this](const ObservedKey& k) {
                if (k.down && k.kind != ObservedKey::Kind::Modifier)
                    keys.push_back(k);
            },
            .onFocusChanged = [this] { ++focusChanges; },
            .onButtonDown = [this] { ++clicks; },
            .onKeyHeld = [this] { ++held; },
        });
    }
    void TearDown() override { run("setxkbmap us"); }

    /// The text of the presses seen, with BackSpace as "<", a delimiter as "_", a chord as "^".
    std::string seen() const
    {
        std::string out;
        for (const auto& k : keys)
            out += k.kind == ObservedKey::Kind::BackSpace ? "<"
                   : k.kind == ObservedKey::Kind::Delimiter ? "_"
                   : k.chord                                ? "^"
                                                            : k.text;
        return out;
    }

    std::unique_ptr<X11KeyWatcher> watcher;
    std::vector<ObservedKey> keys;
    int focusChanges = 0;
    int clicks = 0;
    int held = 0;
};

} // namespace

TEST_F(X11KeyWatcherTest, TypedKeysAreReadWithTheLayoutAndItsChanges)
{
    ASSERT_TRUE(run("xdotool type ';Ab' && xdotool key ctrl+c space"));
    ASSERT_TRUE(test::waitUntil([&] { return seen() == ";Ab^_"; })) << seen();

    keys.clear();
    ASSERT_TRUE(run("setxkbmap es"));
    // The new keymap reaches the watcher as an event; a key it reads wrongly would show here.
    ASSERT_TRUE(run("xdotool key ntilde dead_acute e"));
    ASSERT_TRUE(test::waitUntil([&] { return seen() == "ñé"; })) << seen();
}

TEST_F(X11KeyWatcherTest, SynthesizedKeysComeBackAsWhatTheyAre)
{
    XTestKeySynthesizer synthesizer;
    ASSERT_TRUE(synthesizer.available());
    ASSERT_TRUE(synthesizer.sendBackSpaces(2));
    ASSERT_TRUE(synthesizer.sendDelimiter(Delimiter::Return));
    ASSERT_TRUE(synthesizer.sendPaste(PasteChord::ControlV));
    ASSERT_TRUE(test::waitUntil([&] { return seen() == "<<_^"; })) << seen();
    EXPECT_EQ(keys[2].delimiter, Delimiter::Return);

    // Keys typed again keep their Shift.
    keys.clear();
    ASSERT_TRUE(run("xdotool key shift+a b"));
    ASSERT_TRUE(test::waitUntil([&] { return seen() == "Ab"; })) << seen();
    std::vector<KeyStroke> strokes;
    for (const auto& k : keys)
        strokes.push_back({k.code, true, k.modifiers});
    keys.clear();
    ASSERT_TRUE(synthesizer.sendStrokes(strokes));
    ASSERT_TRUE(test::waitUntil([&] { return seen() == "Ab"; })) << seen();
}

TEST_F(X11KeyWatcherTest, ClicksAreReportedAndTheWheelIsNot)
{
    // The last click comes after the wheel: once it is in, the wheel has been read too.
    ASSERT_TRUE(run("xdotool click 1 click 4 click 5 click 3"));
    ASSERT_TRUE(test::waitUntil([&] { return clicks == 2; }));
}

TEST_F(X11KeyWatcherTest, AKeyHeldUntilItRepeatsIsTold)
{
    ASSERT_TRUE(run("xset r on && xset r rate 200 30"));
    ASSERT_TRUE(run("xdotool key x"));
    // Held for longer than the repeat delay: the holding is the input here, not a wait.
    ASSERT_TRUE(run("xdotool keydown BackSpace sleep 0.4 keyup BackSpace"));
    ASSERT_TRUE(test::waitUntil([&] { return held == 1; }));
    ASSERT_TRUE(run("xdotool key y"));
    ASSERT_TRUE(test::waitUntil([&] { return seen() == "x<y"; })) << seen();
    EXPECT_EQ(held, 1) << "a short press is no repeat";
}

TEST_F(X11KeyWatcherTest, AChangeOfTheActiveWindowIsReported)
{
    Display* d = XOpenDisplay(nullptr);
    ASSERT_TRUE(d);
    const Atom active = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    const Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
    XChangeProperty(d, DefaultRootWindow(d), active, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&window), 1);
    XSync(d, False);
    ASSERT_TRUE(test::waitUntil([&] { return focusChanges == 1; }));
    // The same window again is no change.
    XChangeProperty(d, DefaultRootWindow(d), active, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&window), 1);
    XDeleteProperty(d, DefaultRootWindow(d), active);
    XSync(d, False);
    ASSERT_TRUE(test::waitUntil([&] { return focusChanges == 2; }));
    XDestroyWindow(d, window);
    XCloseDisplay(d);
}
