// SPDX-License-Identifier: GPL-3.0-or-later
// Pasting into real windows: a window manager (openbox) on the test's own Xvfb, a text field of ours
// and xterm, with the clip taken from a real store and put on the real clipboard.
#include "core/image/ImageLibrary.h"
#include "core/paste/BulkCopyService.h"
#include "core/paste/PasteService.h"
#include "core/paste/QuickPasteService.h"
#include "core/store/Storage.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11WindowActivation.h"
#include "platform/x11/XTestKeySynthesizer.h"

// gtest before Xlib: Xlib's macros (None, Bool, Status) would break gtest's own declarations.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

extern char** environ;

using namespace brisa;
using namespace brisa::test;

namespace {

/// A program started for the test, ended (SIGTERM, then waited for) when the test is done.
class Child {
public:
    explicit Child(std::vector<std::string> argv)
    {
        std::vector<char*> args;
        for (auto& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

/// Real processes answer in real time: look again every 20 ms until pred holds or 10 s have passed.
bool waitFor(const std::function<bool()>& pred)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return pred();
}

std::string readFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

/// The 32-bit values of window's property name (the root window's when window is 0), up to max of them.
std::vector<unsigned long> cardinals(unsigned long window, const char* name, long max = 1024)
{
    std::vector<unsigned long> values;
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return values;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, window ? window : DefaultRootWindow(d), XInternAtom(d, name, False), 0, max, False,
                           AnyPropertyType, &type, &format, &count, &remaining, &data) == Success &&
        format == 32 && data) {
        const auto* ids = reinterpret_cast<const unsigned long*>(data);
        values.assign(ids, ids + count);
    }
    if (data)
        XFree(data);
    XCloseDisplay(d);
    return values;
}

bool windowManagerRunning() { return cardinals(0, "_NET_SUPPORTING_WM_CHECK", 1).size() == 1; }

/// The process that owns window, from _NET_WM_PID; 0 when it does not say.
unsigned long windowPid(unsigned long window)
{
    const auto pid = cardinals(window, "_NET_WM_PID", 1);
    return pid.size() == 1 ? pid.front() : 0;
}

class X11PasteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!std::getenv("DISPLAY"))
            return;
        // The window list goes stale: a window closed by an earlier test makes reading its _NET_WM_PID
        // fail with BadWindow, which Xlib's default handler answers by ending the test.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        // A window manager that ran before leaves its check property behind: clear it so the wait
        // below sees this one arrive.
        if (Display* d = XOpenDisplay(nullptr)) {
            XDeleteProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False));
            XCloseDisplay(d);
        }
        windowManager = new Child({"openbox", "--sm-disable"});
        if (!windowManager->started() || !waitFor(windowManagerRunning)) {
            delete windowManager;
            windowManager = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        delete windowManager;
        windowManager = nullptr;
    }

    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs a display (run through tests/support/with-display.sh)";
        ASSERT_NE(windowManager, nullptr) << "openbox did not start";
        storage = std::move(Storage::open(home.path(), scheduler).storage);
        ASSERT_NE(storage, nullptr);
        clipboard = X11Clipboard::create(scheduler);
        ASSERT_NE(clipboard, nullptr);
        ASSERT_TRUE(keys.available());
    }

    /// The panel a paste starts from, with the focus given back to the remembered window.
    struct Origin final : PasteOrigin {
        explicit Origin(WindowActivation& windows) : windows(windows) {}
        void releaseAndCollapse() override {}
        bool restorePreviousWindow() override { return windows.restorePreviousWindow(); }
        WindowActivation& windows;
    };

    /// The service as the application wires it, on the real clipboard, focus and keyboard, with the
    /// focus given back to the remembered window.
    PasteService& paster()
    {
        if (!paster_) {
            paster_ = std::make_unique<PasteService>(PasteService::Desktop{clipboard.get(), &keys, &windows}, scheduler,
                                                     storage->imagesDir(), linkedImageLibrary());
            paster_->origin = &origin_;
        }
        return *paster_;
    }

    /// A window opened for the test, with the focus on it.
    struct Opened {
        std::unique_ptr<Child> child;
        unsigned long window = 0;
    };

    /// Starts argv, waits for its window to be managed, and gives it the focus (a window manager
    /// may decline to focus a new window on its own while another one has the focus).
    Opened openWindow(std::vector<std::string> argv)
    {
        Opened opened;
        opened.child = std::make_unique<Child>(std::move(argv));
        // Found by its process: a new client may get the window id a window closed a moment ago
        // had, and the window manager may still list that one.
        const auto pid = static_cast<unsigned long>(opened.child->pid());
        EXPECT_TRUE(waitFor([&] {
            for (unsigned long w : cardinals(0, "_NET_CLIENT_LIST"))
                if (windowPid(w) == pid)
                    opened.window = w;
            return opened.window != 0;
        }));
        EXPECT_TRUE(waitFor([&] {
            if (windows.activeWindow() == WindowId{opened.window})
                return true;
            windows.activate(WindowId{opened.window});
            return false;
        }));
        return opened;
    }

    /// Starts a text field writing to out, with the focus on it.
    Opened openTextField(const std::filesystem::path& out)
    {
        return openWindow({BRISA_PASTE_TARGET, out.string()});
    }

    void addText(const std::string& text, std::optional<Uuid> batch = std::nullopt)
    {
        ClipItem item = makeClipItem({.type = ClipType::Text, .textContent = text}, scheduler);
        item.batchID = batch;
        ASSERT_TRUE(storage->insert(item));
        scheduler.advance(Duration{1000});
    }

    static inline Child* windowManager = nullptr;
    TempDir home;
    VirtualScheduler scheduler;
    std::unique_ptr<Storage> storage;
    std::unique_ptr<X11Clipboard> clipboard;
    X11WindowActivation windows;
    XTestKeySynthesizer keys;
    Origin origin_{windows};
    std::unique_ptr<PasteService> paster_;
};

