// SPDX-License-Identifier: GPL-3.0-or-later
// Apart from ImageClipOperations.cpp: the jobs hand the work to their ImageLibrary, so a program
// that offers the operations does not link the image libraries for it.
#include "core/image/ImageClipOperations.h"

#include "core/image/ImageLibrary.h"
#include "core/store/Storage.h"
#include "core/support/WorkerPool.h"

namespace brisa {

ImageClipOperations::ImageClipOperations(Storage& storage, Scheduler& scheduler, WorkerPool& pool,
                                         const ImageLibrary& images, TextRecognizer* recognizer)
    : storage_(storage)
    , scheduler_(scheduler)
    , pool_(pool)
    , images_(images)
    , recognizer_(recognizer)
    , self_(std::make_shared<ImageClipOperations*>(this))
{
}

ImageClipOperations::~ImageClipOperations() = default;

void ImageClipOperations::run(const Uuid& id, const ImageOperation& operation)
{
    // The card may be stale: the record is read again here, by id.
    auto item = storage_.fetch(id, true);
    if (!item || !ImageProcessor::isProcessable(*item))
        return;
    auto source = imageSourceBytes(storage_, *item);
    if (!source)
        return;
    std::weak_ptr<ImageClipOperations*> weak = self_;
    auto& scheduler = scheduler_;
    const bool queued = pool_.submit([weak, &scheduler, &images = images_, operation, data = std::move(*source),
                                      app = item->sourceAppName] {
        auto processed = images.process(operation, data, app);
        scheduler.post([weak, processed = std::move(processed)]() mutable {
            auto self = weak.lock();
            if (!self)
                return;
            auto& ops = **self;
            --ops.running_;
            if (!processed)
                return;
            const Bytes data = processed->data;
            auto inserted = insertImageClip(ops.storage_, ops.scheduler_, std::move(*processed));
            if (!inserted)
                return;
            if (ops.recognizer_)
                ops.recognizer_->recognizeAsync(*inserted, data);
            ops.inserted_.emit(*inserted);
        });
    });
    if (queued)
        ++running_;
}

} // namespace brisa
