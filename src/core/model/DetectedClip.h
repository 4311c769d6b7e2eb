// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipType.h"
#include "core/support/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brisa {

/// A classified clipboard change or screenshot file, before it becomes a record.
struct DetectedClip {
    ClipType type = ClipType::Text;
    std::optional<std::string> textContent;
    /// Always PNG when present.
    std::optional<Bytes> imageData;
    std::int64_t byteSize = 0;
};

} // namespace brisa
