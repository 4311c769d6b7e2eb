// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StoreImages.h"

#include "core/capture/ImageThumbnailer.h"
#include "core/capture/OcrService.h"
#include "core/capture/VipsImageCodec.h"

namespace brisa {
namespace {

class LinkedStoreImages final : public StoreImages {
public:
    std::optional<Bytes> toPng(const Bytes& encoded) const override { return VipsImageCodec().toPng(encoded); }
    std::optional<Bytes> thumbnail(const Bytes& image) const override
    {
        return ImageThumbnailer::thumbnailPNG(image, ImageThumbnailer::kStoredMaxDimension);
    }
    std::optional<std::string> recognize(const Bytes& image) const override { return OcrService::recognize(image); }
    std::optional<ProcessedImage> process(const ImageOperation& operation, const Bytes& source,
                                          const std::optional<std::string>& sourceAppName) const override
    {
        return processImage(operation, source, sourceAppName);
    }
};

} // namespace

const StoreImages& linkedStoreImages()
{
    static const LinkedStoreImages images;
    return images;
}

} // namespace brisa
