// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

#include <string>

namespace brisa {

/// Asks the running Brisa to act over the D-Bus session bus, as InstanceBus::send does, but through
/// sd-bus: the command-line client links neither Qt nor the rest of Brisa, so that a keyboard
/// shortcut bound to `brisa toggle` answers at once. False (with the reason in error) when no
/// Brisa answers; notRunning, when given, says whether that is because none runs.
bool sendOverBus(const RemoteCommand& command, std::string& error, bool* notRunning = nullptr);

} // namespace brisa
