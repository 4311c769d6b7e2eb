// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <map>
#include <string>
#include <utility>

class QSocketNotifier;
struct wl_display;
struct wl_interface;
struct wl_proxy;
struct wl_registry;

namespace brisa {

/// The interfaces of one data-control protocol. The ext and wlr protocols have the same requests
/// and events in the same order, so one implementation serves both, told apart by these.
struct DataControlProtocol {
    const char* name;
    const wl_interface* manager;
    const wl_interface* device;
    const wl_interface* source;
    const wl_interface* offer;
    /// Whether the bound manager's devices have the primary selection.
    bool hasPrimary;
};

/// Brisa's own connection to the Wayland compositor, read on the main thread's event loop. It binds
/// the seat and the data-control manager when the compositor offers them; when the compositor goes
/// away the lost handler runs once (by default Brisa quits cleanly).
class WaylandConnection {
public:
    /// Connects to $WAYLAND_DISPLAY (or name); nullptr with a log line when that fails.
    static std::shared_ptr<WaylandConnection> open(const std::string& name = {});
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return display_; }
    wl_proxy* seat() const { return seat_; }
    /// The data-control manager bound (ext where offered, else wlr); null when the compositor has none.
    wl_proxy* dataControl() const { return dataControl_; }
    const DataControlProtocol* dataControlProtocol() const { return protocol_; }
    bool isLost() const { return lost_; }
    /// Binds the global the compositor announced with this interface, at its version or maxVersion
    /// if lower; nullptr when it announced none.
    wl_proxy* bind(const wl_interface* interface, std::uint32_t maxVersion);

    /// Sends the requests made so far; call after making some outside an event handler.
    void flush();
    /// Dispatches the events already received, without waiting for more.
    void dispatchPending();
    /// Reads and dispatches events until done() holds or timeout passes (then false); for the few
    /// requests whose answer must be awaited. Never called from inside an event handler.
    bool waitUntil(const std::function<bool()>& done, Duration timeout);
    /// Waits until the compositor has handled every request sent so far; false when it did not answer in time.
    bool sync(Duration timeout);
    /// Runs once when the connection breaks; the default logs and quits the application.
    void setLostHandler(std::function<void()> handler) { onLost_ = std::move(handler); }

private:
    explicit WaylandConnection(wl_display* display);
    void onReadable();
    bool checkAlive();

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    /// What the registry announced at connection: interface name, then global name and version.
    std::map<std::string, std::pair<std::uint32_t, std::uint32_t>> globals_;
    wl_proxy* seat_ = nullptr;
    wl_proxy* dataControl_ = nullptr;
    const DataControlProtocol* protocol_ = nullptr;
    DataControlProtocol bound_{};
    std::unique_ptr<QSocketNotifier> readable_;
    std::unique_ptr<QSocketNotifier> writable_;
    std::function<void()> onLost_;
    bool lost_ = false;
};

} // namespace brisa
