// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/CaptureLinks.h"
#include "core/model/ClipItem.h"
#include "core/support/Bytes.h"
#include "core/support/Clock.h"
#include "core/support/Uuid.h"
#include "core/support/WorkerPool.h"

#include <optional>
#include <string>

namespace brisa {

class ImageLibrary;

/// Keeps the text recognised in an image clip with the clip, found by its id: a clip deleted
/// meanwhile gets nothing. Called on the main thread.
class RecognizedTextSink {
public:
    virtual void storeRecognizedText(const Uuid& id, const std::string& text) = 0;

protected:
    ~RecognizedTextSink() = default;
};

/// Recognises text in image clips in the background and hands it to the store on the main thread.
class OcrService final : public TextRecognizer {
public:
    /// scheduler, pool, sink and images must outlive every job submitted (the app owns them all for
    /// its lifetime); the sink writes into the store, images recognises (its recognize()).
    OcrService(Scheduler& scheduler, WorkerPool& pool, RecognizedTextSink& sink, const ImageLibrary& images);

    /// The text lines in the image, in reading order, joined by "\n"; nullopt when the bytes are not
    /// a usable image, nothing was recognised, or recognition failed (logged). Slow: never call it on
    /// the main thread.
    static std::optional<std::string> recognize(const Bytes& imageData);

    /// Returns at once: recognition runs on the pool, and non-empty text reaches the sink through
    /// Scheduler::post. The clip is identified by its id only, read here on the caller's thread.
    void recognizeAsync(const ClipItem& item, Bytes imageData) override;

private:
    Scheduler& scheduler_;
    WorkerPool& pool_;
    RecognizedTextSink& sink_;
    const ImageLibrary& images_;
};

} // namespace brisa
