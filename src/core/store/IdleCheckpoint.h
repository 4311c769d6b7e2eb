// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"

#include <memory>
#include <optional>

namespace brisa {

class Storage;

/// Folds the store's write-ahead journal into its file once writes have paused for a moment.
/// SQLite drops the journal's frames from a damaged one after a crash; with this, what a damaged
/// journal can cost is what was written in the last few seconds.
class IdleCheckpoint {
public:
    /// How long the store must have been left alone.
    static constexpr Duration kIdleDelay{3000};

    /// storage and scheduler must outlive this object.
    IdleCheckpoint(Storage& storage, Scheduler& scheduler, Duration delay = kIdleDelay);
    ~IdleCheckpoint();
    IdleCheckpoint(const IdleCheckpoint&) = delete;
    IdleCheckpoint& operator=(const IdleCheckpoint&) = delete;

    /// Checkpoints now, in place of the pending one (at quit).
    void flush();

private:
    void written();

    Storage& storage_;
    Scheduler& scheduler_;
    Duration delay_;
    std::optional<Scheduler::TaskId> pending_;
    /// The store's change signal holds this weakly: it has no disconnect.
    std::shared_ptr<IdleCheckpoint*> self_;
};

} // namespace brisa
