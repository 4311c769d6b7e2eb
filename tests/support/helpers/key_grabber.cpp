// SPDX-License-Identifier: GPL-3.0-or-later
// Plays another program that holds a global key combination: grabs it on the root window and
// waits until killed. With --check it only tells whether the combination is free: exit 0 when the
// grab was granted (and released again), 1 when another client holds it (BadAccess).
// With --numlock it holds the combination only while Num Lock is on, as some programs do: pressed
// with Num Lock off the keys still reach the focused window, yet a grab of every lock state fails.
// Usage: key_grabber [--check | --numlock] ctrl+alt+k
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {
bool refused = false;
int onError(Display*, XErrorEvent* e)
{
    if (e->error_code == BadAccess)
        refused = true;
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    const bool numLockOnly = argc == 3 && std::strcmp(argv[1], "--numlock") == 0;
    if (argc != 2 && !check && !numLockOnly)
        return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    unsigned modifiers = 0;
    std::string chord = argv[argc - 1];
    std::string key;
    for (std::size_t start = 0;;) {
        const auto plus = chord.find('+', start);
        const std::string part = chord.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        if (plus == std::string::npos) {
            key = part;
            break;
        }
        if (part == "ctrl")
            modifiers |= ControlMask;
        else if (part == "alt")
            modifiers |= Mod1Mask;
        else if (part == "shift")
            modifiers |= ShiftMask;
        else if (part == "super")
            modifiers |= Mod4Mask;
        start = plus + 1;
    }
    const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(key.c_str()));
    if (!code)
        return 1;
    XSetErrorHandler(onError);
    // Every lock combination, as a real shortcut daemon does.
    for (unsigned locks : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
        if (!numLockOnly || locks == Mod2Mask)
            XGrabKey(display, code, modifiers | locks, DefaultRootWindow(display), True, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    if (check)
        return refused ? 1 : 0;
    if (refused)
        return 1;
    std::puts("grabbed");
    std::fflush(stdout);
    for (;;)
        pause();
}
