// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Uuid.h"

#include <string>

namespace brisa {

/// A user-made category of clips; ClipItem::spaceID holds its id.
struct ClipSpace {
    Uuid id{};
    /// Unique within the list (exact, case-sensitive).
    std::string name{};
    /// Name of the symbol shown with the space ("folder" for spaces made in the library).
    std::string symbol{};

    bool operator==(const ClipSpace&) const = default;
};

} // namespace brisa
