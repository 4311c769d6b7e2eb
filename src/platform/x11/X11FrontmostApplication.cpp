// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11FrontmostApplication.h"

#include "platform/x11/X11Display.h"
#include "platform/x11/X11Windows.h"

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

} // namespace brisa
