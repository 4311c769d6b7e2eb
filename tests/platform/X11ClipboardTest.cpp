// SPDX-License-Identifier: GPL-3.0-or-later
// Talks to a real X server (run through tests/support/with-display.sh), with xclip and a small helper
// program as the other applications. Waits here are real: the other side is a real server.
#include "platform/x11/X11Clipboard.h"

#include "core/capture/ClipboardTypeDetector.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

// Last: its macros (None, Bool, Status) would clash with names in the headers above.
#include <X11/Xlib.h>

extern char** environ;

using namespace brisa;
using namespace std::chrono_literals;

namespace {

bool haveDisplay()
{
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

bool haveXclip() { return std::system("command -v xclip >/dev/null 2>&1") == 0; }

std::string quoted(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

/// Everything a shell command prints on stdout.
std::string capture(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Bytes that start like a PNG file; the transfer is byte-exact, and random bytes do not compress away.
Bytes pngLike(std::size_t size)
{
    Bytes bytes(size);
    std::mt19937 random(42);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    const std::string signature = "\x89PNG\r\n\x1A\n";
    std::copy(signature.begin(), signature.end(), bytes.begin());
    return bytes;
}

Bytes longText(std::size_t size)
{
    const std::string line = "Érase una vez un portapapeles muy grande. 0123456789\n";
    std::string text;
    while (text.size() < size)
        text += line;
    text.resize(size);
    return toBytes(text);
}

/// The helper program owning the clipboard, for as long as this object lives.
class OwnerProcess {
public:
    explicit OwnerProcess(const std::vector<std::string>& args)
    {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        std::vector<std::string> all{BRISA_CLIPBOARD_OWNER};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        // Wait for "ready": it owns the clipboard from then on.
        pollfd fd{out[0], POLLIN, 0};
        char buffer[16] = {};
        ready_ = pid_ > 0 && poll(&fd, 1, 5000) == 1 && ::read(out[0], buffer, sizeof buffer - 1) > 0
            && std::string(buffer).rfind("ready", 0) == 0;
        close(out[0]);
    }
    ~OwnerProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    OwnerProcess(const OwnerProcess&) = delete;
    OwnerProcess& operator=(const OwnerProcess&) = delete;

    bool ready() const { return ready_; }

private:
    pid_t pid_ = -1;
    bool ready_ = false;
};

Clipboard::Chooser everything()
{
    return [](const std::vector<std::string>& offered) { return offered; };
}

Clipboard::Chooser only(std::vector<std::string> wanted)
{
    return [wanted](const std::vector<std::string>&) { return wanted; };
}

class X11ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveDisplay())
            GTEST_SKIP() << "no X display: run through tests/support/with-display.sh";
        if (!haveXclip())
            GTEST_SKIP() << "xclip is not installed";
        clipboard = X11Clipboard::create(scheduler, options());
        ASSERT_TRUE(clipboard);
    }

    static X11Clipboard::Options options()
    {
        X11Clipboard::Options o;
        o.timeout = 500ms;
        return o;
    }

    /// Runs a read to the end, delivering its callback like the main loop would.
    std::optional<ClipboardSnapshot> readNow(Clipboard& from, Clipboard::Chooser choose)
    {
        bool finished = false;
        std::optional<ClipboardSnapshot> result;
        from.read(std::move(choose), [&](std::optional<ClipboardSnapshot> s) {
            result = std::move(s);
            finished = true;
        });
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!finished && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
            scheduler.runPosted();
        }
        EXPECT_TRUE(finished) << "the read never finished";
        return result;
    }
    std::optional<ClipboardSnapshot> readNow(Clipboard::Chooser choose) { return readNow(*clipboard, std::move(choose)); }

