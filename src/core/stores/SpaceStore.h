// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/UserDefaults.h"
#include "core/stores/ClipSpace.h"
#include "core/support/Signal.h"

#include <functional>
#include <string_view>
#include <vector>

namespace brisa {

/// The user's spaces, in creation order, kept as one JSON array under "clipSpaces".
/// Every change is written at once.
class SpaceStore {
public:
    static constexpr std::string_view key = "clipSpaces";

    /// Loads the list; a missing or unreadable value gives an empty list and writes nothing.
    explicit SpaceStore(UserDefaults& defaults);

    const std::vector<ClipSpace>& spaces() const { return spaces_; }

    /// Appends a space named name without its surrounding blanks, unless that is empty or a space
    /// of exactly that name exists already.
    void add(std::string_view name, std::string_view symbol);
    /// Removes every space with space's id; clips filed under it keep their spaceID.
    void remove(const ClipSpace& space);

    /// f runs after every change of the list.
    void onChanged(std::function<void()> f) { changed_.connect(std::move(f)); }

private:
    void save();

    UserDefaults& defaults_;
    std::vector<ClipSpace> spaces_;
    Signal<> changed_;
};

} // namespace brisa
