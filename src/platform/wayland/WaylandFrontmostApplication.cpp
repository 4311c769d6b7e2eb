// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandFrontmostApplication.h"

#include "core/support/Log.h"
#include "platform/wayland/WaylandConnection.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>

namespace brisa {

namespace {

using Toplevel = WaylandFrontmostApplication::Toplevel;

zwlr_foreign_toplevel_handle_v1* handleOf(const Toplevel& t)
{
    return reinterpret_cast<zwlr_foreign_toplevel_handle_v1*>(t.handle);
}

const zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
    // title
    [](void*, zwlr_foreign_toplevel_handle_v1*, const char*) {},
    // app_id
    [](void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId) {
        static_cast<Toplevel*>(data)->pendingAppId = appId ? appId : "";
    },
    // output_enter, output_leave
    [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
    [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
    // state: an array of 32-bit state values
    [](void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        bool activated = false;
        const auto* values = static_cast<const std::uint32_t*>(states->data);
        for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i)
            activated = activated || values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
        static_cast<Toplevel*>(data)->pendingActivated = activated;
    },
    // done
    [](void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* toplevel = static_cast<Toplevel*>(data);
        toplevel->appId = toplevel->pendingAppId;
        toplevel->activated = toplevel->pendingActivated;
    },
    // closed
    [](void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* toplevel = static_cast<Toplevel*>(data);
        toplevel->owner->onClosed(toplevel);
    },
    // parent
    [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {},
};

const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {
    [](void* self, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
        static_cast<WaylandFrontmostApplication*>(self)->onToplevel(reinterpret_cast<wl_proxy*>(handle));
    },
    [](void* self, zwlr_foreign_toplevel_manager_v1*) { static_cast<WaylandFrontmostApplication*>(self)->onFinished(); },
};

} // namespace

std::unique_ptr<WaylandFrontmostApplication> WaylandFrontmostApplication::create(
    std::shared_ptr<WaylandConnection> connection, std::optional<std::vector<std::filesystem::path>> applicationDirs)
{
    if (!connection)
        return nullptr;
    wl_proxy* manager = connection->bind(&zwlr_foreign_toplevel_manager_v1_interface, 3);
    if (!manager)
        return nullptr;
    auto frontmost = std::unique_ptr<WaylandFrontmostApplication>(
        new WaylandFrontmostApplication(std::move(connection), manager, std::move(applicationDirs)));
    zwlr_foreign_toplevel_manager_v1_add_listener(reinterpret_cast<zwlr_foreign_toplevel_manager_v1*>(manager),
                                                  &kManagerListener, frontmost.get());
    frontmost->connection_->flush();
    return frontmost;
}

WaylandFrontmostApplication::WaylandFrontmostApplication(
    std::shared_ptr<WaylandConnection> connection, wl_proxy* manager,
    std::optional<std::vector<std::filesystem::path>> applicationDirs)
    : connection_(std::move(connection))
    , manager_(manager)
    , applicationDirs_(std::move(applicationDirs))
{
}

WaylandFrontmostApplication::~WaylandFrontmostApplication()
{
    for (auto& toplevel : toplevels_)
        zwlr_foreign_toplevel_handle_v1_destroy(handleOf(*toplevel));
    if (manager_) // stop asks for no more; the proxy goes at once, whatever the compositor still sends
        zwlr_foreign_toplevel_manager_v1_stop(reinterpret_cast<zwlr_foreign_toplevel_manager_v1*>(manager_));
    if (manager_)
        wl_proxy_destroy(manager_);
    connection_->flush();
}

void WaylandFrontmostApplication::onToplevel(wl_proxy* handle)
{
    auto toplevel = std::make_unique<Toplevel>();
    toplevel->owner = this;
    toplevel->handle = handle;
    zwlr_foreign_toplevel_handle_v1_add_listener(handleOf(*toplevel), &kHandleListener, toplevel.get());
    toplevels_.push_back(std::move(toplevel));
}

void WaylandFrontmostApplication::onClosed(Toplevel* toplevel)
{
    zwlr_foreign_toplevel_handle_v1_destroy(handleOf(*toplevel));
    toplevels_.remove_if([toplevel](const auto& t) { return t.get() == toplevel; });
}

void WaylandFrontmostApplication::onFinished()
{
    logLine(LogCategory::Platform, "El compositor dejó de decir qué ventana está activa: origen de las copias desconocido");
    wl_proxy_destroy(manager_);
    manager_ = nullptr;
}

std::optional<SourceApp> WaylandFrontmostApplication::frontmost()
{
    // Events already on the socket first: a focus change just before the copy counts.
    connection_->dispatchPending();
    const auto active = std::find_if(toplevels_.begin(), toplevels_.end(),
                                     [](const auto& t) { return t->activated && !t->appId.empty(); });
    if (active == toplevels_.end())
        return std::nullopt;
    if (!entries_)
        entries_ = DesktopEntries::scan(applicationDirs_ ? *applicationDirs_ : DesktopEntries::applicationDirs());
    SourceApp app;
    app.name = entries_->nameFor((*active)->appId).value_or((*active)->appId);
    app.bundleID = (*active)->appId;
    return app;
}

} // namespace brisa