    /// Waits until the change counter reaches at least count; true when it did.
    bool waitForChanges(std::int64_t count)
    {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (clipboard->changeCount() < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        return clipboard->changeCount() >= count;
    }

    /// xclip copies the file's bytes as target, into selection; returns when the change has been counted
    /// (for CLIPBOARD).
    void xclipCopy(const Bytes& bytes, const std::string& target, const std::string& selection = "clipboard")
    {
        const auto file = dir / ("copy-" + std::to_string(++copies));
        writeFile(file, bytes);
        const std::int64_t before = clipboard->changeCount();
        ASSERT_EQ(std::system(("xclip -selection " + selection + " -t " + quoted(target) + " -i " + quoted(file.string())
                               + " >/dev/null 2>&1")
                                  .c_str()),
                  0);
        if (selection == "clipboard") {
            ASSERT_TRUE(waitForChanges(before + 1));
        }
    }

    std::string xclipOut(const std::string& target)
    {
        return capture("xclip -selection clipboard -o -t " + quoted(target) + " 2>/dev/null");
    }

    test::VirtualScheduler scheduler;
    test::TempDir dir;
    int copies = 0;
    std::unique_ptr<X11Clipboard> clipboard;
};

// --- reading what other programs copied ------------------------------------------------------------------

TEST_F(X11ClipboardTest, ReadsWhatXclipCopiedWhateverItsSize)
{
    const struct {
        const char* target;
        Bytes bytes;
    } cases[] = {
        {"UTF8_STRING", toBytes("hola, año nuevo")},
        {"text/plain;charset=utf-8", toBytes("hola, año nuevo")},
        {"text/uri-list", toBytes("file:///home/ana/Informe%20final.pdf\r\n")},
        {"image/png", pngLike(3 * 1024 * 1024)},
        {"UTF8_STRING", longText(5 * 1024 * 1024)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.target) + " " + std::to_string(c.bytes.size()));
        xclipCopy(c.bytes, c.target);
        const auto snapshot = readNow(only({c.target}));
        ASSERT_TRUE(snapshot && snapshot->data(c.target));
        EXPECT_TRUE(*snapshot->data(c.target) == c.bytes);
    }
}

TEST_F(X11ClipboardTest, ReadsOnlyTheChosenTargets)
{
    OwnerProcess owner({"text/plain=uno", "text/html=<b>dos</b>"});
    ASSERT_TRUE(owner.ready());

    const auto snapshot = readNow(only({"text/plain", "image/png"}));

    ASSERT_TRUE(snapshot);
    EXPECT_TRUE(snapshot->hasType("text/html"));
    ASSERT_TRUE(snapshot->data("text/plain"));
    EXPECT_EQ(toString(*snapshot->data("text/plain")), "uno");
    EXPECT_FALSE(snapshot->data("text/html"));
    EXPECT_FALSE(snapshot->data("image/png")) << "not offered, so not read";
}

TEST_F(X11ClipboardTest, ReadsAPngSentInIncrements)
{
    const Bytes png = pngLike(3 * 1024 * 1024 + 17);
    writeFile(dir / "image.png", png);
    OwnerProcess owner({"--incr=65536", "image/png=@" + (dir / "image.png").string()});
    ASSERT_TRUE(owner.ready());

    const auto snapshot = readNow(only({"image/png"}));

    ASSERT_TRUE(snapshot);
    ASSERT_TRUE(snapshot->data("image/png"));
    EXPECT_EQ(snapshot->data("image/png")->size(), png.size());
    EXPECT_TRUE(*snapshot->data("image/png") == png);
}

TEST_F(X11ClipboardTest, ReadsATargetOfZeroBytesAsEmptyAndThePasswordManagerHint)
{
    OwnerProcess owner({"text/plain=", "UTF8_STRING=algo", "x-kde-passwordManagerHint=secret"});
    ASSERT_TRUE(owner.ready());

    const auto snapshot = readNow(everything());

    ASSERT_TRUE(snapshot);
    ASSERT_TRUE(snapshot->data("text/plain"));
    EXPECT_TRUE(snapshot->data("text/plain")->empty());
    ASSERT_TRUE(snapshot->data("UTF8_STRING"));
    EXPECT_EQ(toString(*snapshot->data("UTF8_STRING")), "algo");
    EXPECT_TRUE(ClipboardTypeDetector::isSensitive(*snapshot));
}

TEST_F(X11ClipboardTest, AnEmptyClipboardReadsAsNothing)
{
    // Own it, then give it up by closing: no one owns the clipboard afterwards.
    { OwnerProcess owner({"text/plain=x"}); ASSERT_TRUE(owner.ready()); }
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (capture("xclip -selection clipboard -o -t TARGETS 2>/dev/null").size() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);

    EXPECT_FALSE(readNow(everything()));
}

