// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeySynthesizer.h"
#include "platform/portal/DesktopPortal.h"

#include <cstdint>
#include <filesystem>
#include <memory>

namespace brisa {

/// Keystrokes through the remote-desktop portal's keyboard, for Wayland desktops that offer no
/// virtual keyboard to clients. The session starts at once, since the portal may first ask the user;
/// the permission's restore token is kept in a file, so that later starts need not ask again.
class PortalKeySynthesizer final : public KeySynthesizer {
public:
    enum class State { Starting, Ready, Refused };

    /// version is the portal interface's (persistence needs 2). Starts the session.
    PortalKeySynthesizer(std::uint32_t version, std::filesystem::path restoreTokenFile,
                         QDBusConnection bus = QDBusConnection::sessionBus());

    /// False once the user or the portal said no.
    bool available() override { return state_ != State::Refused; }
    /// Types the chord when the session runs; false while it starts or after a refusal.
    bool sendPaste(PasteChord chord) override;
    bool sendBackSpaces(int count) override;
    State state() const { return state_; }

private:
    void fail(const char* step, std::uint32_t code);
    bool sendKeysyms(const std::vector<std::pair<int, bool>>& events);

    DesktopPortal portal_;
    std::filesystem::path restoreTokenFile_;
    QString session_;
    State state_ = State::Starting;
};

} // namespace brisa
