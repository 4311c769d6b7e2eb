// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/expander/TextExpander.h"
#include "core/image/ImageLibrary.h"
#include "core/stores/TextSnippetStore.h"
#include "fakes/FakeClipboard.h"
#include "fakes/FakeKeyboard.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;

namespace {

class FakeFrontmost final : public FrontmostApplication {
public:
    std::optional<SourceApp> frontmost() override { return app; }
    std::optional<SourceApp> app = SourceApp{"Gedit", "Editor de texto"};
};

class CountingCapture final : public CaptureSkip {
public:
    void skipNextChange(bool skip) override { skips += skip ? 1 : -1; }
    int skips = 0;
};

/// The expander over a fake keyboard and text field, a fake clipboard and a real paste service, in
/// virtual time. Snippets: ";sig", ";a", ";ab", ";año", and one shortcut of 61 characters.
class TextExpanderTest : public ::testing::Test {
protected:
    TextExpanderTest()
    {
        store.add(";sig", "Saludos");
        store.add(";a", "A");
        store.add(";ab", "AB");
        store.add(";año", "Feliz año");
        store.add(std::string(60, 'x'), "largo");
        paster.capture = &capture;
        expander.start();
    }

    /// Types, then lets every step of an expansion run.
    std::string typeAndSettle(std::string_view keys)
    {
        keyboard.type(keys);
        scheduler.advance(1s);
        return keyboard.text;
    }

    VirtualScheduler scheduler;
    FakeClipboard clipboard{scheduler};
    FakeKeyboard keyboard{scheduler, clipboard};
    FakeFrontmost frontmost;
    CountingCapture capture;
    UserDefaults defaults;
    TextSnippetStore store{defaults};
    PasteService paster{{&clipboard, &keyboard, nullptr}, scheduler, "/nonexistent", linkedImageLibrary()};
    TextExpander expander{{&keyboard, &keyboard, &frontmost}, store, paster, scheduler};
};

ObservedKey chordKey(char c)
{
    ObservedKey key = FakeKeyboard::keyFor(static_cast<unsigned char>(c));
    key.chord = true;
    return key;
}

} // namespace