// --- size limit -------------------------------------------------------------------------------------------

class X11ClipboardLimitTest : public X11ClipboardTest {
protected:
    void SetUp() override
    {
        X11ClipboardTest::SetUp();
        if (IsSkipped())
            return;
        auto o = options();
        o.maxBytes = 1024 * 1024;
        small = X11Clipboard::create(scheduler, o);
        ASSERT_TRUE(small);
    }
    std::unique_ptr<X11Clipboard> small;
};

TEST_F(X11ClipboardLimitTest, LeavesOutATargetOverTheLimitWithALogLine)
{
    test::LogCapture log;
    xclipCopy(longText(5 * 1024 * 1024), "UTF8_STRING");

    const auto snapshot = readNow(*small, everything());

    ASSERT_TRUE(snapshot);
    EXPECT_TRUE(snapshot->hasType("UTF8_STRING"));
    EXPECT_FALSE(snapshot->data("UTF8_STRING"));
    EXPECT_TRUE(log.contains("omitido por tamaño: UTF8_STRING")) << testing::PrintToString(log.lines());
}

TEST_F(X11ClipboardLimitTest, LeavesOutAnIncrementalTransferOverTheLimitButKeepsTheRest)
{
    test::LogCapture log;
    writeFile(dir / "big.png", pngLike(2 * 1024 * 1024));
    OwnerProcess owner({"--incr=65536", "image/png=@" + (dir / "big.png").string(), "text/plain=pequeño"});
    ASSERT_TRUE(owner.ready());

    const auto snapshot = readNow(*small, everything());

    ASSERT_TRUE(snapshot);
    EXPECT_FALSE(snapshot->data("image/png"));
    ASSERT_TRUE(snapshot->data("text/plain"));
    EXPECT_EQ(toString(*snapshot->data("text/plain")), "pequeño");
    EXPECT_TRUE(log.contains("omitido por tamaño: image/png"));
}

// --- owners that misbehave --------------------------------------------------------------------------------

struct Misbehaviour {
    const char* mode;
    const char* logged; // part of the log line expected, or "" for none in particular
};

std::ostream& operator<<(std::ostream& out, const Misbehaviour& m) { return out << m.mode; }

class X11ClipboardMisbehavingOwnerTest : public X11ClipboardTest,
                                         public ::testing::WithParamInterface<Misbehaviour> {};

TEST_P(X11ClipboardMisbehavingOwnerTest, ReadFailsWithoutBlockingTheCaller)
{
    test::LogCapture log;
    OwnerProcess owner({std::string("--mode=") + GetParam().mode, "text/plain=hola",
                        "x-kde-passwordManagerHint=secret"});
    ASSERT_TRUE(owner.ready());

    bool finished = false;
    std::optional<ClipboardSnapshot> result;
    const auto start = std::chrono::steady_clock::now();
    clipboard->read(everything(), [&](std::optional<ClipboardSnapshot> s) {
        result = std::move(s);
        finished = true;
    });
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms) << "read() must not wait for the owner";
    const auto deadline = start + 5s;
    while (!finished && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
        scheduler.runPosted();
    }

    ASSERT_TRUE(finished);
    EXPECT_FALSE(result);
    EXPECT_TRUE(log.contains(GetParam().logged)) << testing::PrintToString(log.lines());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, X11ClipboardMisbehavingOwnerTest,
    ::testing::Values(Misbehaviour{"silent", "no respondió a tiempo (TARGETS)"},
                      Misbehaviour{"silent-data", "no respondió a tiempo"},
                      Misbehaviour{"vanish", "cambió de dueño"},
                      Misbehaviour{"missing", "Respuesta no válida"},
                      Misbehaviour{"badformat", "Respuesta no válida"}),
    [](const auto& info) {
        std::string name = info.param.mode;
        name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
        return name;
    });

