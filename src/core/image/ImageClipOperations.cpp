// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/image/ImageClipOperations.h"

#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageProcessor.h"
#include "core/store/Storage.h"
#include "core/support/AtomicFile.h"
#include "core/support/Log.h"
#include "core/support/WorkerPool.h"

namespace brisa {

namespace {
const std::string kBrisa = "Brisa";
} // namespace

std::optional<ProcessedImage> processImage(const ImageOperation& operation, const Bytes& source,
                                           const std::optional<std::string>& sourceAppName)
{
    ProcessedImage out;
    using K = ImageOperation::Kind;
    switch (operation.kind) {
    case K::Compress: {
        auto compressed = ImageProcessor::compress(source, ImageProcessor::kCompressQuality);
        if (!compressed)
            return std::nullopt;
        out.data = std::move(compressed->first);
        out.ext = std::move(compressed->second);
        out.sourceName = sourceAppName;
        break;
    }
    case K::RemoveBackground: {
        auto cut = ImageProcessor::removeBackground(source);
        if (!cut)
            return std::nullopt;
        out = {std::move(*cut), "png", kBrisa, {}};
        break;
    }
    case K::Resize: {
        auto resized = ImageProcessor::resize(source, operation.scale);
        if (!resized)
            return std::nullopt;
        out = {std::move(*resized), "png", kBrisa, {}};
        break;
    }
    case K::Convert: {
        auto converted = ImageProcessor::convert(source, operation.format);
        if (!converted)
            return std::nullopt;
        out = {std::move(*converted), std::string(fileExtension(operation.format)), kBrisa, {}};
        break;
    }
    }
    out.thumbnail = ImageThumbnailer::thumbnailPNG(out.data, ImageThumbnailer::kStoredMaxDimension);
    return out;
}

ImageClipOperations::ImageClipOperations(Storage& storage, Scheduler& scheduler, WorkerPool& pool,
                                         TextRecognizer* recognizer)
    : storage_(storage)
    , scheduler_(scheduler)
    , pool_(pool)
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
    const bool queued = pool_.submit([weak, &scheduler, operation, data = std::move(*source),
                                      app = item->sourceAppName] {
        auto processed = processImage(operation, data, app);
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
