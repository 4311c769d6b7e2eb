// SPDX-License-Identifier: GPL-3.0-or-later
// Apart from everything else: only what names linkedImageLibrary() links the image libraries.
#include "core/image/ImageLibrary.h"

#include "core/capture/ImageThumbnailer.h"
#include "core/capture/OcrService.h"
#include "core/capture/VipsImageCodec.h"

namespace brisa {
namespace {

class LinkedImageLibrary final : public ImageLibrary {
public:
    std::optional<Bytes> toPng(const Bytes& encoded) const override { return VipsImageCodec().toPng(encoded); }
    std::optional<Bytes> completeToPng(const Bytes& encoded) const override
    {
        return VipsImageCodec(VipsImageCodec::Truncated::Refuse).toPng(encoded);
    }
    std::optional<Bytes> thumbnail(const Bytes& image, double maxDimension) const override
    {
        return ImageThumbnailer::thumbnailPNG(image, maxDimension);
    }
    std::optional<std::pair<int, int>> pixelSize(const Bytes& image) const override
    {
        return ImageThumbnailer::imagePixelSize(image);
    }
    std::optional<std::string> recognize(const Bytes& image) const override { return OcrService::recognize(image); }
    std::optional<ProcessedImage> process(const ImageOperation& operation, const Bytes& source,
                                          const std::optional<std::string>& sourceAppName) const override
    {
        return processImage(operation, source, sourceAppName);
    }
    std::optional<Bytes> convert(const Bytes& image, ImageFileFormat format) const override
    {
        return ImageProcessor::convert(image, format);
    }
    std::optional<PixelBuffer> decodeRgba(const Bytes& image) const override
    {
        return ImageProcessor::decodeRgba(image);
    }
};

} // namespace

const ImageLibrary& linkedImageLibrary()
{
    static const LinkedImageLibrary library;
    return library;
}

} // namespace brisa