TEST_F(X11PasteTest, QuickPasteTypesTheClipIntoTheFocusedTextField)
{
    addText("antiguo");
    addText("hola desde Brisa ñ");
    const auto out = home / "campo.txt";
    auto field = openTextField(out);
    ASSERT_TRUE(windows.rememberActiveWindow());

    QuickPasteService(*storage, paster()).paste(0);
    EXPECT_EQ(readFile(out), ""); // nothing typed before the delay
    scheduler.advance(PasteService::kPasteDelay);
    EXPECT_TRUE(waitFor([&] { return readFile(out) == "hola desde Brisa ñ"; })) << readFile(out);
}

TEST_F(X11PasteTest, BatchArrivesAsOneBlockInCopyOrder)
{
    const Uuid batch = Uuid::random();
    addText("primera línea", batch);
    addText("fuera del lote");
    addText("segunda línea", batch);
    addText("tercera línea", batch);
    const auto out = home / "lote.txt";
    auto field = openTextField(out);

    BulkCopyService(*storage, paster()).pasteGroup(batch);
    scheduler.advance(PasteService::kPasteDelay);
    EXPECT_TRUE(waitFor([&] { return readFile(out) == "primera línea\nsegunda línea\ntercera línea"; }))
        << readFile(out);
}

TEST_F(X11PasteTest, FocusGoesBackToTheRememberedWindowBeforeTyping)
{
    const auto firstOut = home / "primero.txt";
    const auto secondOut = home / "segundo.txt";
    auto first = openTextField(firstOut);
    ASSERT_TRUE(windows.rememberActiveWindow());
    const auto firstWindow = windows.rememberedWindow();
    ASSERT_EQ(firstWindow, WindowId{first.window});
    auto second = openTextField(secondOut);
    ASSERT_EQ(windows.activeWindow(), WindowId{second.window});

    addText("vuelve");
    paster().paste(storage->fetchAll({.limit = 1}).front());
    EXPECT_TRUE(waitFor([&] { return windows.activeWindow() == firstWindow; }));
    scheduler.advance(PasteService::kPasteDelay);
    EXPECT_TRUE(waitFor([&] { return readFile(firstOut) == "vuelve"; })) << readFile(firstOut);
    EXPECT_EQ(readFile(secondOut), "");
}

TEST_F(X11PasteTest, ForgottenWindowIsNotRestored)
{
    const auto out = home / "campo.txt";
    {
        auto field = openTextField(out);
        ASSERT_TRUE(windows.rememberActiveWindow());
    }
    EXPECT_TRUE(waitFor([&] { return !windows.restorePreviousWindow(); }));
    EXPECT_EQ(windows.rememberedWindow(), std::nullopt);
}

/// Terminals as Debian ships them, with no settings of ours: each gets its own chord from the table.
struct TerminalCase {
    const char* name;
    std::vector<std::string> argv; // before "-e sh -c SCRIPT"
    const char* windowClass;
};

class X11TerminalPasteTest : public X11PasteTest, public ::testing::WithParamInterface<TerminalCase> {};

TEST_P(X11TerminalPasteTest, StockTerminalReceivesTheClip)
{
    const auto& terminal = GetParam();
    if (std::system(("command -v " + terminal.argv[0] + " >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << terminal.argv[0] << " is not installed (scripts/deps)";
    const auto out = home / "terminal.txt";
    auto argv = terminal.argv;
    argv.push_back("-e");
    argv.push_back("sh -c 'head -n 1 > \"$0\"' " + out.string());
    if (terminal.argv[0] == "xterm") // xterm takes the command as separate words
        argv = {"xterm", "-e", "sh", "-c", "head -n 1 > '" + out.string() + "'"};
    auto window = openWindow(argv);
    ASSERT_EQ(windows.activeWindowClass(), terminal.windowClass);
    ASSERT_TRUE(windows.rememberActiveWindow());

    addText("eco en la terminal ñ\n");
    QuickPasteService(*storage, paster()).paste(0);
    scheduler.advance(PasteService::kPasteDelay);
    EXPECT_TRUE(waitFor([&] { return readFile(out) == "eco en la terminal ñ\n"; })) << readFile(out);
}

INSTANTIATE_TEST_SUITE_P(Terminals, X11TerminalPasteTest,
                         ::testing::Values(TerminalCase{"xterm", {"xterm"}, "XTerm"},
                                           TerminalCase{"lxterminal", {"lxterminal", "--no-remote"}, "Lxterminal"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
