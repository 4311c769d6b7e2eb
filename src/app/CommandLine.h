// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace brisa {

/// What the command line asks for.
struct CommandLine {
    enum class Action { Run, Version, Help, Error };
    Action action = Action::Run;
    /// For Error: the message to print.
    std::string error;
};

/// Parses argv (without the program name).
CommandLine parseCommandLine(const std::vector<std::string>& args);

/// The text of --help.
std::string helpText();

} // namespace brisa
