// SPDX-License-Identifier: GPL-3.0-or-later
// Moves the pointer and clicks the way a real mouse does, through the XTest extension. A warp
// (XWarpPointer, as `xdotool mousemove` does) produces no raw motion events, so an application
// listening for global pointer moves would never see it; a faked motion event does.
//
// Usage: xtest_pointer move X Y       pointer to screen position X,Y (of the default screen)
//        xtest_pointer click BUTTON   press and release BUTTON (1 left, 2 middle, 3 right)
// Exit codes: 0 done, 1 no display or no XTest, 2 wrong usage.

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

std::optional<int> parseInt(const char* text, int min, int max)
{
    int value = 0;
    const char* end = text + std::strlen(text);
    const auto [ptr, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || ptr != end || value < min || value > max)
        return std::nullopt;
    return value;
}

int usage()
{
    std::fputs("uso: xtest_pointer move X Y | xtest_pointer click BOTÓN\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const bool move = std::strcmp(argv[1], "move") == 0 && argc == 4;
    const bool click = std::strcmp(argv[1], "click") == 0 && argc == 3;
    if (!move && !click)
        return usage();

    // Arguments first: a wrong one is a usage error whether or not there is a display.
    const auto x = move ? parseInt(argv[2], 0, 65535) : std::nullopt;
    const auto y = move ? parseInt(argv[3], 0, 65535) : std::nullopt;
    const auto button = click ? parseInt(argv[2], 1, 5) : std::nullopt;
    if (move ? !x || !y : !button)
        return usage();

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("xtest_pointer: no hay pantalla X\n", stderr);
        return 1;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        std::fputs("xtest_pointer: el servidor no tiene XTest\n", stderr);
        XCloseDisplay(display);
        return 1;
    }
    if (move) {
        XTestFakeMotionEvent(display, DefaultScreen(display), *x, *y, CurrentTime);
    } else {
        XTestFakeButtonEvent(display, static_cast<unsigned>(*button), True, CurrentTime);
        XTestFakeButtonEvent(display, static_cast<unsigned>(*button), False, CurrentTime);
    }
    // XSync, not XFlush: the events are in the server before this process says it is done.
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
