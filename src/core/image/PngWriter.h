// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/image/ForegroundSegmenter.h"
#include "core/support/Bytes.h"

#include <cstdint>
#include <optional>
#include <span>

namespace brisa {

/// 8-bit pixels in memory to be written as PNG: rows top to bottom without padding, 1 (grey),
/// 2 (grey and alpha), 3 (RGB) or 4 (RGBA) bands.
struct PngPixels {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int bands = 0;
    /// An ICC profile to embed; empty for none. A profile whose colour space does not match the
    /// bands (a CMYK profile left on pixels already turned into RGB) is left out.
    std::span<const std::uint8_t> iccProfile;
};

/// Writes a lossless, non-interlaced PNG quickly: every row gets the Sub filter, and the rows are
/// cut into strips deflated by ISA-L's fast deflate on up to `threads` threads and joined into the
/// one zlib stream the format wants. nullopt for a shape it cannot write or when deflate fails.
/// threads == 0: one per core, at most 8.
std::optional<Bytes> writePng(const PngPixels& image, unsigned threads = 0);

/// Whether bytes are a whole, sound 8-bit RGB or RGBA PNG that needs no decoding to be taken as it
/// is: every chunk's CRC right, the image data inflating to exactly its rows with valid filters,
/// not interlaced, no orientation (eXIf) to apply, at most maxPixels pixels.
bool isPlainCompletePng(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels);

/// The pixels of such a PNG (3 or 4 bands) when it carries no ICC profile either; nullopt for any
/// other, which a general decoder has to read. About twice as fast as libpng on a 4K picture.
std::optional<PixelBuffer> decodePlainPng(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels);

} // namespace brisa
