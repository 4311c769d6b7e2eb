// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/stores/LauncherApp.h"
#include "platform/ProcessSpawner.h"
#include "platform/WindowActivation.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brisa {

/// Starts a launcher tile: a desktop entry from its Exec line (in a terminal when it asks for
/// one), an executable file as it is, or the tile's command through the shell. A start that fails,
/// or a program that fails at once, is logged as "LauncherStore: fallo al ejecutar «…»: …".
class AppLauncher {
public:
    /// Programs that ask for a terminal run in the desktop's chosen one.
    static constexpr const char* kTerminal = "x-terminal-emulator";

    /// spawner must outlive the launcher.
    explicit AppLauncher(ProcessSpawner& spawner) : spawner_(spawner) {}

    /// Whose current time goes into the startup id that lets the new window take the focus; null,
    /// or no time: an id without a time. It must outlive the launcher.
    WindowActivation* windows = nullptr;

    /// Starts the tile; false when there is nothing to start or it cannot be read (logged).
    bool launch(const LauncherApp& app);

    /// What starting the tile runs, and the text its log lines name; nullopt when there is nothing
    /// to run (the reason in why when there is one).
    struct Plan {
        ProcessSpawner::Request request;
        std::string shown;
    };
    static std::optional<Plan> plan(const LauncherApp& app, std::string* why = nullptr);

private:
    std::string nextStartupId(const std::vector<std::string>& argv);

    ProcessSpawner& spawner_;
    unsigned launches_ = 0;
};

} // namespace brisa