TEST_F(X11ClipboardTest, DestroyingDuringAHungReadReturnsPromptlyWithoutCallingBack)
{
    OwnerProcess owner({"--mode=silent", "text/plain=hola"});
    ASSERT_TRUE(owner.ready());
    auto o = options();
    o.timeout = 10s;
    auto patient = X11Clipboard::create(scheduler, o);
    bool called = false;
    patient->read(everything(), [&](std::optional<ClipboardSnapshot>) { called = true; });
    std::this_thread::sleep_for(50ms);

    const auto start = std::chrono::steady_clock::now();
    patient.reset();
    scheduler.runPosted();

    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(called);
}

// --- the change counter -----------------------------------------------------------------------------------

TEST_F(X11ClipboardTest, CountsEveryOwnerChangeOurOwnWritesIncluded)
{
    const std::int64_t start = clipboard->changeCount();
    xclipCopy(toBytes("uno"), "UTF8_STRING");
    EXPECT_EQ(clipboard->changeCount(), start + 1);

    // Counted by the time write() returns: a monitor that skips its own write must see it at once.
    ASSERT_TRUE(clipboard->write({{"UTF8_STRING", toBytes("dos")}}));
    EXPECT_EQ(clipboard->changeCount(), start + 2);
    ASSERT_TRUE(clipboard->write({{"UTF8_STRING", toBytes("tres")}}));
    EXPECT_EQ(clipboard->changeCount(), start + 3);

    xclipCopy(toBytes("cuatro"), "UTF8_STRING");
    EXPECT_EQ(clipboard->changeCount(), start + 4);
}

TEST_F(X11ClipboardTest, IgnoresTheMouseSelection)
{
    const std::int64_t start = clipboard->changeCount();
    xclipCopy(toBytes("resaltado"), "UTF8_STRING", "primary");
    // Events reach us in server order: once the next clipboard change is counted, a count of the
    // primary selection's change would have been seen too.
    xclipCopy(toBytes("copiado"), "UTF8_STRING");

    EXPECT_EQ(clipboard->changeCount(), start + 1);
}

TEST_F(X11ClipboardTest, TellsOfEachChangeOnTheMainLoopButNotOfTheMouseSelection)
{
    ASSERT_TRUE(clipboard->notifiesChanges());
    int told = 0;
    clipboard->setChangeHandler([&] { ++told; });
    auto waitTold = [&](int atLeast) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (told < atLeast && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(2ms);
            scheduler.runPosted();
        }
        return told >= atLeast;
    };
    xclipCopy(toBytes("uno"), "UTF8_STRING");
    EXPECT_TRUE(waitTold(1));
    EXPECT_EQ(told, 1) << "called on the main loop only, never from the X thread";

    xclipCopy(toBytes("resaltado"), "UTF8_STRING", "primary");
    xclipCopy(toBytes("dos"), "UTF8_STRING");
    EXPECT_TRUE(waitTold(2));
    scheduler.runPosted();
    EXPECT_EQ(told, 2);

    clipboard->setChangeHandler({});
    xclipCopy(toBytes("tres"), "UTF8_STRING");
    scheduler.runPosted();
    EXPECT_EQ(told, 2) << "no handler, no call";
}

// --- the clipboard outlives its owner ---------------------------------------------------------------------

