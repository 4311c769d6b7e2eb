// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/CaptureLinks.h"
#include "core/model/ClipItem.h"
#include "core/support/Bytes.h"
#include "core/support/Clock.h"
#include "core/support/Uuid.h"
#include "core/support/WorkerPool.h"

#include <functional>
#include <optional>
#include <string>

namespace brisa {

/// Recognises text in image clips in the background and hands it to the store on the main thread.
class OcrService final : public TextRecognizer {
public:
    /// Called on the main thread with the clip's id and its non-empty text. The app sets it to: fetch
    /// the record by id, skip it when it is gone (deleted meanwhile), set ocrText and save.
    using StoreText = std::function<void(const Uuid& id, const std::string& text)>;

    /// scheduler and pool must outlive every job submitted (the app owns all three for its lifetime).
    OcrService(Scheduler& scheduler, WorkerPool& pool, StoreText storeText);

    /// The text lines in the image, in reading order, joined by "\n"; nullopt when the bytes are not
    /// a usable image, nothing was recognised, or recognition failed (logged). Slow: never call it on
    /// the main thread.
    static std::optional<std::string> recognize(const Bytes& imageData);

    /// Returns at once: recognition runs on the pool, and non-empty text reaches StoreText through
    /// Scheduler::post. The clip is identified by its id only, read here on the caller's thread.
    void recognizeAsync(const ClipItem& item, Bytes imageData) override;

private:
    Scheduler& scheduler_;
    WorkerPool& pool_;
    StoreText storeText_;
};

} // namespace brisa
