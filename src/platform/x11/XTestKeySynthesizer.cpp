// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/XTestKeySynthesizer.h"

#include "core/support/Log.h"
#include "platform/x11/X11Display.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <vector>

namespace brisa {
namespace {

/// Modifier keys held down right now (Shift, Control, Alt, Super, AltGr...), lock keys left out:
/// a held Super would turn our Ctrl+V into Ctrl+Super+V, Brisa's own panel shortcut.
std::vector<KeyCode> heldModifiers(Display* display)
{
    std::vector<KeyCode> held;
    char keys[32] = {};
    XQueryKeymap(display, keys);
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map)
        return held;
    for (int mod = 0; mod < 8; ++mod) {
        if (mod == LockMapIndex)
            continue;
        for (int i = 0; i < map->max_keypermod; ++i) {
            const KeyCode code = map->modifiermap[mod * map->max_keypermod + i];
            if (code == 0 || !(keys[code / 8] & (1 << (code % 8))))
                continue;
            const KeySym sym = XkbKeycodeToKeysym(display, code, 0, 0);
            if (sym == XK_Num_Lock || sym == XK_Caps_Lock || sym == XK_Shift_Lock || sym == XK_Scroll_Lock)
                continue;
            bool seen = false;
            for (KeyCode h : held)
                seen = seen || h == code;
            if (!seen)
                held.push_back(code);
        }
    }
    XFreeModifiermap(map);
    return held;
}

} // namespace

XTestKeySynthesizer::XTestKeySynthesizer(const std::string& displayName)
    : display_(X11Display::open(displayName))
{
    if (!display_)
        return;
    int event = 0, error = 0, major = 0, minor = 0;
    xtest_ = XTestQueryExtension(display_->get(), &event, &error, &major, &minor);
    if (!xtest_)
        logLine("El servidor X no ofrece XTest: no se podrá pegar automáticamente");
}

XTestKeySynthesizer::~XTestKeySynthesizer() = default;

bool XTestKeySynthesizer::sendPaste(bool terminal)
{
    if (!xtest_)
        return false;
    Display* d = display_->get();
    const KeyCode control = XKeysymToKeycode(d, XK_Control_L);
    const KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
    const KeyCode v = XKeysymToKeycode(d, XK_v);
    if (control == 0 || v == 0 || (terminal && shift == 0)) {
        logLine("No se puede pegar: la distribución de teclado no tiene la tecla V o Control");
        return false;
    }
    const auto key = [d](KeyCode code, bool down) { XTestFakeKeyEvent(d, code, down ? True : False, CurrentTime); };

    const auto held = heldModifiers(d);
    for (KeyCode code : held)
        key(code, false);
    key(control, true);
    if (terminal)
        key(shift, true);
    key(v, true);
    key(v, false);
    if (terminal)
        key(shift, false);
    key(control, false);
    // Put back what the user is still holding, so the server's view matches the keyboard until they let go.
    for (KeyCode code : held)
        key(code, true);
    XSync(d, False);
    if (const int error = X11Display::takeError()) {
        logf("No se pudo enviar la pulsación de pegar (error X {})", error);
        return false;
    }
    return true;
}

} // namespace brisa