/// Waits until xclip reads text from the clipboard as target (empty: until it reads nothing).
bool clipboardBecomes(const std::string& target, const std::string& text)
{
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (capture("xclip -selection clipboard -o -t " + quoted(target) + " 2>/dev/null") == text)
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

TEST_F(X11ClipboardTest, OffersWhatItKeptWhenTheOwnerQuitsWithoutCountingAChange)
{
    std::int64_t change = clipboard->changeCount();
    {
        OwnerProcess owner({"UTF8_STRING=sigue aquí", "text/html=<b>sigue</b>"});
        ASSERT_TRUE(owner.ready());
        ASSERT_TRUE(waitForChanges(change + 1));
        change = clipboard->changeCount();
        clipboard->retain(change, {{"UTF8_STRING", toBytes("sigue aquí")}, {"text/html", toBytes("<b>sigue</b>")}});
    }
    EXPECT_TRUE(clipboardBecomes("UTF8_STRING", "sigue aquí"));
    EXPECT_EQ(xclipOut("text/html"), "<b>sigue</b>");
    EXPECT_EQ(clipboard->changeCount(), change) << "the same content, so no new change";
}

TEST_F(X11ClipboardTest, KeepsNothingWhenToldSoOrForAnOlderChange)
{
    struct Case {
        const char* name;
        std::int64_t changeOffset;
        Clipboard::Targets targets;
    };
    const Case cases[] = {
        {"an empty list (a secret, a blocked application)", 0, {}},
        {"the content of the change before", -1, {{"UTF8_STRING", toBytes("viejo")}}},
    };
    for (const auto& c : cases) {
        {
            OwnerProcess owner({"UTF8_STRING=efímero"});
            ASSERT_TRUE(owner.ready());
            ASSERT_TRUE(clipboardBecomes("UTF8_STRING", "efímero"));
            clipboard->retain(clipboard->changeCount() + c.changeOffset, c.targets);
            clipboard->retain(clipboard->changeCount() + c.changeOffset, c.targets); // twice: the last one counts
            capture("xclip -selection clipboard -o -t TARGETS"); // a round trip: the retain has been taken in
        }
        EXPECT_TRUE(clipboardBecomes("TARGETS", "")) << c.name;
    }
}

/// Asks the clipboard manager to save the clipboard, as a program quitting does; true when it said it did.
std::optional<bool> askToSave(std::chrono::milliseconds wait)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return std::nullopt;
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    XConvertSelection(d, XInternAtom(d, "CLIPBOARD_MANAGER", False), XInternAtom(d, "SAVE_TARGETS", False),
                      XInternAtom(d, "BRISA_TEST_SAVE", False), w, CurrentTime);
    XFlush(d);
    XEvent event{};
    std::optional<bool> saved;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < deadline) {
        if (XCheckTypedWindowEvent(d, w, SelectionNotify, &event)) {
            saved = event.xselection.property != None;
            break;
        }
        std::this_thread::sleep_for(2ms);
    }
    XCloseDisplay(d);
    return saved;
}

TEST_F(X11ClipboardTest, OwnsTheClipboardManagerSelectionAndSavesOnRequest)
{
    Display* d = XOpenDisplay(nullptr);
    ASSERT_TRUE(d);
    EXPECT_NE(XGetSelectionOwner(d, XInternAtom(d, "CLIPBOARD_MANAGER", False)), 0ul);
    XCloseDisplay(d);

    {
        OwnerProcess owner({"UTF8_STRING=guardado al salir"});
        ASSERT_TRUE(owner.ready());
        ASSERT_TRUE(clipboardBecomes("UTF8_STRING", "guardado al salir"));
        // Asked before the content was handed over: the answer waits for it.
        std::optional<bool> saved;
        std::thread asker([&] { saved = askToSave(5s); });
        std::this_thread::sleep_for(100ms);
        clipboard->retain(clipboard->changeCount(), {{"UTF8_STRING", toBytes("guardado al salir")}});
        asker.join();
        EXPECT_EQ(saved, std::optional<bool>(true));
    }
    EXPECT_TRUE(clipboardBecomes("UTF8_STRING", "guardado al salir"));

    {
        OwnerProcess owner({"UTF8_STRING=secreto", "x-kde-passwordManagerHint=secret"});
        ASSERT_TRUE(owner.ready());
        ASSERT_TRUE(clipboardBecomes("UTF8_STRING", "secreto"));
        clipboard->retain(clipboard->changeCount(), {});
        EXPECT_EQ(askToSave(5s), std::optional<bool>(false)) << "refused at once";
    }
    EXPECT_TRUE(clipboardBecomes("TARGETS", ""));
}

