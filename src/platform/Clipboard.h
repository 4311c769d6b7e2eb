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

/// The system clipboard (the selection of Copy and Ctrl+C), or the mouse selection where a backend offers it.
class Clipboard {
public:
    /// Picks, from the offered targets, the ones whose data should be read.
    using Chooser = std::function<std::vector<std::string>(const std::vector<std::string>& offered)>;
    /// Receives the snapshot of a read, or nullopt when the read failed as a whole.
    using ReadDone = std::function<void(std::optional<ClipboardSnapshot>)>;
    /// Targets with their data, in the order they are offered.
    using Targets = std::vector<std::pair<std::string, Bytes>>;

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

    /// True when this clipboard calls the change handler on every change, so nobody has to poll changeCount().
    virtual bool notifiesChanges() const { return false; }
    /// Runs handler on the main thread soon after the owner changes (a burst may be told once); empty to stop.
    virtual void setChangeHandler(std::function<void()> handler) { (void)handler; }
    /// The content of change number `change`, kept to be offered when its owner quits or hands it over on
    /// exit; an empty list keeps nothing. Forgotten at the next change.
    virtual void retain(std::int64_t change, Targets targets)
    {
        (void)change;
        (void)targets;
    }
    /// Offers what Brisa last wrote on the mouse selection too, for programs that paste only from it
    /// (Shift+Insert in xterm); false when the clipboard is not Brisa's or there is no such selection.
    virtual bool mirrorToPrimary() { return false; }
    /// True while a mouse button is held, so a mouse selection may still be growing. Main thread only.
    virtual bool selectionInProgress() { return false; }
};

} // namespace brisa
