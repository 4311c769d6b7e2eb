// SPDX-License-Identifier: GPL-3.0-or-later
// The store's side of the image operations, apart from the operations themselves so that a
// program storing their results need not link the image libraries.
#include "core/image/ImageClipOperations.h"

#include "core/store/Storage.h"
#include "core/support/AtomicFile.h"
#include "core/support/Log.h"

namespace brisa {

std::optional<Bytes> imageSourceBytes(Storage& storage, const ClipItem& item)
{
    if (item.imageFileName && item.imageFileName->find('/') == std::string::npos) {
        if (auto file = readWholeFile(storage.imagesDir() / *item.imageFileName); file && !file->empty())
            return toBytes(*file);
    }
    if (item.thumbnailData && !item.thumbnailData->empty())
        return item.thumbnailData;
    if (auto thumb = storage.thumbnail(item.id); thumb && !thumb->empty())
        return thumb;
    return std::nullopt;
}

std::optional<ClipItem> insertImageClip(Storage& storage, const Clock& clock, ProcessedImage image)
{
    const std::string fileName = Uuid::random().toString() + "." + image.ext;
    if (!storage.writeImage(fileName, image.data)) {
        logf("Error guardando imagen: no se pudo escribir {}", (storage.imagesDir() / fileName).string());
        return std::nullopt;
    }
    auto item = makeClipItem(NewClip{.type = ClipType::Image,
                                     .imageFileName = fileName,
                                     .thumbnailData = std::move(image.thumbnail),
                                     .sourceAppName = std::move(image.sourceName),
                                     .byteSize = static_cast<std::int64_t>(image.data.size())},
                             clock);
    if (!storage.insertCaptured(item)) {
        storage.deleteImage(fileName);
        return std::nullopt;
    }
    return item;
}

} // namespace brisa
