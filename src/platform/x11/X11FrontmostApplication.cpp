// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11FrontmostApplication.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace brisa {
namespace {

// Xlib reports protocol errors (a window that vanished: BadWindow) to one process-wide handler,
// whose default ends the process. While a trap lives, errors of its display are only noted.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display)
        : display_(display)
    {
        XSync(display_, False); // earlier requests' errors are not ours to swallow
        outer_ = trapped_;
        trapped_ = this;
        previous_ = XSetErrorHandler(&ErrorTrap::handle);
    }
    ~ErrorTrap()
    {
        XSync(display_, False); // collect this trap's errors before letting go
        XSetErrorHandler(previous_);
        trapped_ = outer_;
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    /// True once an error of this display arrived.
    bool failed() const { return failed_; }

private:
    static int handle(Display* display, XErrorEvent* event)
    {
        for (ErrorTrap* t = trapped_; t; t = t->outer_)
            if (t->display_ == display) {
                t->failed_ = true;
                return 0;
            }
        ErrorTrap* innermost = trapped_;
        return innermost && innermost->previous_ ? innermost->previous_(display, event) : 0;
    }

    static inline thread_local ErrorTrap* trapped_ = nullptr;
    Display* display_;
    ErrorTrap* outer_ = nullptr;
    XErrorHandler previous_ = nullptr;
    bool failed_ = false;
};

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

} // namespace

X11FrontmostApplication::X11FrontmostApplication(const char* displayName,
                                                 std::optional<std::vector<std::filesystem::path>> applicationDirs)
    : display_(XOpenDisplay(displayName))
    , applicationDirs_(std::move(applicationDirs))
{
}

X11FrontmostApplication::~X11FrontmostApplication()
{
    if (display_)
        XCloseDisplay(display_);
}

std::optional<std::string> X11FrontmostApplication::activeWindowClass()
{
    if (!display_)
        return std::nullopt;
    ErrorTrap trap(display_);
    const auto window = activeWindow(display_);
    if (!window)
        return std::nullopt;
    XClassHint hint{};
    if (!XGetClassHint(display_, *window, &hint))
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

const DesktopEntries& X11FrontmostApplication::entries()
{
    if (!entries_)
        entries_ = DesktopEntries::scan(applicationDirs_ ? *applicationDirs_ : DesktopEntries::applicationDirs());
    return *entries_;
}

std::optional<SourceApp> X11FrontmostApplication::frontmost()
{
    auto id = activeWindowClass();
    if (!id)
        return std::nullopt;
    SourceApp app;
    app.name = entries().nameFor(*id).value_or(*id);
    app.bundleID = std::move(id);
    return app;
}

} // namespace brisa
