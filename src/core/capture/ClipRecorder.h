// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/model/DetectedClip.h"

#include <functional>
#include <optional>
#include <string>

namespace brisa {

class Storage;

/// The application that was in front when something was copied.
struct SourceApp {
    std::optional<std::string> bundleID;
    std::optional<std::string> name;
};

/// The parts of a new clip that cost time (hash, thumbnail) and may be made off the main thread.
struct PreparedClip {
    DetectedClip detected;
    std::string hash;
    std::optional<Bytes> thumbnail;
};

/// What became of a recorded clip.
struct RecordOutcome {
    enum class Kind { Inserted, RefreshedDuplicate, Failed };
    Kind kind = Kind::Failed;
    /// The new record, or the refreshed newest one.
    ClipItem item;
};

/// Hashes the clip and makes its stored thumbnail with makeThumbnail (an image library the program
/// loads only when it meets an image). Thread-safe: touches no store.
using MakeThumbnail = std::function<std::optional<Bytes>(const Bytes& image)>;
PreparedClip prepareClip(DetectedClip detected, const MakeThumbnail& makeThumbnail);

/// Turns a prepared clip into history, on the store's thread: an immediate duplicate of the newest
/// clip only moves that clip's time; otherwise the image file is written, the record inserted, the
/// retention rules run and the "Guardado ..." line logged.
RecordOutcome recordClip(Storage& storage, const Clock& clock, PreparedClip prepared,
                         const std::optional<SourceApp>& source, std::optional<Uuid> batchID);

} // namespace brisa
