// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11KeyWatcher.h"

#include "core/support/Log.h"


#include <utility>
#include <vector>

#include <xkbcommon/xkbcommon-x11.h>

// Last: their macros (None, Bool, Status, KeyPress) would clash with names in the headers above.
#include "platform/x11/X11Display.h"
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace brisa {

std::unique_ptr<X11KeyWatcher> X11KeyWatcher::create(const std::string& displayName)
{
    auto display = X11Display::open(displayName);
    if (!display)
        return nullptr;
    Display* d = display->get();
    const auto xi = x11::queryXInput(d);
    if (!xi || !xi->rawDuringGrabs()) {
        logLine(LogCategory::X11, "El servidor X no ofrece XInput 2.1: el expansor de texto no puede ver las teclas");
        return nullptr;
    }
    int xkbOpcode = 0, xkbEvent = 0, xkbError = 0, xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    if (!XkbQueryExtension(d, &xkbOpcode, &xkbEvent, &xkbError, &xkbMajor, &xkbMinor) ||
        !xkb_x11_setup_xkb_extension(XGetXCBConnection(d), XKB_X11_MIN_MAJOR_XKB_VERSION,
                                     XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr,
                                     nullptr, nullptr, nullptr)) {
        logLine(LogCategory::X11, "El servidor X no ofrece XKB: el expansor de texto no puede leer el teclado");
        return nullptr;
    }

    const Window root = DefaultRootWindow(d);
    X11Display::takeError();
    x11::selectRawEvents(d, {XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress});
    // A new layout or keymap, and the group and modifiers as they change.
    XkbSelectEvents(d, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask | XkbStateNotifyMask,
                    XkbNewKeyboardNotifyMask | XkbMapNotifyMask | XkbStateNotifyMask);
    XkbSelectEventDetails(d, XkbUseCoreKbd, XkbStateNotify, XkbAllStateComponentsMask,
                          XkbModifierStateMask | XkbGroupStateMask);
    XSelectInput(d, root, PropertyChangeMask);
    XSync(d, False);
    if (const int error = X11Display::takeError()) {
        logf(LogCategory::X11, "No se pudieron seleccionar los eventos del teclado: error {}", error);
        return nullptr;
    }
    auto watcher = std::unique_ptr<X11KeyWatcher>(new X11KeyWatcher(std::move(display), xi->opcode, xkbEvent));
    if (!watcher->loadKeymap()) {
        logLine(LogCategory::X11, "No se pudo leer la distribución del teclado: el expansor de texto no arranca");
        return nullptr;
    }
    return watcher;
}

X11KeyWatcher::X11KeyWatcher(std::unique_ptr<X11Display> display, int xiOpcode, int xkbEventBase)
    : X11EventSource(std::move(display))
    , xiOpcode_(xiOpcode)
    , xkbEventBase_(xkbEventBase)
    , activeAtom_(display_->atom("_NET_ACTIVE_WINDOW"))
{
    lastActive_ = activeWindow();
    scheduleQueuedRead();
}

X11KeyWatcher::~X11KeyWatcher() = default;

void X11KeyWatcher::setHandlers(Handlers handlers) { handlers_ = std::move(handlers); }

bool X11KeyWatcher::loadKeymap()
{
    xcb_connection_t* xcb = XGetXCBConnection(display_->get());
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(xcb);
    if (device < 0 || !reader_.context())
        return false;
    if (!reader_.setKeymap(xkb_x11_keymap_new_from_device(reader_.context(), xcb, device, XKB_KEYMAP_COMPILE_NO_FLAGS)))
        return false;
    readState();
    return true;
}

void X11KeyWatcher::readState()
{
    XkbStateRec state{};
    if (XkbGetState(display_->get(), XkbUseCoreKbd, &state) == Success)
        reader_.setState(state.base_mods, state.latched_mods, state.locked_mods,
                         static_cast<std::uint32_t>(state.base_group), static_cast<std::uint32_t>(state.latched_group),
                         static_cast<std::uint32_t>(state.locked_group));
}

unsigned long X11KeyWatcher::activeWindow()
{
    Display* d = display_->get();
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    unsigned long window = 0;
    if (XGetWindowProperty(d, DefaultRootWindow(d), activeAtom_, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &after, &data) == Success &&
        data && type == XA_WINDOW && format == 32 && count == 1)
        window = *reinterpret_cast<unsigned long*>(data);
    if (data)
        XFree(data);
    return window;
}

bool X11KeyWatcher::repeatedAfter(unsigned long held)
{
    // No key repeats sooner than this; only a press this long costs a round trip.
    if (held < 150)
        return false;
    Display* d = display_->get();
    XKeyboardState keyboard{};
    XGetKeyboardControl(d, &keyboard);
    if (keyboard.global_auto_repeat != AutoRepeatModeOn)
        return false;
    unsigned int delay = 0, interval = 0;
    return !XkbGetAutoRepeatRate(d, XkbUseCoreKbd, &delay, &interval) || held >= delay;
}

void X11KeyWatcher::readEvents()
{
    ++wakes_;
    Display* d = display_->get();
    std::weak_ptr<bool> alive = alive_;
    while (XPending(d)) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == xkbEventBase_) {
            const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
            if (xkb.any.xkb_type == XkbStateNotify)
                reader_.setState(xkb.state.base_mods, xkb.state.latched_mods, xkb.state.locked_mods,
                                 static_cast<std::uint32_t>(xkb.state.base_group),
                                 static_cast<std::uint32_t>(xkb.state.latched_group),
                                 static_cast<std::uint32_t>(xkb.state.locked_group));
            else if ((xkb.any.xkb_type == XkbNewKeyboardNotify || xkb.any.xkb_type == XkbMapNotify) && loadKeymap())
                logLine(LogCategory::X11, "Teclado: distribución releída"); // setxkbmap, or the desktop switching layouts
            continue;
        }
        if (event.type == PropertyNotify) {
            if (event.xproperty.atom != activeAtom_)
                continue;
            const unsigned long now = activeWindow();
            if (now == lastActive_)
                continue;
            lastActive_ = now;
            if (auto f = handlers_.onFocusChanged)
                f();
            if (alive.expired())
                return;
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (event.type != GenericEvent || cookie->extension != xiOpcode_ || !XGetEventData(d, cookie))
            continue;
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        if (cookie->evtype == XI_RawButtonPress) {
            // Buttons 4 to 7 are the wheel: scrolling moves no caret.
            const bool click = raw->detail >= 1 && raw->detail <= 3;
            XFreeEventData(d, cookie);
            if (click)
                if (auto f = handlers_.onButtonDown)
                    f();
            if (alive.expired())
                return;
            continue;
        }
        const bool press = cookie->evtype == XI_RawKeyPress;
        const bool release = cookie->evtype == XI_RawKeyRelease;
        const auto code = static_cast<std::uint32_t>(raw->detail);
        const unsigned long time = raw->time;
        XFreeEventData(d, cookie);
        if (!press && !release)
            continue;
        // The server's own repeats of a held key make no raw events: a long press is told instead.
        bool held = false;
        if (code < pressedAt_.size()) {
            if (press)
                pressedAt_[code] = time;
            else if (pressedAt_[code] && time > pressedAt_[code])
                held = repeatedAfter(time - pressedAt_[code]);
        }
        const ObservedKey key = reader_.read(code, press);
        if (auto f = handlers_.onKey)
            f(key);
        if (alive.expired())
            return;
        if (held)
            if (auto f = handlers_.onKeyHeld)
                f();
        if (alive.expired())
            return;
    }
    scheduleQueuedRead();
}

} // namespace brisa
