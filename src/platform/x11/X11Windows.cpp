// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace brisa::x11 {
namespace {

// WM_CLASS is a STRING property: ISO Latin-1.
std::string latin1ToUtf8(const char* s)
{
    std::string out;
    for (; *s; ++s) {
        const auto c = static_cast<unsigned char>(*s);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace

std::optional<Window> activeWindow(Display* display)
{
    const Atom property = XInternAtom(display, "_NET_ACTIVE_WINDOW", True);
    if (property == None)
        return std::nullopt; // no window manager ever announced it
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1, False, XA_WINDOW,
                                          &type, &format, &count, &remaining, &data);
    std::optional<Window> window;
    // Format 32 data comes back as an array of long, whatever the size of long.
    if (status == Success && type == XA_WINDOW && format == 32 && count == 1 && data) {
        const Window w = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
        if (w != None)
            window = w;
    }
    if (data)
        XFree(data);
    return window;
}

std::optional<std::string> windowClass(Display* display, Window window)
{
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint))
        return std::nullopt;
    std::optional<std::string> id;
    if (hint.res_class && *hint.res_class)
        id = latin1ToUtf8(hint.res_class);
    else if (hint.res_name && *hint.res_name)
        id = latin1ToUtf8(hint.res_name); // some toolkits leave the class empty
    if (hint.res_name)
        XFree(hint.res_name);
    if (hint.res_class)
        XFree(hint.res_class);
    return id;
}

bool windowManagerSupports(Display* display, const char* atomName)
{
    const Atom supported = XInternAtom(display, "_NET_SUPPORTED", True);
    const Atom wanted = XInternAtom(display, atomName, True);
    if (supported == None || wanted == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, DefaultRootWindow(display), supported, 0, 4096, False, XA_ATOM, &type, &format,
                           &count, &remaining, &data) == Success &&
        type == XA_ATOM && format == 32 && data) {
        const auto* atoms = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count && !found; ++i)
            found = atoms[i] == wanted;
    }
    if (data)
        XFree(data);
    return found;
}

} // namespace brisa::x11
