// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/store/StoreChanges.h"

#include <utility>
#include <vector>

namespace brisa {

struct StoreChanges::Subscription::State {
    std::map<std::uint64_t, std::shared_ptr<RowsListener>> listeners;
    std::uint64_t nextId = 1;
    std::uint64_t generation = 0;
};

StoreChanges::Subscription::Subscription(Subscription&& other) noexcept
    : state_(std::move(other.state_)), id_(std::exchange(other.id_, 0))
{
}

StoreChanges::Subscription& StoreChanges::Subscription::operator=(Subscription&& other) noexcept
{
    if (this != &other) {
        reset();
        state_ = std::move(other.state_);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void StoreChanges::Subscription::reset()
{
    if (auto state = state_.lock())
        state->listeners.erase(id_);
    state_.reset();
    id_ = 0;
}

StoreChanges::StoreChanges(std::function<std::optional<std::int64_t>()> dataVersion)
    : state_(std::make_shared<Subscription::State>()), dataVersion_(std::move(dataVersion)),
      seenVersion_(dataVersion_())
{
}

StoreChanges::~StoreChanges() = default;

StoreChanges::Subscription StoreChanges::subscribe(Listener listener)
{
    return subscribeRows(
        [listener = std::move(listener)](Origin origin, const std::optional<Rows>&) { listener(origin); });
}

StoreChanges::Subscription StoreChanges::subscribeRows(RowsListener listener)
{
    const auto id = state_->nextId++;
    state_->listeners.emplace(id, std::make_shared<RowsListener>(std::move(listener)));
    return Subscription(state_, id);
}

bool StoreChanges::poll()
{
    const auto version = dataVersion_();
    if (!version || version == seenVersion_)
        return false;
    seenVersion_ = version;
    notify(Origin::Elsewhere, std::nullopt);
    return true;
}

std::uint64_t StoreChanges::generation() const { return state_->generation; }

void StoreChanges::notifyHere(std::optional<Rows> rows) { notify(Origin::Here, rows); }

void StoreChanges::notify(Origin origin, const std::optional<Rows>& rows)
{
    ++state_->generation;
    // A copy: a listener may subscribe or unsubscribe others (or itself) while we call them.
    std::vector<std::pair<std::uint64_t, std::shared_ptr<RowsListener>>> listeners(state_->listeners.begin(),
                                                                               state_->listeners.end());
    for (const auto& [id, listener] : listeners)
        if (state_->listeners.count(id))
            (*listener)(origin, rows);
}

} // namespace brisa
