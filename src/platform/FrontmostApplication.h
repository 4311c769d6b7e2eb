// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/ClipRecorder.h"

#include <optional>

namespace brisa {

/// The application whose window has the focus, the source of each copy.
class FrontmostApplication {
public:
    virtual ~FrontmostApplication() = default;
    /// The focused application's identifier and name; nullopt when it cannot be told.
    virtual std::optional<SourceApp> frontmost() = 0;
};

} // namespace brisa
