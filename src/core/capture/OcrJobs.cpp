// SPDX-License-Identifier: GPL-3.0-or-later
// Apart from OcrService.cpp: the service hands each image to its ImageLibrary, so a program that
// queues recognition does not link Tesseract for it.
#include "core/capture/OcrService.h"

#include "core/image/ImageLibrary.h"

namespace brisa {

OcrService::OcrService(Scheduler& scheduler, WorkerPool& pool, RecognizedTextSink& sink, const ImageLibrary& images)
    : scheduler_(scheduler)
    , pool_(pool)
    , sink_(sink)
    , images_(images)
{
}

void OcrService::recognizeAsync(const ClipItem& item, Bytes imageData)
{
    const Uuid id = item.id;
    pool_.submit([&scheduler = scheduler_, &sink = sink_, &images = images_, id, data = std::move(imageData)] {
        auto text = images.recognize(data);
        if (!text)
            return;
        // Records are only touched on the main thread; the store finds the clip by id there.
        scheduler.post([&sink, id, text = std::move(*text)] { sink.storeRecognizedText(id, text); });
    });
}

} // namespace brisa
