// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/store/IdleCheckpoint.h"

#include "core/store/Storage.h"

namespace brisa {

IdleCheckpoint::IdleCheckpoint(Storage& storage, Scheduler& scheduler, Duration delay)
    : storage_(storage)
    , scheduler_(scheduler)
    , delay_(delay)
    , self_(std::make_shared<IdleCheckpoint*>(this))
{
    std::weak_ptr<IdleCheckpoint*> weak = self_;
    storage_.onChanged([weak] {
        if (const auto self = weak.lock())
            (*self)->written();
    });
}

IdleCheckpoint::~IdleCheckpoint()
{
    if (pending_)
        scheduler_.cancel(*pending_);
}

void IdleCheckpoint::written()
{
    // Every write starts the wait again: a burst of captures is folded in once, after it.
    if (pending_)
        scheduler_.cancel(*pending_);
    pending_ = scheduler_.runAfter(delay_, [this] {
        pending_.reset();
        storage_.checkpoint();
    });
}

void IdleCheckpoint::flush()
{
    if (pending_)
        scheduler_.cancel(*pending_);
    pending_.reset();
    storage_.checkpoint();
}

} // namespace brisa
