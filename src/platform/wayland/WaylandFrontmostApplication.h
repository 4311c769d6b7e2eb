// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/DesktopEntries.h"
#include "platform/FrontmostApplication.h"

#include <filesystem>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct wl_proxy;

namespace brisa {

class WaylandConnection;

/// The frontmost application on a wlroots compositor: the app_id of the activated toplevel, as the
/// foreign-toplevel protocol tells it (XWayland windows included, by their class). Its name is the
/// Name of the matching .desktop file, else the app_id itself.
class WaylandFrontmostApplication final : public FrontmostApplication {
public:
    /// nullptr when the compositor does not list its toplevels. applicationDirs: where the .desktop
    /// files are (nullopt: the XDG folders); indexed once, at the first lookup.
    static std::unique_ptr<WaylandFrontmostApplication> create(
        std::shared_ptr<WaylandConnection> connection,
        std::optional<std::vector<std::filesystem::path>> applicationDirs = std::nullopt);
    ~WaylandFrontmostApplication() override;
    WaylandFrontmostApplication(const WaylandFrontmostApplication&) = delete;
    WaylandFrontmostApplication& operator=(const WaylandFrontmostApplication&) = delete;

    /// nullopt when no toplevel is active or the active one has no app_id.
    std::optional<SourceApp> frontmost() override;

    /// One toplevel as last told (the pending values become current at its done event).
    struct Toplevel {
        WaylandFrontmostApplication* owner = nullptr;
        wl_proxy* handle = nullptr;
        std::string appId, pendingAppId;
        bool activated = false, pendingActivated = false;
    };
    void onToplevel(wl_proxy* handle);
    void onClosed(Toplevel* toplevel);
    void onFinished();

private:
    WaylandFrontmostApplication(std::shared_ptr<WaylandConnection> connection, wl_proxy* manager,
                                std::optional<std::vector<std::filesystem::path>> applicationDirs);

    std::shared_ptr<WaylandConnection> connection_;
    wl_proxy* manager_;
    std::list<std::unique_ptr<Toplevel>> toplevels_;
    std::optional<std::vector<std::filesystem::path>> applicationDirs_;
    std::optional<DesktopEntries> entries_;
};

} // namespace brisa
