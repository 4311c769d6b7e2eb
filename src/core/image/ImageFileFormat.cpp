// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/image/ImageFileFormat.h"

namespace brisa {

std::string_view rawValue(ImageFileFormat format)
{
    switch (format) {
    case ImageFileFormat::Png: return "png";
    case ImageFileFormat::Jpeg: return "jpeg";
    case ImageFileFormat::Tiff: return "tiff";
    }
    return "png";
}

std::string_view label(ImageFileFormat format)
{
    switch (format) {
    case ImageFileFormat::Png: return "PNG";
    case ImageFileFormat::Jpeg: return "JPEG";
    case ImageFileFormat::Tiff: return "TIFF";
    }
    return "PNG";
}

std::string_view fileExtension(ImageFileFormat format)
{
    switch (format) {
    case ImageFileFormat::Png: return "png";
    case ImageFileFormat::Jpeg: return "jpg";
    case ImageFileFormat::Tiff: return "tiff";
    }
    return "png";
}

std::optional<ImageFileFormat> imageFileFormatFromRaw(std::string_view raw)
{
    for (auto f : kImageFileFormats)
        if (rawValue(f) == raw)
            return f;
    return std::nullopt;
}

std::string_view imageMimeTypeForFile(std::string_view fileName)
{
    const auto dot = fileName.rfind('.');
    std::string ext(dot == std::string_view::npos ? std::string_view() : fileName.substr(dot + 1));
    for (auto& c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (ext == "heic" || ext == "heif")
        return "image/heic";
    if (ext == "jpg" || ext == "jpeg")
        return "image/jpeg";
    if (ext == "tif" || ext == "tiff")
        return "image/tiff";
    return "image/png";
}

} // namespace brisa
