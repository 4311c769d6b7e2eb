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

namespace brisa {

void XTestKeySynthesizer::press(unsigned code, bool down)
{
    XTestFakeKeyEvent(display_->get(), code, down ? True : False, CurrentTime);
}

bool XTestKeySynthesizer::typeLifted(const char* what, const std::function<bool()>& type)
{
    if (!xtest_)
        return false;
    Display* d = display_->get();
    // A held Control would turn BackSpace into "delete a word", a held Shift Return into another key.
    const auto held = heldModifiers(d);
    for (KeyCode code : held)
        press(code, false);
    const bool typed = type();
    for (KeyCode code : held)
        press(code, true);
    XSync(d, False);
    if (const int error = X11Display::takeError()) {
        logf(LogCategory::X11, "No se pudieron enviar las pulsaciones de {} (error X {})", what, error);
        return false;
    }
    return typed;
}

bool XTestKeySynthesizer::sendBackSpaces(int count)
{
    return typeLifted("borrado", [&] {
        const KeyCode key = XKeysymToKeycode(display_->get(), XK_BackSpace);
        if (key == 0)
            return false;
        for (int i = 0; i < count; ++i) {
            press(key, true);
            press(key, false);
        }
        return true;
    });
}

bool XTestKeySynthesizer::sendDelimiter(Delimiter delimiter)
{
    return typeLifted("separador", [&] {
        const KeySym sym = delimiter == Delimiter::Space  ? XK_space
                           : delimiter == Delimiter::Tab  ? XK_Tab
                           : delimiter == Delimiter::Return ? XK_Return
                                                          : XK_KP_Enter;
        KeyCode key = XKeysymToKeycode(display_->get(), sym);
        if (key == 0 && delimiter == Delimiter::KeypadEnter)
            key = XKeysymToKeycode(display_->get(), XK_Return);
        if (key == 0)
            return false;
        press(key, true);
        press(key, false);
        return true;
    });
}

bool XTestKeySynthesizer::sendStrokes(const std::vector<KeyStroke>& strokes)
{
    return typeLifted("teclas", [&] {
        Display* d = display_->get();
        const KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
        const KeyCode levelThree = XKeysymToKeycode(d, XK_ISO_Level3_Shift);
        for (const KeyStroke& s : strokes) {
            if (s.code < 8 || s.code > 255)
                continue;
            if (!s.down) {
                press(s.code, false);
                continue;
            }
            const bool withShift = (s.modifiers & ShiftMask) && shift;
            const bool withLevelThree = (s.modifiers & Mod5Mask) && levelThree;
            if (withShift)
                press(shift, true);
            if (withLevelThree)
                press(levelThree, true);
            press(s.code, true);
            if (withLevelThree)
                press(levelThree, false);
            if (withShift)
                press(shift, false);
        }
        return true;
    });
}

} // namespace brisa
