// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/image/ForegroundSegmenter.h"
#include "core/image/ImageFileFormat.h"
#include "core/model/ClipItem.h"
#include "core/support/Bytes.h"

#include <optional>
#include <string>
#include <utility>

namespace brisa {

/// Image operations that turn an image clip's bytes into the bytes of a new clip. Every function is
/// pure, thread-safe and returns nullopt for anything it cannot do (bytes that are not an image,
/// images over the capture limit of 100 megapixels, a saver that fails).
namespace ImageProcessor {

/// The quality compress uses from the menus.
inline constexpr double kCompressQuality = 0.5;
/// The scales Redimensionar offers, in menu order.
inline constexpr double kResizeScales[] = {0.75, 0.5, 0.25};
/// Longest side of the copy the segmenter sees: GrabCut's graph cut grows faster than the pixel
/// count (on a photo about 0.25 s of CPU at 240, 0.6 s at 320, 3.6 s at 512); the mask is enlarged
/// with a soft edge.
inline constexpr int kSegmentationMaxSide = 240;
/// A mask covering less than this share of the image, or more than kMaxForeground, means no subject.
inline constexpr double kMinForeground = 0.005;
inline constexpr double kMaxForeground = 0.98;

/// Image and screenshot clips can be processed.
inline bool isProcessable(const ClipItem& item)
{
    return item.type() == ClipType::Image || item.type() == ClipType::Screenshot;
}

/// Whether HEIC can be written (libheif with an HEVC encoder).
bool canEncodeHeic();
/// Tests turn the HEIC saver off to exercise the JPEG fallback; true restores the run-time check.
void setHeicAllowed(bool allowed);

/// HEIC at quality (0...1) with extension "heic", else JPEG flattened onto white with "jpg".
std::optional<std::pair<Bytes, std::string>> compress(const Bytes& data, double quality);
/// A PNG of the same size with the background transparent; nullopt when no subject is found
/// (under kMinForeground or over kMaxForeground of the image). Uses the GrabCut segmenter.
std::optional<Bytes> removeBackground(const Bytes& data);
std::optional<Bytes> removeBackground(const Bytes& data, const ForegroundSegmenter& segmenter);
/// A PNG scaled by 0 < scale <= 1, each side max(1, trunc(side × scale)); any other scale is nullopt.
std::optional<Bytes> resize(const Bytes& data, double scale);
/// The image re-encoded as format; JPEG (no alpha) is flattened onto white.
std::optional<Bytes> convert(const Bytes& data, ImageFileFormat format);

/// The first image of the bytes, upright, as 8-bit RGBA pixels (opaque when it has no alpha);
/// nullopt as for the operations. For showing a picture Qt cannot read (HEIC) without a PNG
/// encoded and decoded in between.
std::optional<PixelBuffer> decodeRgba(const Bytes& data);

/// The menu text of a scale: "75%", "50%", "25%". Inline: menus show it without the image libraries.
inline std::string scaleLabel(double scale) { return std::to_string(static_cast<int>(scale * 100)) + "%"; }

} // namespace ImageProcessor
} // namespace brisa