TEST_F(TextExpanderTest, BufferRules)
{
    struct Case {
        const char* name;
        std::function<void(FakeKeyboard&)> keys;
        std::string text;
    };
    const auto typed = [](std::string s) { return [s](FakeKeyboard& k) { k.type(s); }; };
    const std::vector<Case> cases = {
        {"shortcut then space", typed(";sig "), "Saludos "},
        {"shortcut then tab", typed(";sig\t"), "Saludos\t"},
        {"shortcut then return", typed(";sig\r"), "Saludos\n"},
        {"shortcut then keypad enter",
         [](FakeKeyboard& k) {
             k.type(";sig");
             k.press(FakeKeyboard::keyFor(FakeKeyboard::kKeypadEnter));
         },
         "Saludos\n"},
        {"after other words", typed("hola ;sig "), "hola Saludos "},
        {"backspace then the key again", typed(";sih\bg "), "Saludos "},
        {"case matters", typed(";SIG "), ";SIG "},
        {"a modifier chord clears",
         [](FakeKeyboard& k) {
             k.type(";sig");
             k.press(chordKey('c'));
             k.type(" ");
         },
         ";sig "},
        {"shift alone and shift-space keep it",
         [](FakeKeyboard& k) {
             k.type(";si");
             k.press(FakeKeyboard::keyFor(FakeKeyboard::kShift));
             k.type("g");
             ObservedKey space = FakeKeyboard::keyFor(' ');
             space.modifiers = 1;
             k.press(space);
         },
         "Saludos "},
        {"an arrow clears",
         [](FakeKeyboard& k) {
             k.type(";si");
             k.press(FakeKeyboard::keyFor(FakeKeyboard::kLeft));
             k.type("g ");
         },
         ";sig "},
        {"a focus change clears",
         [](FakeKeyboard& k) {
             k.type(";si");
             k.switchFocus();
             k.type("g ");
         },
         ";sig "},
        {"a mouse click clears",
         [](FakeKeyboard& k) {
             k.type(";si");
             k.click();
             k.type("g ");
         },
         ";sig "},
        {"a key held until it repeated clears",
         [](FakeKeyboard& k) {
             k.type(";sigx");
             k.holdKey(); // BackSpace held: how many it erased is not known
             k.type(" ");
         },
         ";sigx "},
        {"a dead key adds nothing, its character comes with the next key",
         [](FakeKeyboard& k) {
             k.type(";a");
             ObservedKey dead = FakeKeyboard::keyFor(0);
             dead.text.clear();
             k.press(dead);
             k.type("ño ");
         },
         "Feliz año "},
        {"delimiter with an empty buffer", typed(" "), " "},
        {"prefix shortcut alone", typed(";a "), "A "},
        {"longer shortcut with a prefix", typed(";ab "), "AB "},
        {"non-ASCII shortcut", typed(";año "), "Feliz año "},
        {"seventy characters then a shortcut", typed(std::string(70, 'q') + ";sig "), std::string(70, 'q') + "Saludos "},
        {"a shortcut over sixty characters never expands", typed(";" + std::string(60, 'x') + " "),
         ";" + std::string(60, 'x') + " "},
        {"two in a row", typed(";sig ;ab "), "Saludos AB "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        keyboard.text.clear();
        expander.focusChanged();
        c.keys(keyboard);
        scheduler.advance(1s);
        EXPECT_EQ(keyboard.text, c.text);
        EXPECT_FALSE(expander.expanding());
        EXPECT_EQ(expander.buffer(), "");
    }
}

TEST_F(TextExpanderTest, StepsAndTheirTimes)
{
    const TimePoint t0 = scheduler.now();
    EXPECT_EQ(typeAndSettle(";sig "), "Saludos ");
    const std::vector<std::string> journal = {"backspace x5", "paste ctrl+v", "delimiter 32"};
    EXPECT_EQ(keyboard.journal, journal);
    ASSERT_EQ(keyboard.times.size(), 3u);
    EXPECT_EQ(keyboard.times[0] - t0, 0ms);
    EXPECT_EQ(keyboard.times[1] - t0, TextExpander::kWriteDelay + PasteService::kPasteDelay);
    EXPECT_EQ(keyboard.times[2] - keyboard.times[1], TextExpander::kDelimiterDelay);
    // The write is Brisa's own: the monitor is told to skip it.
    EXPECT_EQ(capture.skips, 1);
    EXPECT_EQ(clipboard.writeCount(), 1u);
    // The synthesized keys came back and were skipped: the buffer holds only what follows.
    keyboard.type("x");
    EXPECT_EQ(expander.buffer(), "x");
}

TEST_F(TextExpanderTest, KeysTypedDuringAnExpansionFollowTheDelimiterInOrder)
{
    keyboard.type(";sig ");
    scheduler.advance(10ms);
    keyboard.type("ab");
    scheduler.advance(TextExpander::kWriteDelay + PasteService::kPasteDelay); // past the chord
    keyboard.type("c");
    scheduler.advance(1s);
    EXPECT_EQ(keyboard.text, "Saludos abc");
    EXPECT_EQ(keyboard.journal.back(), "again abc");
    // The keys typed again are taken once, as the user's, not a second time as Brisa's echo.
    EXPECT_EQ(expander.buffer(), "abc");
    keyboard.type(";ab ");
    scheduler.advance(1s);
    EXPECT_EQ(keyboard.text, "Saludos abcAB ");
}

TEST_F(TextExpanderTest, AnEditDuringAnExpansionIsLeftWhereItLanded)
{
    keyboard.type(";sig ");
    scheduler.advance(10ms);
    keyboard.type("ab\b");
    scheduler.advance(1s);
    // The BackSpace took the "b" in the field; nothing is typed again after it.
    EXPECT_EQ(keyboard.text, "aSaludos ");
}

TEST_F(TextExpanderTest, AFocusChangeDuringAnExpansionStopsIt)
{
    keyboard.type(";sig ");
    scheduler.advance(10ms);
    keyboard.switchFocus(); // the application closed
    scheduler.advance(1s);
    EXPECT_EQ(keyboard.journal, std::vector<std::string>{"backspace x5"});
    EXPECT_EQ(clipboard.writeCount(), 0u);
}

TEST_F(TextExpanderTest, NothingIsWatchedInSecretOrBlockedApplications)
{
    struct Case {
        std::string bundleID;
        bool blocked;
    };
    for (const Case& c : {Case{"KeePassXC", false}, Case{"pinentry-gtk-2", false}, Case{"Bitwarden", false},
                          Case{"MiBanco", true}}) {
        SCOPED_TRACE(c.bundleID);
        keyboard.text.clear();
        frontmost.app = SourceApp{c.bundleID, c.bundleID};
        expander.setBlockedBundleIDs(c.blocked ? std::set<std::string>{c.bundleID} : std::set<std::string>{});
        expander.focusChanged();
        keyboard.type(";si");
        EXPECT_EQ(expander.buffer(), "");
        EXPECT_EQ(typeAndSettle("g "), ";sig ");
    }
    frontmost.app = SourceApp{"Gedit", "Gedit"};
    expander.focusChanged();
    EXPECT_EQ(typeAndSettle(";sig "), ";sig Saludos ");
}

TEST_F(TextExpanderTest, ALargeSnippetIsPastedWhole)
{
    const std::string big(1 << 20, 'z');
    store.add(";big", big);
    EXPECT_EQ(typeAndSettle(";big "), big + " ");
}

TEST_F(TextExpanderTest, DoesNotStartWithoutKeystrokes)
{
    keyboard.available_ = false;
    TextExpander other{{&keyboard, &keyboard, &frontmost}, store, paster, scheduler};
    EXPECT_FALSE(other.start());
    TextExpander blind{{nullptr, &keyboard, &frontmost}, store, paster, scheduler};
    EXPECT_FALSE(blind.start());
}
