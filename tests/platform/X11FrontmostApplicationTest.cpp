// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11FrontmostApplication.h"
#include "fakes/TempDir.h"

// gtest before Xlib: Xlib's macros (None, Bool, Status) would break gtest's own declarations.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <fstream>

using namespace brisa;
namespace fs = std::filesystem;

namespace {

/// Plays the window manager: creates windows and points _NET_ACTIVE_WINDOW at them.
class FakeWindowManager {
public:
    FakeWindowManager()
        : display_(XOpenDisplay(nullptr))
    {
    }
    ~FakeWindowManager()
    {
        if (display_) {
            clearActive();
            XCloseDisplay(display_);
        }
    }
    FakeWindowManager(const FakeWindowManager&) = delete;
    FakeWindowManager& operator=(const FakeWindowManager&) = delete;

    bool ok() const { return display_ != nullptr; }

    Window createWindow(const char* instance, const char* cls)
    {
        const Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
        if (instance || cls) {
            XClassHint hint{const_cast<char*>(instance ? instance : ""), const_cast<char*>(cls ? cls : "")};
            XSetClassHint(display_, w, &hint);
        }
        XSync(display_, False);
        return w;
    }
    void destroy(Window w)
    {
        XDestroyWindow(display_, w);
        XSync(display_, False);
    }
    /// Points _NET_ACTIVE_WINDOW at w, as a property of type (a window, unless the test says otherwise).
    void setActive(Window w, Atom type = XA_WINDOW)
    {
        const Atom active = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
        const unsigned long value = w;
        XChangeProperty(display_, DefaultRootWindow(display_), active, type, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
        XSync(display_, False);
    }
    void clearActive()
    {
        XDeleteProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, "_NET_ACTIVE_WINDOW", False));
        XSync(display_, False);
    }

private:
    Display* display_;
};

struct X11FrontmostApplicationTest : ::testing::Test {
    test::TempDir dir;
    std::unique_ptr<FakeWindowManager> wm;

    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under tests/support/with-display.sh)";
        wm = std::make_unique<FakeWindowManager>();
        ASSERT_TRUE(wm->ok());
        wm->clearActive();
        fs::create_directories(dir / "applications");
        std::ofstream(dir / "applications/org.gnome.TextEditor.desktop")
            << "[Desktop Entry]\nType=Application\nName=Text Editor\nName[es]=Editor de texto\n";
    }

    X11FrontmostApplication make() { return X11FrontmostApplication(nullptr, std::vector<fs::path>{dir / "applications"}); }
};

} // namespace

TEST_F(X11FrontmostApplicationTest, ActiveWindowClassIsTheIdentifierAndTheDesktopFileGivesTheName)
{
    auto front = make();
    ASSERT_TRUE(front.isConnected());
    const Window editor = wm->createWindow("gnome-text-editor", "org.gnome.TextEditor");
    wm->setActive(editor);
    auto app = front.frontmost();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleID, "org.gnome.TextEditor");
    EXPECT_EQ(app->name, "Editor de texto");

    const Window term = wm->createWindow("xterm", "XTerm");
    wm->setActive(term);
    app = front.frontmost();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleID, "XTerm");
    EXPECT_EQ(app->name, "XTerm") << "no .desktop file: the class is the name";
}

TEST_F(X11FrontmostApplicationTest, NoActiveWindowOrOneWithoutClassMeansNoSource)
{
    auto front = make();
    EXPECT_EQ(front.frontmost(), std::nullopt);
    wm->setActive(None);
    EXPECT_EQ(front.frontmost(), std::nullopt);
    wm->setActive(wm->createWindow("a", "A"), XA_CARDINAL);
    EXPECT_EQ(front.frontmost(), std::nullopt);
    wm->setActive(wm->createWindow(nullptr, nullptr));
    EXPECT_EQ(front.frontmost(), std::nullopt);
    wm->setActive(wm->createWindow("solo-instancia", ""));
    EXPECT_EQ(front.frontmost()->bundleID, "solo-instancia");
}

TEST_F(X11FrontmostApplicationTest, StaleWindowIdGivesNoSourceWithoutCrashing)
{
    auto front = make();
    const Window gone = wm->createWindow("gone", "Gone");
    wm->setActive(gone);
    wm->destroy(gone);
    EXPECT_EQ(front.frontmost(), std::nullopt);
    wm->setActive(0x7ffffff0); // never existed
    EXPECT_EQ(front.frontmost(), std::nullopt);

    // Errors stay trapped per call: the connection keeps working.
    wm->setActive(wm->createWindow("xterm", "XTerm"));
    EXPECT_EQ(front.frontmost()->bundleID, "XTerm");
}

TEST(X11FrontmostApplicationNoDisplay, UnreachableDisplayGivesNoSource)
{
    X11FrontmostApplication front(":987654", std::vector<fs::path>{});
    EXPECT_FALSE(front.isConnected());
    EXPECT_EQ(front.frontmost(), std::nullopt);
}
