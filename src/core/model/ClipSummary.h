// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"

#include <optional>
#include <string_view>

namespace brisa {

/// What a one-line listing of a clip shows, as views: a scan of the whole store hands these out
/// straight from the rows it reads, without copying each clip's text into a ClipItem first.
/// The views live as long as the clip or the row they were taken from.
struct ClipSummary {
    Uuid id;
    TimePoint createdAt;
    std::string_view typeRaw;
    bool isPinned = false;
    std::optional<std::string_view> textContent;
    std::optional<std::string_view> ocrText;
    std::optional<std::string_view> imageFileName;

    static ClipSummary of(const ClipItem& c)
    {
        return {.id = c.id,
                .createdAt = c.createdAt,
                .typeRaw = c.typeRaw,
                .isPinned = c.isPinned,
                .textContent = c.textContent,
                .ocrText = c.ocrText,
                .imageFileName = c.imageFileName};
    }
};

} // namespace brisa
