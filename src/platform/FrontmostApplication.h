// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/ClipRecorder.h"

#include <optional>
#include <string>
#include <vector>

namespace brisa {

/// The application whose window has the focus, the source of each copy.
class FrontmostApplication {
public:
    virtual ~FrontmostApplication() = default;
    /// The focused application's identifier and name; nullopt when it cannot be told.
    virtual std::optional<SourceApp> frontmost() = 0;
    /// The identifiers (as frontmost() reports them) of the applications with a window open now,
    /// each once; empty where they cannot be listed.
    virtual std::vector<std::string> openApplications() { return {}; }
};

} // namespace brisa