TEST_F(X11ClipboardTest, TheMouseSelectionIsAClipboardOfItsOwnWhenAskedFor)
{
    auto o = options();
    o.selection = "PRIMARY";
    auto primary = X11Clipboard::create(scheduler, o);
    ASSERT_TRUE(primary);
    const std::int64_t start = primary->changeCount();
    xclipCopy(toBytes("copiado"), "UTF8_STRING");
    xclipCopy(toBytes("resaltado"), "UTF8_STRING", "primary");
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (primary->changeCount() == start && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(primary->changeCount(), start + 1) << "the clipboard's change is not the mouse selection's";

    const auto snapshot = readNow(*primary, only({"UTF8_STRING"}));
    ASSERT_TRUE(snapshot && snapshot->data("UTF8_STRING"));
    EXPECT_EQ(toString(*snapshot->data("UTF8_STRING")), "resaltado");
    EXPECT_FALSE(primary->selectionInProgress()) << "no button held";
}

TEST_F(X11ClipboardTest, MirrorsItsOwnWriteOntoTheMouseSelection)
{
    xclipCopy(toBytes("de otro"), "UTF8_STRING");
    EXPECT_FALSE(clipboard->mirrorToPrimary()) << "only Brisa's own content";
    ASSERT_TRUE(clipboard->write({{"UTF8_STRING", toBytes("para xterm")}}));
    ASSERT_TRUE(clipboard->mirrorToPrimary());
    EXPECT_EQ(capture("xclip -selection primary -o -t UTF8_STRING"), "para xterm");
}

// --- writing ----------------------------------------------------------------------------------------------

TEST_F(X11ClipboardTest, ServesOurTextToOtherPrograms)
{
    ASSERT_TRUE(clipboard->write({{"UTF8_STRING", toBytes("pegado desde Brisa")},
                                  {"text/plain;charset=utf-8", toBytes("pegado desde Brisa")}}));

    EXPECT_EQ(xclipOut("TARGETS"), "TARGETS\nTIMESTAMP\nMULTIPLE\nUTF8_STRING\ntext/plain;charset=utf-8\n");
    EXPECT_EQ(xclipOut("UTF8_STRING"), "pegado desde Brisa");
    EXPECT_EQ(xclipOut("text/plain;charset=utf-8"), "pegado desde Brisa");
    EXPECT_EQ(xclipOut("image/png"), "") << "not offered";
}

TEST_F(X11ClipboardTest, ServesAnImageToOtherProgramsWhole)
{
    const Bytes png = pngLike(3 * 1024 * 1024);
    ASSERT_TRUE(clipboard->write({{"image/png", png}}));

    ASSERT_EQ(std::system(("xclip -selection clipboard -o -t image/png > " + quoted((dir / "out.png").string())).c_str()), 0);
    EXPECT_TRUE(readFile(dir / "out.png") == png);
}

TEST_F(X11ClipboardTest, ServesAnImageToOtherProgramsInIncrements)
{
    auto o = options();
    o.incrThreshold = 64 * 1024;
    auto chunked = X11Clipboard::create(scheduler, o);
    ASSERT_TRUE(chunked);
    const Bytes png = pngLike(3 * 1024 * 1024 + 5);
    ASSERT_TRUE(chunked->write({{"image/png", png}}));

    ASSERT_EQ(std::system(("xclip -selection clipboard -o -t image/png > " + quoted((dir / "out.png").string())).c_str()), 0);
    EXPECT_TRUE(readFile(dir / "out.png") == png);
    // And our own reader, which speaks the same protocol.
    const auto snapshot = readNow(only({"image/png"}));
    ASSERT_TRUE(snapshot && snapshot->data("image/png"));
    EXPECT_TRUE(*snapshot->data("image/png") == png);
}

/// A property of w as bytes (format 8) or as atoms' numbers (format 32).
std::vector<long> propertyValues(Display* d, Window w, Atom property, std::string* text = nullptr)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(d, w, property, 0, 1 << 20, False, AnyPropertyType, &type, &format, &items, &after, &data)
            == Success
        && data) {
        if (format == 32)
            values.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + items);
        else if (text && format == 8)
            text->assign(reinterpret_cast<char*>(data), items);
        XFree(data);
    }
    return values;
}

