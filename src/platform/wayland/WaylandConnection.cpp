// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandConnection.h"

#include "core/support/Log.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QSocketNotifier>

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace brisa {

WaylandConnection::WaylandConnection(wl_display* display)
    : display_(display)
    , onLost_([] {
        // Queued: the handler may run inside event dispatching.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); },
                                  Qt::QueuedConnection);
    })
{
}

std::shared_ptr<WaylandConnection> WaylandConnection::open(const std::string& name)
{
    wl_display* display = wl_display_connect(name.empty() ? nullptr : name.c_str());
    if (!display) {
        logf(LogCategory::Platform, "No se pudo conectar con el compositor Wayland: {}", std::strerror(errno));
        return nullptr;
    }
    auto connection = std::shared_ptr<WaylandConnection>(new WaylandConnection(display));

    static const wl_registry_listener listener = {
        [](void* data, wl_registry*, std::uint32_t id, const char* interface, std::uint32_t version) {
            auto* globals = static_cast<decltype(globals_)*>(data);
            // The first of each: a second seat plugged in later is of no use to what Brisa does.
            if (globals && interface)
                globals->try_emplace(interface, id, version);
        },
        [](void*, wl_registry*, std::uint32_t) {},
    };
    connection->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(connection->registry_, &listener, &connection->globals_);
    if (wl_display_roundtrip(display) < 0) {
        logLine(LogCategory::Platform, "El compositor Wayland no respondió al conectar");
        return nullptr;
    }
    wl_proxy_set_user_data(reinterpret_cast<wl_proxy*>(connection->registry_), nullptr);

    connection->seat_ = connection->bind(&wl_seat_interface, 1);
    DataControlProtocol& bound = connection->bound_;
    if (connection->seat_ && (connection->dataControl_ = connection->bind(&ext_data_control_manager_v1_interface, 1))) {
        bound = {"ext-data-control-v1", &ext_data_control_manager_v1_interface, &ext_data_control_device_v1_interface,
                 &ext_data_control_source_v1_interface, &ext_data_control_offer_v1_interface, true};
    } else if (connection->seat_
               && (connection->dataControl_ = connection->bind(&zwlr_data_control_manager_v1_interface, 2))) {
        bound = {"wlr-data-control-unstable-v1", &zwlr_data_control_manager_v1_interface,
                 &zwlr_data_control_device_v1_interface, &zwlr_data_control_source_v1_interface,
                 &zwlr_data_control_offer_v1_interface, wl_proxy_get_version(connection->dataControl_) >= 2};
    }
    if (connection->dataControl_)
        connection->protocol_ = &bound;
    connection->flush();

    connection->readable_
        = std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    QObject::connect(connection->readable_.get(), &QSocketNotifier::activated,
                     [raw = connection.get()] { raw->onReadable(); });
    connection->writable_
        = std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Write);
    connection->writable_->setEnabled(false);
    QObject::connect(connection->writable_.get(), &QSocketNotifier::activated, [raw = connection.get()] {
        raw->writable_->setEnabled(false);
        raw->flush();
    });
    return connection;
}

WaylandConnection::~WaylandConnection()
{
    readable_.reset();
    writable_.reset();
    if (dataControl_)
        wl_proxy_destroy(dataControl_);
    if (seat_)
        wl_proxy_destroy(seat_);
    if (registry_)
        wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

wl_proxy* WaylandConnection::bind(const wl_interface* interface, std::uint32_t maxVersion)
{
    const auto found = globals_.find(interface->name);
    if (found == globals_.end())
        return nullptr;
    const std::uint32_t version = std::min(found->second.second, maxVersion);
    return static_cast<wl_proxy*>(wl_registry_bind(registry_, found->second.first, interface, version));
}

void WaylandConnection::flush()
{
    if (lost_)
        return;
    if (wl_display_flush(display_) < 0) {
        if (errno == EAGAIN)
            writable_->setEnabled(true); // the socket is full: the rest goes once it drains
        else
            checkAlive();
    }
}

void WaylandConnection::onReadable()
{
    if (lost_)
        return;
    if (wl_display_prepare_read(display_) == 0) {
        if (wl_display_read_events(display_) < 0) {
            checkAlive();
            return;
        }
    }
    if (wl_display_dispatch_pending(display_) < 0) {
        checkAlive();
        return;
    }
    flush();
}

void WaylandConnection::dispatchPending()
{
    if (lost_)
        return;
    if (wl_display_prepare_read(display_) == 0) {
        pollfd fd{wl_display_get_fd(display_), POLLIN, 0};
        if (poll(&fd, 1, 0) > 0) {
            if (wl_display_read_events(display_) < 0) {
                checkAlive();
                return;
            }
        } else {
            wl_display_cancel_read(display_);
        }
    }
    if (wl_display_dispatch_pending(display_) < 0)
        checkAlive();
}

bool WaylandConnection::waitUntil(const std::function<bool()>& done, Duration timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (lost_)
            return false;
        if (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0)
                return checkAlive();
            continue;
        }
        flush();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            wl_display_cancel_read(display_);
            return false;
        }
        pollfd fd{wl_display_get_fd(display_), POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            if (wl_display_read_events(display_) < 0)
                return checkAlive();
        } else {
            wl_display_cancel_read(display_);
        }
        if (wl_display_dispatch_pending(display_) < 0)
            return checkAlive();
    }
    return true;
}

bool WaylandConnection::sync(Duration timeout)
{
    bool done = false;
    static const wl_callback_listener listener = {[](void* flag, wl_callback*, std::uint32_t) {
        *static_cast<bool*>(flag) = true;
    }};
    wl_callback* callback = wl_display_sync(display_);
    wl_callback_add_listener(callback, &listener, &done);
    const bool answered = waitUntil([&] { return done; }, timeout);
    wl_callback_destroy(callback);
    return answered && !lost_;
}

bool WaylandConnection::checkAlive()
{
    const int error = wl_display_get_error(display_);
    if (error == 0 && errno == EAGAIN)
        return true;
    if (!lost_) {
        lost_ = true;
        readable_->setEnabled(false);
        writable_->setEnabled(false);
        logf(LogCategory::Platform, "Se perdió la conexión con el compositor Wayland ({}): Brisa se cierra",
             std::strerror(error ? error : errno));
        if (onLost_)
            onLost_();
    }
    return false;
}

} // namespace brisa
