// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Bytes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

namespace brisa {

/// Small PNG previews of clip images: longest side 320 for the record, 160 for the toast.
/// Safe to call from any thread.
namespace ImageThumbnailer {

/// Longest side of the thumbnail kept in ClipItem::thumbnailData.
inline constexpr double kStoredMaxDimension = 320;
/// Longest side of the toast preview.
inline constexpr double kToastMaxDimension = 160;
/// Images with more pixels than this are refused before any pixel is decoded (decompression bombs).
inline constexpr std::int64_t kMaxPixels = 100'000'000;

/// width × height of an image, in pixels.
using PixelSize = std::pair<int, int>;

/// A PNG (8-bit RGBA) of the image shrunk so that its longest side is at most maxDimension, never
/// enlarged; nullopt for bytes that are not an image, images over kMaxPixels, or a side rounding to 0.
std::optional<Bytes> thumbnailPNG(const Bytes& imageData, double maxDimension);

/// The thumbnail's size for a width × height image: scale = min(maxDimension / longest side, 1),
/// each side rounded half away from zero; nullopt when a side is not positive. Inline, as
/// isDecodableSize, so that code which only checks sizes does not link the image library.
inline std::optional<PixelSize> thumbnailSize(int width, int height, double maxDimension)
{
    if (width <= 0 || height <= 0 || !(maxDimension > 0))
        return std::nullopt;
    const double scale = std::min(maxDimension / std::max(width, height), 1.0);
    // std::round takes halves away from zero; the sides never exceed the originals, so they fit in int.
    const auto tw = static_cast<int>(std::round(width * scale));
    const auto th = static_cast<int>(std::round(height * scale));
    if (tw <= 0 || th <= 0)
        return std::nullopt;
    return PixelSize{tw, th};
}

/// Size of the (first) image in the bytes, reading the header only; nullopt when no decoder knows them.
std::optional<PixelSize> imagePixelSize(const Bytes& imageData);

/// True when an image of that size may be decoded (positive sides, at most kMaxPixels).
inline bool isDecodableSize(PixelSize size)
{
    return size.first > 0 && size.second > 0 && static_cast<std::int64_t>(size.first) * size.second <= kMaxPixels;
}

/// Starts the image library once per process; false (logged once) when it cannot start.
bool startImageLibrary();

} // namespace ImageThumbnailer
} // namespace brisa