TEST_F(X11ClipboardTest, AnswersSeveralTargetsInOneRequest)
{
    ASSERT_TRUE(clipboard->write({{"UTF8_STRING", toBytes("uno")}, {"text/html", toBytes("<i>uno</i>")}}));
    Display* d = XOpenDisplay(nullptr);
    ASSERT_TRUE(d);
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    auto atom = [&](const char* name) { return XInternAtom(d, name, False); };
    const std::vector<long> asked{static_cast<long>(atom("UTF8_STRING")), static_cast<long>(atom("P1")),
                                  static_cast<long>(atom("image/png")),   static_cast<long>(atom("P2")),
                                  static_cast<long>(atom("text/html")),   static_cast<long>(atom("P3"))};
    XChangeProperty(d, w, atom("REQUEST"), atom("ATOM_PAIR"), 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(asked.data()), static_cast<int>(asked.size()));
    XConvertSelection(d, atom("CLIPBOARD"), atom("MULTIPLE"), atom("REQUEST"), w, CurrentTime);
    XFlush(d);
    XEvent event{};
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!XCheckTypedWindowEvent(d, w, SelectionNotify, &event) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);

    ASSERT_EQ(event.type, SelectionNotify);
    EXPECT_EQ(event.xselection.property, atom("REQUEST"));
    std::vector<long> answered = asked;
    answered[3] = None; // not offered: refused in place
    EXPECT_EQ(propertyValues(d, w, atom("REQUEST")), answered);
    std::string text;
    propertyValues(d, w, atom("P1"), &text);
    EXPECT_EQ(text, "uno");
    propertyValues(d, w, atom("P3"), &text);
    EXPECT_EQ(text, "<i>uno</i>");
    XCloseDisplay(d);
}

TEST_F(X11ClipboardTest, ReadsBackItsOwnWrite)
{
    ASSERT_TRUE(clipboard->write({{"text/uri-list", toBytes("file:///tmp/a.txt\r\n")}, {"UTF8_STRING", toBytes("/tmp/a.txt")}}));

    const auto snapshot = readNow(everything());

    ASSERT_TRUE(snapshot);
    EXPECT_EQ(*snapshot->types, (std::vector<std::string>{"TARGETS", "TIMESTAMP", "MULTIPLE", "text/uri-list", "UTF8_STRING"}));
    ASSERT_TRUE(snapshot->data("UTF8_STRING"));
    EXPECT_EQ(toString(*snapshot->data("UTF8_STRING")), "/tmp/a.txt");
    EXPECT_EQ(ClipboardTypeDetector::filePaths(*snapshot), std::vector<std::string>{"/tmp/a.txt"});
}

TEST_F(X11ClipboardTest, AWriteReplacesEverythingOfThePreviousOne)
{
    ASSERT_TRUE(clipboard->write({{"image/png", pngLike(1000)}, {"UTF8_STRING", toBytes("antes")}}));
    ASSERT_TRUE(clipboard->write({{"UTF8_STRING", toBytes("después")}}));

    EXPECT_EQ(xclipOut("TARGETS"), "TARGETS\nTIMESTAMP\nMULTIPLE\nUTF8_STRING\n");
    EXPECT_EQ(xclipOut("image/png"), "");
    EXPECT_EQ(xclipOut("UTF8_STRING"), "después");
}

TEST_F(X11ClipboardTest, AnEmptyWriteClearsTheClipboardAsOneChange)
{
    ASSERT_TRUE(clipboard->write({{"UTF8_STRING", toBytes("algo")}}));
    const std::int64_t before = clipboard->changeCount();

    ASSERT_TRUE(clipboard->write({}));

    EXPECT_EQ(clipboard->changeCount(), before + 1);
    EXPECT_EQ(xclipOut("TARGETS"), "TARGETS\nTIMESTAMP\nMULTIPLE\n");
    EXPECT_EQ(xclipOut("UTF8_STRING"), "");
}

TEST_F(X11ClipboardTest, StopsServingOnceAnotherProgramTakesTheClipboard)
{
    ASSERT_TRUE(clipboard->write({{"UTF8_STRING", toBytes("de Brisa")}}));
    const std::int64_t before = clipboard->changeCount();

    xclipCopy(toBytes("de otro"), "UTF8_STRING");

    EXPECT_EQ(clipboard->changeCount(), before + 1);
    EXPECT_EQ(xclipOut("UTF8_STRING"), "de otro");
    const auto snapshot = readNow(everything());
    ASSERT_TRUE(snapshot && snapshot->data("UTF8_STRING"));
    EXPECT_EQ(toString(*snapshot->data("UTF8_STRING")), "de otro");
    EXPECT_FALSE(snapshot->hasType("MULTIPLE")) << "xclip's targets, not ours";
}

} // namespace
