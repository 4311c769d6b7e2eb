// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BusClient.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace brisa {

namespace {

constexpr const char* kService = "org.brisa.Brisa";
constexpr const char* kPath = "/org/brisa/Brisa";

struct BusUnref {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
struct ErrorFree {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    ~ErrorFree() { sd_bus_error_free(&error); }
};

bool nameHasOwner(sd_bus* bus)
{
    ErrorFree e;
    sd_bus_message* raw = nullptr;
    if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "NameHasOwner", &e.error, &raw, "s", kService) < 0)
        return false;
    std::unique_ptr<sd_bus_message, MessageUnref> reply(raw);
    int owned = 0;
    return sd_bus_message_read(reply.get(), "b", &owned) >= 0 && owned;
}

} // namespace

bool sendOverBus(const RemoteCommand& command, std::string& error, bool* notRunning)
{
    if (notRunning)
        *notRunning = false;
    sd_bus* rawBus = nullptr;
    if (sd_bus_open_user(&rawBus) < 0) {
        error = "no hay bus de sesión D-Bus";
        return false;
    }
    std::unique_ptr<sd_bus, BusUnref> bus(rawBus);
    sd_bus_message* rawMessage = nullptr;
    if (sd_bus_message_new_method_call(bus.get(), &rawMessage, kService, kPath, kService,
                                       busMethodName(command.kind)) < 0) {
        error = "no hay bus de sesión D-Bus";
        return false;
    }
    std::unique_ptr<sd_bus_message, MessageUnref> message(rawMessage);
    // The arguments, as InstanceBus's slots take them.
    if (command.kind == RemoteCommand::Kind::PasteSlot)
        sd_bus_message_append(message.get(), "i", static_cast<std::int32_t>(command.slot));
    if (command.kind == RemoteCommand::Kind::Pause)
        sd_bus_message_append(message.get(), "i", static_cast<std::int32_t>(command.minutes));
    const bool startsBrisa = remoteCommandInfo(command.kind).startsBrisa;
    sd_bus_message_set_auto_start(message.get(), startsBrisa);
    // With no Brisa running, the bus starts the installed one (its D-Bus service file) and hands
    // it the call once it holds the name: the reply then waits for a whole start-up, which a
    // loaded machine can stretch well past the few seconds a running Brisa needs.
    const std::uint64_t timeoutUs = (nameHasOwner(bus.get()) ? 5 : 60) * UINT64_C(1000000);
    ErrorFree e;
    sd_bus_message* rawReply = nullptr;
    const int r = sd_bus_call(bus.get(), message.get(), timeoutUs, &e.error, &rawReply);
    std::unique_ptr<sd_bus_message, MessageUnref> reply(rawReply);
    if (r >= 0)
        return true;
    const char* name = e.error.name ? e.error.name : "";
    const std::string reason = e.error.message ? e.error.message : std::strerror(-r);
    if (std::strcmp(name, "org.freedesktop.DBus.Error.ServiceUnknown") == 0
        || std::strcmp(name, "org.freedesktop.DBus.Error.NameHasNoOwner") == 0) {
        error = "Brisa no está en marcha";
        if (notRunning)
            *notRunning = true;
    }
    else if (std::strncmp(name, "org.freedesktop.DBus.Error.Spawn.", 33) == 0)
        error = "Brisa no está en marcha y el bus no pudo arrancarlo: " + reason;
    else
        error = reason;
    return false;
}

} // namespace brisa
