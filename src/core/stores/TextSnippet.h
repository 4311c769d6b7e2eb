// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Uuid.h"

#include <string>

namespace brisa {

/// A trigger text and the text it expands to.
struct TextSnippet {
    Uuid id{};
    /// The trigger; begins with ";" when made through the store.
    std::string shortcut{};
    /// The replacement, as the user typed it (may hold line breaks).
    std::string content{};

    bool operator==(const TextSnippet&) const = default;
};

} // namespace brisa
