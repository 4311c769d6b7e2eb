// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11PanelWindowHints.h"


#include <QGuiApplication>

#include <algorithm>
#include <array>
#include <vector>

// Last: their macros (None, Bool, Status, KeyPress) would clash with names in the headers above.
#include "platform/x11/X11Display.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

namespace brisa {
namespace x11 {
namespace {

// EWMH: the window is on every desktop.
constexpr unsigned long allDesktops = 0xFFFFFFFFul;
// EWMH _NET_WM_STATE actions and the source of a request (1: an application).
constexpr long stateAdd = 1;
constexpr long sourceApplication = 1;

bool windowExists(Display* display, Window window, XWindowAttributes& attributes)
{
    return window && XGetWindowAttributes(display, window, &attributes) != 0;
}

bool shapeSupported(Display* display)
{
    int eventBase = 0, errorBase = 0;
    return XShapeQueryExtension(display, &eventBase, &errorBase);
}

bool shapeInputSupported(Display* display)
{
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XShapeQueryExtension(display, &eventBase, &errorBase) || !XShapeQueryVersion(display, &major, &minor))
        return false;
    // Input shapes came with 1.1.
    return major > 1 || (major == 1 && minor >= 1);
}

void sendToWindowManager(Display* display, Window window, Atom type, std::array<long, 5> data)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    std::copy(data.begin(), data.end(), event.xclient.data.l);
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

/// The atoms of window's _NET_WM_STATE, empty when it has none.
std::vector<Atom> currentStates(Display* display, Window window, Atom property)
{
    std::vector<Atom> states;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, XA_ATOM, &type, &format, &count, &remaining,
                           &data) == Success &&
        data) {
        if (type == XA_ATOM && format == 32) {
            const auto* atoms = reinterpret_cast<const unsigned long*>(data);
            states.assign(atoms, atoms + count);
        }
        XFree(data);
    }
    return states;
}

} // namespace

bool setClickThrough(Display* display, unsigned long window, bool on)
{
    XWindowAttributes attributes{};
    if (!display || !windowExists(display, window, attributes) || !shapeInputSupported(display))
        return false;
    if (on)
        XShapeCombineRectangles(display, window, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    else
        XShapeCombineMask(display, window, ShapeInput, 0, 0, None, ShapeSet); // no mask: the whole window
    XFlush(display);
    return true;
}

bool setInputArea(Display* display, unsigned long window, int x, int y, int width, int height)
{
    XWindowAttributes attributes{};
    if (!display || width <= 0 || height <= 0 || !windowExists(display, window, attributes) ||
        !shapeInputSupported(display))
        return false;
    XRectangle area{static_cast<short>(std::clamp(x, -32768, 32767)), static_cast<short>(std::clamp(y, -32768, 32767)),
                    static_cast<unsigned short>(std::min(width, 65535)), static_cast<unsigned short>(std::min(height, 65535))};
    XShapeCombineRectangles(display, window, ShapeInput, 0, 0, &area, 1, ShapeSet, Unsorted);
    XFlush(display);
    return true;
}

bool applyPanelHints(Display* display, unsigned long window)
{
    XWindowAttributes attributes{};
    if (!display || !windowExists(display, window, attributes))
        return false;

    enum { wmState, above, sticky, skipTaskbar, skipPager, desktop, windowType, dock, atomCount };
    std::array<char*, atomCount> names{
        const_cast<char*>("_NET_WM_STATE"),        const_cast<char*>("_NET_WM_STATE_ABOVE"),
        const_cast<char*>("_NET_WM_STATE_STICKY"), const_cast<char*>("_NET_WM_STATE_SKIP_TASKBAR"),
        const_cast<char*>("_NET_WM_STATE_SKIP_PAGER"), const_cast<char*>("_NET_WM_DESKTOP"),
        const_cast<char*>("_NET_WM_WINDOW_TYPE"),  const_cast<char*>("_NET_WM_WINDOW_TYPE_DOCK"),
    };
    std::array<Atom, atomCount> atoms{};
    if (!XInternAtoms(display, names.data(), atomCount, False, atoms.data()))
        return false;

    // Window managers read the type when they take the window on; Qt writes its own at creation.
    const unsigned long type = atoms[dock];
    XChangeProperty(display, window, atoms[windowType], XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&type), 1);

    const std::array<Atom, 4> wanted{atoms[above], atoms[sticky], atoms[skipTaskbar], atoms[skipPager]};
    if (attributes.map_state == IsUnmapped) {
        // Read when the window is mapped. Merged, so the states Qt set stay.
        std::vector<Atom> states = currentStates(display, window, atoms[wmState]);
        for (Atom a : wanted)
            if (std::find(states.begin(), states.end(), a) == states.end())
                states.push_back(a);
        std::vector<unsigned long> values(states.begin(), states.end());
        XChangeProperty(display, window, atoms[wmState], XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
        XChangeProperty(display, window, atoms[desktop], XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&allDesktops), 1);
    } else {
        // A shown window's state belongs to the window manager: ask it, two states per request.
        sendToWindowManager(display, window, atoms[wmState],
                            {stateAdd, static_cast<long>(wanted[0]), static_cast<long>(wanted[1]), sourceApplication, 0});
        sendToWindowManager(display, window, atoms[wmState],
                            {stateAdd, static_cast<long>(wanted[2]), static_cast<long>(wanted[3]), sourceApplication, 0});
        sendToWindowManager(display, window, atoms[desktop],
                            {static_cast<long>(allDesktops), sourceApplication, 0, 0, 0});
    }
    XFlush(display);
    return true;
}

