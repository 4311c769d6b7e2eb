// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11PointerMonitor.h"

#include "core/support/Log.h"

#include <utility>
#include <vector>

// Last: their macros (None, Bool, Status, KeyPress) would clash with names in the headers above.
#include "platform/x11/X11Display.h"
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

namespace brisa {
namespace {

enum class Action { moved, buttonDown, escapeDown };

// Left and right, as the panel's click handling wants them; the wheel and the middle button are not clicks.
bool isClickButton(int button) { return button == 1 || button == 3; }

} // namespace

X11PointerMonitor::ToGlobal X11PointerMonitor::flipAgainst(std::function<double()> primaryHeight)
{
    return [primaryHeight = std::move(primaryHeight)](double x, double y) {
        return Point{x, (primaryHeight ? primaryHeight() : 0.0) - y - 1};
    };
}

std::unique_ptr<X11PointerMonitor> X11PointerMonitor::create(ToGlobal toGlobal, const std::string& displayName)
{
    auto display = X11Display::open(displayName);
    if (!display)
        return nullptr;
    Display* d = display->get();
    const auto xi = x11::queryXInput(d);
    if (!xi) {
        logLine(LogCategory::X11, "El servidor X no ofrece XInput: sin seguimiento global del puntero");
        return nullptr;
    }
    if (xi->major < 2) {
        logLine(LogCategory::X11, "El servidor X no ofrece XInput 2: sin seguimiento global del puntero");
        return nullptr;
    }
    // Without raw events during grabs an open menu hides the pointer.
    if (!xi->rawDuringGrabs())
        logf(LogCategory::X11, "XInput {}.{}: el puntero no se verá mientras otra aplicación lo capture", xi->major,
             xi->minor);

    const Window root = DefaultRootWindow(d);
    X11Display::takeError();
    x11::selectRawEvents(d, {XI_RawMotion, XI_RawButtonPress, XI_RawKeyPress});
    XSync(d, False);
    if (const int error = X11Display::takeError()) {
        logf(LogCategory::X11, "No se pudieron seleccionar los eventos XInput del puntero: error {}", error);
        return nullptr;
    }

    if (!toGlobal) {
        XWindowAttributes attributes{};
        const double height = XGetWindowAttributes(d, root, &attributes) ? attributes.height : 0;
        toGlobal = [height](double x, double y) { return Point{x, height - y - 1}; };
    }
    return std::unique_ptr<X11PointerMonitor>(new X11PointerMonitor(std::move(display), xi->opcode, std::move(toGlobal)));
}

X11PointerMonitor::X11PointerMonitor(std::unique_ptr<X11Display> display, int xiOpcode, ToGlobal toGlobal)
    : X11EventSource(std::move(display))
    , xiOpcode_(xiOpcode)
    , toGlobal_(std::move(toGlobal))
{
    findEscapeKeys();
    // Replies read while setting up may have queued events already.
    scheduleQueuedRead();
}

X11PointerMonitor::~X11PointerMonitor() = default;

void X11PointerMonitor::setHandlers(Handlers handlers) { handlers_ = std::move(handlers); }

Point X11PointerMonitor::pointerPosition()
{
    const Point p = position();
    scheduleQueuedRead();
    return p;
}

Point X11PointerMonitor::position()
{
    Display* d = display_->get();
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int buttons = 0;
    // Off this screen the answer is False, but the root coordinates are still where the pointer is.
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rootX, &rootY, &winX, &winY, &buttons);
    if (!root)
        return lastMoved_;
    return toGlobal_(rootX, rootY);
}

void X11PointerMonitor::findEscapeKeys()
{
    Display* d = display_->get();
    escapeKeys_.reset();
    int minCode = 0, maxCode = 0, perCode = 0;
    XDisplayKeycodes(d, &minCode, &maxCode);
    if (minCode < 0 || maxCode > 255 || minCode > maxCode)
        return;
    KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
    if (!map)
        return;
    for (int code = minCode; code <= maxCode; ++code)
        for (int i = 0; i < perCode; ++i)
            if (map[(code - minCode) * perCode + i] == XK_Escape)
                escapeKeys_.set(static_cast<std::size_t>(code));
    XFree(map);
}

void X11PointerMonitor::readEvents()
{
    ++wakes_;
    Display* d = display_->get();
    std::vector<Action> actions;
    // XPending reads what the socket holds; the loop ends with both the socket and Xlib's queue empty.
    while (XPending(d)) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            if (event.xmapping.request == MappingKeyboard)
                findEscapeKeys();
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (event.type != GenericEvent || cookie->extension != xiOpcode_ || !XGetEventData(d, cookie))
            continue;
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        switch (cookie->evtype) {
        case XI_RawMotion:
            // Moves in one batch collapse into one: only the latest position matters.
            if (actions.empty() || actions.back() != Action::moved)
                actions.push_back(Action::moved);
            break;
        case XI_RawButtonPress:
            if (isClickButton(raw->detail))
                actions.push_back(Action::buttonDown);
            break;
        case XI_RawKeyPress:
            if (raw->detail >= 0 && raw->detail < 256 && escapeKeys_.test(static_cast<std::size_t>(raw->detail)))
                actions.push_back(Action::escapeDown);
            break;
        default:
            break;
        }
        XFreeEventData(d, cookie);
    }
    if (actions.empty())
        return;

    Point p;
    const bool needsPosition = actions.size() > 1 || actions.front() != Action::escapeDown;
    if (needsPosition)
        p = position();
    std::weak_ptr<bool> alive = alive_;
    for (Action action : actions) {
        // A receiver may replace the handlers or destroy the monitor: take a copy, check after each.
        switch (action) {
        case Action::moved:
            if (hasLastMoved_ && p == lastMoved_)
                continue;
            hasLastMoved_ = true;
            lastMoved_ = p;
            if (auto f = handlers_.onMoved)
                f(p);
            break;
        case Action::buttonDown:
            if (auto f = handlers_.onButtonDown)
                f(p);
            break;
        case Action::escapeDown:
            if (auto f = handlers_.onEscapeDown)
                f();
            break;
        }
        if (alive.expired())
            return;
    }
    // The position query may have pulled new events into Xlib's queue, where the socket will not show them.
    scheduleQueuedRead();
}

} // namespace brisa
