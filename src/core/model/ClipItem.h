// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipType.h"
#include "core/support/Bytes.h"
#include "core/support/Clock.h"
#include "core/support/Uuid.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brisa {

/// One history entry. Field names are the persisted column names.
struct ClipItem {
    Uuid id;
    std::string typeRaw;
    std::optional<std::string> textContent;
    std::optional<std::string> imageFileName;
    std::optional<Bytes> thumbnailData;
    std::optional<std::string> sourceAppBundleID;
    std::optional<std::string> sourceAppName;
    TimePoint createdAt;
    bool isPinned = false;
    std::optional<Uuid> spaceID;
    std::optional<std::string> contentHash;
    std::int64_t byteSize = 0;
    std::optional<std::string> ocrText;
    std::optional<Uuid> batchID;
    std::optional<TimePoint> reminderDate;

    /// The kind every consumer branches on: unknown raw values read as text.
    ClipType type() const { return clipTypeOrText(typeRaw); }

    /// Records are the same record when their ids are; equal contents do not make equal records.
    bool operator==(const ClipItem& other) const { return id == other.id; }
};

/// What a creator supplies; the rest of a new record is fixed by makeClipItem.
struct NewClip {
    ClipType type = ClipType::Text;
    std::optional<std::string> textContent{};
    std::optional<std::string> imageFileName{};
    std::optional<Bytes> thumbnailData{};
    std::optional<std::string> sourceAppBundleID{};
    std::optional<std::string> sourceAppName{};
    std::optional<std::string> contentHash{};
    std::int64_t byteSize = 0;
    std::optional<Uuid> batchID{};
};

/// A new record: fresh random id, createdAt = clock.now(), not pinned, no space, text or reminder.
ClipItem makeClipItem(NewClip fields, const Clock& clock);

} // namespace brisa
