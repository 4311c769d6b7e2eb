// SPDX-License-Identifier: GPL-3.0-or-later
// The operations themselves, over the image libraries; the class that runs them is in ImageClipJobs.cpp.
#include "core/image/ImageClipOperations.h"

#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageProcessor.h"

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

} // namespace brisa
