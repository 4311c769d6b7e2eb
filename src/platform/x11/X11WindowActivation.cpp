// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowActivation.h"

#include "core/support/Log.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11Windows.h"

#include <X11/Xatom.h>

namespace brisa {

X11WindowActivation::X11WindowActivation(const std::string& displayName)
    : display_(X11Display::open(displayName))
{
}

X11WindowActivation::~X11WindowActivation()
{
    if (display_ && timeWindow_)
        XDestroyWindow(display_->get(), timeWindow_);
}

std::optional<WindowId> X11WindowActivation::activeWindow()
{
    if (!display_)
        return std::nullopt;
    const auto window = x11::activeWindow(display_->get());
    X11Display::takeError();
    if (!window)
        return std::nullopt;
    return WindowId{static_cast<std::uint64_t>(*window)};
}

bool X11WindowActivation::rememberActiveWindow()
{
    remembered_ = activeWindow();
    return remembered_.has_value();
}

std::optional<std::string> X11WindowActivation::activeWindowClass()
{
    const auto window = activeWindow();
    if (!window)
        return std::nullopt;
    auto cls = x11::windowClass(display_->get(), static_cast<Window>(window->value));
    XSync(display_->get(), False);
    if (X11Display::takeError())
        return std::nullopt; // the window went away between the two reads
    return cls;
}

bool X11WindowActivation::restorePreviousWindow()
{
    if (!remembered_)
        return false;
    if (!exists(*remembered_)) {
        remembered_.reset(); // gone for good: do not keep trying it
        logLine(LogCategory::X11, "La ventana anterior ya no existe; el foco se queda donde está");
        return false;
    }
    // A window manager may leave _NET_ACTIVE_WINDOW naming a window that has just gone, so this
    // shortcut comes only after the window is known to exist.
    if (activeWindow() == remembered_)
        return true;
    return activate(*remembered_);
}

bool X11WindowActivation::exists(WindowId id)
{
    const auto window = static_cast<Window>(id.value);
    if (!display_)
        return false;
    XWindowAttributes attributes{};
    const Status known = XGetWindowAttributes(display_->get(), window, &attributes);
    return X11Display::takeError() == 0 && known;
}

unsigned long X11WindowActivation::serverTime()
{
    // A zero-length append to a window of our own makes the server report the current time: window
    // managers that prevent focus stealing weigh requests by it, and CurrentTime counts as suspect.
    Display* d = display_->get();
    if (!timeWindow_) {
        timeWindow_ = XCreateSimpleWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, 0, 0);
        XSelectInput(d, timeWindow_, PropertyChangeMask);
    }
    const Atom atom = display_->atom("_BRISA_TIMESTAMP");
    XChangeProperty(d, timeWindow_, atom, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event;
    XWindowEvent(d, timeWindow_, PropertyChangeMask, &event);
    return event.xproperty.time;
}

std::optional<std::uint64_t> X11WindowActivation::currentTime()
{
    if (!display_)
        return std::nullopt;
    return serverTime();
}

bool X11WindowActivation::activate(WindowId id)
{
    const auto window = static_cast<Window>(id.value);
    if (!display_)
        return false;
    Display* d = display_->get();
    XWindowAttributes attributes{};
    const Status known = XGetWindowAttributes(d, window, &attributes);
    if (X11Display::takeError() || !known)
        return false;
    if (x11::windowManagerSupports(d, "_NET_ACTIVE_WINDOW")) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = display_->atom("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2; // source indication: a pager, so the request is obeyed as the user's
        event.xclient.data.l[1] = static_cast<long>(serverTime());
        event.xclient.data.l[2] = 0;
        XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
        // No window manager to ask: set the focus ourselves, which only works on a viewable window.
        if (attributes.map_state != IsViewable)
            return false;
        XRaiseWindow(d, window);
        XSetInputFocus(d, window, RevertToParent, CurrentTime);
    }
    XSync(d, False);
    return X11Display::takeError() == 0;
}

} // namespace brisa
