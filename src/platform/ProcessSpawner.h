// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace brisa {

/// Starts programs the user asked for (a launcher tile), without waiting for them.
class ProcessSpawner {
public:
    struct Request {
        /// The program (looked up in PATH when it has no slash) and its arguments.
        std::vector<std::string> argv;
        /// Where it starts; empty: Brisa's own working folder.
        std::string workingDirectory{};
        /// Added to (or replacing in) Brisa's environment.
        std::vector<std::pair<std::string, std::string>> environment{};
    };

    virtual ~ProcessSpawner() = default;
    /// Starts the program in a session of its own, so that it lives on after Brisa. failed runs
    /// once on the main thread, with the reason, when it cannot start or ends with a failure
    /// status right away (within a second); never otherwise.
    virtual void spawn(const Request& request, std::function<void(const std::string& why)> failed) = 0;
};

} // namespace brisa
