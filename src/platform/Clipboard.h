// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/ClipboardSnapshot.h"
#include "core/support/Bytes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brisa {

/// The system clipboard (the selection of Copy and Ctrl+C, never the mouse highlight).
class Clipboard {
public:
    /// Picks, from the offered targets, the ones whose data should be read.
    using Chooser = std::function<std::vector<std::string>(const std::vector<std::string>& offered)>;
    /// Receives the snapshot of a read, or nullopt when the read failed as a whole.
    using ReadDone = std::function<void(std::optional<ClipboardSnapshot>)>;

    virtual ~Clipboard() = default;

    /// Number of times the clipboard changed owner since this object was created (our own writes included); cheap.
    virtual std::int64_t changeCount() const = 0;

    /// Reads the offered targets, then the data of those `choose` names, off the main thread (`choose` runs
    /// there too); `done` runs later on the main thread, with nullopt when the owner vanished, timed out or
    /// answered garbage. Targets that were refused, broken or over the size limit are absent from the snapshot.
    virtual void read(Chooser choose, ReadDone done) = 0;

    /// Takes the clipboard and offers these targets, in this order, replacing everything at once (one change);
    /// false when ownership could not be taken.
    virtual bool write(std::vector<std::pair<std::string, Bytes>> targets) = 0;
};

} // namespace brisa
