// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11FrontmostApplication.h"

#include "platform/x11/X11Display.h"
#include "platform/x11/X11Windows.h"

#include <X11/Xatom.h>

#include <algorithm>

namespace brisa {

X11FrontmostApplication::X11FrontmostApplication(const char* displayName,
                                                 std::optional<std::vector<std::filesystem::path>> applicationDirs)
    : display_(X11Display::open(displayName ? displayName : ""))
    , applicationDirs_(std::move(applicationDirs))
{
}

X11FrontmostApplication::~X11FrontmostApplication() = default;

std::optional<std::string> X11FrontmostApplication::activeWindowClass()
{
    if (!display_)
        return std::nullopt;
    Display* display = display_->get();
    XSync(display, False);
    X11Display::takeError(); // earlier requests' errors are not this lookup's
    const auto window = x11::activeWindow(display);
    if (!window || X11Display::takeError())
        return std::nullopt;
    auto cls = x11::windowClass(display, *window);
    XSync(display, False);
    if (X11Display::takeError())
        return std::nullopt; // the window went away between the two reads
    return cls;
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

std::vector<std::string> X11FrontmostApplication::openApplications()
{
    std::vector<std::string> classes;
    if (!display_)
        return classes;
    Display* display = display_->get();
    XSync(display, False);
    X11Display::takeError();
    const Atom list = display_->atom("_NET_CLIENT_LIST");
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::vector<Window> windows;
    if (XGetWindowProperty(display, DefaultRootWindow(display), list, 0, 4096, False, XA_WINDOW, &type, &format,
                           &count, &remaining, &data) == Success &&
        type == XA_WINDOW && format == 32 && data) {
        const auto* ids = reinterpret_cast<const unsigned long*>(data); // format 32 comes as long
        windows.assign(ids, ids + count);
    }
    if (data)
        XFree(data);
    for (Window window : windows) {
        auto cls = x11::windowClass(display, window);
        XSync(display, False);
        if (X11Display::takeError() || !cls)
            continue; // gone meanwhile, or no class
        if (std::find(classes.begin(), classes.end(), *cls) == classes.end())
            classes.push_back(std::move(*cls));
    }
    return classes;
}

} // namespace brisa
