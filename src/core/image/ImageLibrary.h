// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/ImageCodec.h"
#include "core/image/ImageClipOperations.h"
#include "core/image/ImageFileFormat.h"
#include "core/image/ImageProcessor.h"
#include "core/support/Bytes.h"

#include <optional>
#include <string>
#include <utility>

namespace brisa {

/// Everything that needs the image libraries (libvips, Tesseract, OpenCV, libheif), behind one
/// interface: a program that may never meet an image (the resident program with a text history,
/// the store commands) takes them through it and loads them on first use. Thread-safe; each call
/// answers nullopt for what it cannot do, as the functions it stands for do.
class ImageLibrary : public ImageCodec {
public:
    /// toPng (ImageCodec) fills in the missing rows of an image whose data ends early; this
    /// refuses it instead (a file still being written is not an image yet).
    virtual std::optional<Bytes> completeToPng(const Bytes& encoded) const = 0;
    /// ImageThumbnailer::thumbnailPNG.
    virtual std::optional<Bytes> thumbnail(const Bytes& image, double maxDimension) const = 0;
    /// ImageThumbnailer::imagePixelSize: width × height, from the header alone.
    virtual std::optional<std::pair<int, int>> pixelSize(const Bytes& image) const = 0;
    /// OcrService::recognize. Slow: never on the main thread.
    virtual std::optional<std::string> recognize(const Bytes& image) const = 0;
    /// processImage: one of the image operations, with the new image's thumbnail. Slow.
    virtual std::optional<ProcessedImage> process(const ImageOperation& operation, const Bytes& source,
                                                  const std::optional<std::string>& sourceAppName) const = 0;
    /// ImageProcessor::convert.
    virtual std::optional<Bytes> convert(const Bytes& image, ImageFileFormat format) const = 0;
    /// ImageProcessor::decodeRgba.
    virtual std::optional<PixelBuffer> decodeRgba(const Bytes& image) const = 0;
};

/// The implementation over the image libraries linked into the same program (tests, benchmarks
/// and the module that the others load).
const ImageLibrary& linkedImageLibrary();

} // namespace brisa
