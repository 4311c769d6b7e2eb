// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"
#include "core/image/ImageLibrary.h"

#include <filesystem>
#include <iosfwd>

namespace brisa {

/// Where a store command reads and writes.
struct StoreCommandContext {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    /// $XDG_DATA_HOME: the store lives in its "Brisa" folder.
    std::filesystem::path dataHome;
    /// The settings file, for the history limit and auto-delete days that adding a clip applies.
    std::filesystem::path defaultsFile;
    /// Whether err is a terminal: long imports then show how far they are on one line.
    bool errIsTerminal = false;
    /// Decodes, thumbnails and recognises images. The default links the image libraries into the
    /// program that makes the context; `brisa` passes its own, which loads them on first use.
    const ImageLibrary* images = &linkedImageLibrary();
};

/// Exit codes of the store commands.
enum StoreCommandExit { Ok = 0, NotFound = 1, Usage = 2, StoreUnavailable = 3, NotRunning = 4, Incomplete = 5 };

/// Runs one command against the store directly (SQLite lets it run beside a running Brisa).
int runStoreCommand(const StoreCommand& command, const StoreCommandContext& context);

} // namespace brisa
