// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/ToastData.h"
#include "core/model/ClipItem.h"
#include "core/support/Bytes.h"
#include "core/support/Uuid.h"

#include <optional>

namespace brisa {

// What capture hands on once a clip is recorded, and what it asks before: each a small interface,
// so a capture service names the service behind it (and a test, a fake).

/// Shows the confirmation toast of a new clip or of a status change.
class ToastPresenter {
public:
    virtual ~ToastPresenter() = default;
    virtual void show(ToastData data) = 0;
};

/// Recognises the text of a new image clip in the background and stores it with the clip.
class TextRecognizer {
public:
    virtual ~TextRecognizer() = default;
    virtual void recognizeAsync(const ClipItem& item, Bytes imageData) = 0;
};

/// A clipboard capture that can be told to skip the change Brisa's own write is about to make.
class CaptureSkip {
public:
    virtual ~CaptureSkip() = default;
    /// true right before Brisa's own write; false again when that write failed (no change will come).
    virtual void skipNextChange(bool skip) = 0;
};

/// Bulk copy's batch, which new clips join.
class CopyBatch {
public:
    virtual ~CopyBatch() = default;
    /// nullopt while bulk copy is off, else the current batch id (which may itself be nil).
    virtual std::optional<std::optional<Uuid>> activeBatch() const = 0;
};

} // namespace brisa
