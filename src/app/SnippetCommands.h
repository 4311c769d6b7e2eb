// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

#include <filesystem>
#include <functional>
#include <iosfwd>

namespace brisa {

/// Where a snippet command reads and writes.
struct SnippetCommandContext {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    /// The settings file the snippets are kept in.
    std::filesystem::path defaultsFile;
    /// Tells a running Brisa the snippets changed; empty: nobody to tell.
    std::function<void()> tellRunning{};
};

/// Runs one snippet command: 0 done, 1 no snippet with that shortcut (remove), 2 a shortcut or text
/// the store refuses (a shortcut already taken, an empty text).
int runSnippetCommand(const SnippetCommand& command, const SnippetCommandContext& context);

} // namespace brisa
