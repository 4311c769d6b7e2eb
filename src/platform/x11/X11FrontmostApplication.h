// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/DesktopEntries.h"
#include "platform/FrontmostApplication.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisa {

class X11Display;

/// The frontmost application on X11: the window the window manager names in the root window's
/// _NET_ACTIVE_WINDOW. Its identifier is the window's WM_CLASS class, its name the Name of the
/// matching .desktop file, else the class itself.
class X11FrontmostApplication final : public FrontmostApplication {
public:
    /// Opens a connection of its own to displayName (nullptr: $DISPLAY). applicationDirs: where the
    /// .desktop files are (nullopt: the XDG folders); they are indexed once, at the first lookup.
    explicit X11FrontmostApplication(const char* displayName = nullptr,
                                     std::optional<std::vector<std::filesystem::path>> applicationDirs = std::nullopt);
    ~X11FrontmostApplication() override;
    X11FrontmostApplication(const X11FrontmostApplication&) = delete;
    X11FrontmostApplication& operator=(const X11FrontmostApplication&) = delete;

    /// nullopt without a display, without a window manager that sets _NET_ACTIVE_WINDOW, or when the
    /// window has gone or carries no WM_CLASS.
    std::optional<SourceApp> frontmost() override;
    /// The WM_CLASS classes of the windows in the window manager's _NET_CLIENT_LIST, in its order.
    std::vector<std::string> openApplications() override;

    /// False when the display could not be opened.
    bool isConnected() const { return display_ != nullptr; }

private:
    std::optional<std::string> activeWindowClass();
    const DesktopEntries& entries();

    std::unique_ptr<X11Display> display_;
    std::optional<std::vector<std::filesystem::path>> applicationDirs_;
    std::optional<DesktopEntries> entries_;
};

} // namespace brisa
