// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/XTestKeySynthesizer.h"

#include "core/support/Log.h"
#include "platform/x11/X11Display.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
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
        logLine(LogCategory::X11, "El servidor X no ofrece XTest: no se podrá pegar automáticamente");
}

XTestKeySynthesizer::~XTestKeySynthesizer() = default;

bool XTestKeySynthesizer::sendPaste(PasteChord chord)
{
    if (!xtest_)
        return false;
    Display* d = display_->get();
    std::vector<KeyCode> modifiers;
    KeyCode key = 0;
    switch (chord) {
    case PasteChord::ControlV:
        modifiers = {XKeysymToKeycode(d, XK_Control_L)};
        key = XKeysymToKeycode(d, XK_v);
        break;
    case PasteChord::ControlShiftV:
        modifiers = {XKeysymToKeycode(d, XK_Control_L), XKeysymToKeycode(d, XK_Shift_L)};
        key = XKeysymToKeycode(d, XK_v);
        break;
    case PasteChord::ShiftInsert:
        modifiers = {XKeysymToKeycode(d, XK_Shift_L)};
        key = XKeysymToKeycode(d, XK_Insert);
        break;
    }
    if (key == 0 || std::find(modifiers.begin(), modifiers.end(), 0) != modifiers.end()) {
        logf(LogCategory::X11, "No se puede pegar: la distribución de teclado no tiene las teclas de {}",
             chordName(chord));
        return false;
    }
    const auto press = [d](KeyCode code, bool down) { XTestFakeKeyEvent(d, code, down ? True : False, CurrentTime); };

    const auto held = heldModifiers(d);
    for (KeyCode code : held)
        press(code, false);
    for (KeyCode code : modifiers)
        press(code, true);
    press(key, true);
    press(key, false);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        press(*it, false);
    // Put back what the user is still holding, so the server's view matches the keyboard until they let go.
    for (KeyCode code : held)
        press(code, true);
    XSync(d, False);
    if (const int error = X11Display::takeError()) {
        logf(LogCategory::X11, "No se pudo enviar la pulsación de pegar (error X {})", error);
        return false;
    }
    return true;
}

} // namespace brisa
