// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandKeySynthesizer.h"

#include "core/support/Log.h"
#include "platform/wayland/WaylandConnection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string_view>
#include <vector>

namespace brisa {

namespace {

// Keys by their evdev numbers; the keymap names them by these plus 8, as XKB does.
constexpr std::uint32_t kLeftControl = 29;
constexpr std::uint32_t kLeftShift = 42;
constexpr std::uint32_t kV = 47;
constexpr std::uint32_t kInsert = 110;
// The core modifiers' bits, fixed by XKB.
constexpr std::uint32_t kShiftMask = 1u << 0;
constexpr std::uint32_t kControlMask = 1u << 2;

// Just the keys of the paste chords, complete in itself (no includes of the system's XKB files).
constexpr std::string_view kKeymap = R"(xkb_keymap {
xkb_keycodes "brisa" {
    minimum = 8;
    maximum = 255;
    <LCTL> = 37;
    <LFSH> = 50;
    <AB04> = 55;
    <INS> = 118;
};
xkb_types "brisa" {
    type "ONE_LEVEL" {
        modifiers = none;
        level_name[Level1] = "Any";
    };
    type "ALPHABETIC" {
        modifiers = Shift+Lock;
        map[Shift] = Level2;
        map[Lock] = Level2;
        level_name[Level1] = "Base";
        level_name[Level2] = "Caps";
    };
};
xkb_compat "brisa" {
    interpret Shift_L { action = SetMods(modifiers=Shift); };
    interpret Control_L { action = SetMods(modifiers=Control); };
};
xkb_symbols "brisa" {
    key <LCTL> { type = "ONE_LEVEL", [ Control_L ] };
    key <LFSH> { type = "ONE_LEVEL", [ Shift_L ] };
    key <AB04> { type = "ALPHABETIC", [ v, V ] };
    key <INS> { type = "ONE_LEVEL", [ Insert ] };
    modifier_map Control { <LCTL> };
    modifier_map Shift { <LFSH> };
};
};
)";

/// The keymap in a sealed memory file, as the protocol wants it (with its terminating NUL).
int keymapFile()
{
    const int fd = memfd_create("brisa-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::write(fd, kKeymap.data(), kKeymap.size()) != static_cast<ssize_t>(kKeymap.size())
        || ::write(fd, "", 1) != 1 || lseek(fd, 0, SEEK_SET) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::uint32_t nowMillis()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

std::unique_ptr<WaylandKeySynthesizer> WaylandKeySynthesizer::create(Duration timeout)
{
    auto connection = WaylandConnection::open();
    if (!connection || !connection->seat())
        return nullptr;
    // A refusal ends only this connection: no keystrokes, and Brisa carries on.
    connection->setLostHandler([] {});
    wl_proxy* manager = connection->bind(&zwp_virtual_keyboard_manager_v1_interface, 1);
    if (!manager) {
        logLine(LogCategory::Platform, "El compositor no ofrece un teclado virtual (zwp_virtual_keyboard_manager_v1)");
        return nullptr;
    }
    auto keys = std::unique_ptr<WaylandKeySynthesizer>(new WaylandKeySynthesizer(connection, manager, timeout));
    auto* keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        reinterpret_cast<zwp_virtual_keyboard_manager_v1*>(manager), reinterpret_cast<wl_seat*>(connection->seat()));
    keys->keyboard_ = reinterpret_cast<wl_proxy*>(keyboard);
    const int fd = keymapFile();
    if (fd < 0) {
        logf(LogCategory::Platform, "No se pudo preparar el teclado virtual: {}", std::strerror(errno));
        return nullptr;
    }
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<std::uint32_t>(kKeymap.size() + 1));
    ::close(fd);
    if (!connection->sync(timeout)) {
        logLine(LogCategory::Platform, "El compositor rechazó el teclado virtual");
        return nullptr;
    }
    return keys;
}

WaylandKeySynthesizer::WaylandKeySynthesizer(std::shared_ptr<WaylandConnection> connection, wl_proxy* manager,
                                             Duration timeout)
    : connection_(std::move(connection))
    , manager_(manager)
    , timeout_(timeout)
{
}

WaylandKeySynthesizer::~WaylandKeySynthesizer()
{
    if (keyboard_)
        zwp_virtual_keyboard_v1_destroy(reinterpret_cast<zwp_virtual_keyboard_v1*>(keyboard_));
    wl_proxy_destroy(manager_);
    connection_->flush();
}

bool WaylandKeySynthesizer::available() { return keyboard_ && !connection_->isLost(); }

bool WaylandKeySynthesizer::sendPaste(PasteChord chord)
{
    if (!available())
        return false;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> modifiers; // key, its modifier bit
    std::uint32_t key = kV;
    switch (chord) {
    case PasteChord::ControlV:
        modifiers = {{kLeftControl, kControlMask}};
        break;
    case PasteChord::ControlShiftV:
        modifiers = {{kLeftControl, kControlMask}, {kLeftShift, kShiftMask}};
        break;
    case PasteChord::ShiftInsert:
        modifiers = {{kLeftShift, kShiftMask}};
        key = kInsert;
        break;
    }
    auto* keyboard = reinterpret_cast<zwp_virtual_keyboard_v1*>(keyboard_);
    const auto press = [&](std::uint32_t code, bool down) {
        zwp_virtual_keyboard_v1_key(keyboard, nowMillis(), code,
                                    down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    };
    std::uint32_t mask = 0;
    for (const auto& [code, bit] : modifiers) {
        press(code, true);
        mask |= bit;
        zwp_virtual_keyboard_v1_modifiers(keyboard, mask, 0, 0, 0);
    }
    press(key, true);
    press(key, false);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
        press(it->first, false);
        mask &= ~it->second;
        zwp_virtual_keyboard_v1_modifiers(keyboard, mask, 0, 0, 0);
    }
    if (!connection_->sync(timeout_)) {
        logLine(LogCategory::Platform, "El compositor no aceptó las teclas de pegar");
        return false;
    }
    return true;
}

} // namespace brisa