bool makeUnmanaged(Display* display, unsigned long window)
{
    XWindowAttributes attributes{};
    if (!display || !windowExists(display, window, attributes))
        return false;
    const Atom windowType = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const unsigned long notification = XInternAtom(display, "_NET_WM_WINDOW_TYPE_NOTIFICATION", False);
    XChangeProperty(display, window, windowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&notification), 1);
    if (!attributes.override_redirect) {
        // Read at map time only: a shown window is mapped again to take it.
        const bool shown = attributes.map_state != IsUnmapped;
        if (shown)
            XUnmapWindow(display, window);
        XSetWindowAttributes set{};
        set.override_redirect = True;
        XChangeWindowAttributes(display, window, CWOverrideRedirect, &set);
        if (shown)
            XMapRaised(display, window);
    }
    XFlush(display);
    return true;
}

bool setBlurBehind(Display* display, unsigned long window, const std::vector<WindowRect>& region)
{
    XWindowAttributes attributes{};
    if (!display || !windowExists(display, window, attributes))
        return false;
    const Atom property = XInternAtom(display, "_KDE_NET_WM_BLUR_BEHIND_REGION", False);
    std::vector<long> values;
    values.reserve(region.size() * 4);
    for (const WindowRect& r : region) {
        if (r.width <= 0 || r.height <= 0)
            continue;
        values.insert(values.end(), {r.x, r.y, r.width, r.height});
    }
    if (values.empty())
        XDeleteProperty(display, window, property);
    else
        XChangeProperty(display, window, property, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
    XFlush(display);
    return true;
}

bool setVisibleRegion(Display* display, unsigned long window, const std::optional<std::vector<WindowRect>>& region)
{
    XWindowAttributes attributes{};
    if (!display || !windowExists(display, window, attributes) || !shapeSupported(display))
        return false;
    if (!region) {
        XShapeCombineMask(display, window, ShapeBounding, 0, 0, None, ShapeSet); // no mask: the whole window
        XFlush(display);
        return true;
    }
    std::vector<XRectangle> rectangles;
    rectangles.reserve(region->size());
    for (const WindowRect& r : *region) {
        if (r.width <= 0 || r.height <= 0)
            continue;
        rectangles.push_back({static_cast<short>(std::clamp(r.x, -32768, 32767)),
                              static_cast<short>(std::clamp(r.y, -32768, 32767)),
                              static_cast<unsigned short>(std::min(r.width, 65535)),
                              static_cast<unsigned short>(std::min(r.height, 65535))});
    }
    XShapeCombineRectangles(display, window, ShapeBounding, 0, 0, rectangles.data(), static_cast<int>(rectangles.size()),
                            ShapeSet, Unsorted);
    XFlush(display);
    return true;
}

} // namespace x11

std::unique_ptr<X11PanelWindowHints> X11PanelWindowHints::create(bool unmanaged)
{
    std::unique_ptr<X11PanelWindowHints> hints;
    if (auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        if (Display* display = app->display())
            hints.reset(new X11PanelWindowHints(display, nullptr));
    }
    if (!hints) {
        auto own = X11Display::open({});
        if (!own)
            return nullptr;
        Display* display = own->get();
        hints.reset(new X11PanelWindowHints(display, std::move(own)));
    }
    hints->unmanaged_ = unmanaged;
    return hints;
}

X11PanelWindowHints::X11PanelWindowHints(Display* display, std::unique_ptr<X11Display> own)
    : display_(display)
    , own_(std::move(own))
{
}

X11PanelWindowHints::~X11PanelWindowHints() = default;

bool X11PanelWindowHints::setClickThrough(NativeWindowId window, bool on)
{
    return x11::setClickThrough(display_, static_cast<Window>(window), on);
}

bool X11PanelWindowHints::setInputArea(NativeWindowId window, int x, int y, int width, int height)
{
    return x11::setInputArea(display_, static_cast<Window>(window), x, y, width, height);
}

bool X11PanelWindowHints::applyPanelHints(NativeWindowId window)
{
    if (unmanaged_)
        return x11::makeUnmanaged(display_, static_cast<Window>(window));
    return x11::applyPanelHints(display_, static_cast<Window>(window));
}

bool X11PanelWindowHints::setBlurBehind(NativeWindowId window, const std::vector<WindowRect>& region)
{
    return x11::setBlurBehind(display_, static_cast<Window>(window), region);
}

bool X11PanelWindowHints::setVisibleRegion(NativeWindowId window, const std::optional<std::vector<WindowRect>>& region)
{
    return x11::setVisibleRegion(display_, static_cast<Window>(window), region);
}

} // namespace brisa
