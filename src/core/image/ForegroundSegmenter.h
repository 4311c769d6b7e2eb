// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace brisa {

/// An 8-bit image in memory, rows top to bottom, no padding between rows.
struct PixelBuffer {
    int width = 0;
    int height = 0;
    int bands = 0; ///< 3 (RGB) for segmenter input, 1 for masks
    std::vector<std::uint8_t> pixels;
};

/// Tells the subject of a picture from its background. One small interface so that a learned
/// model can take the place of the classical segmentation without touching its callers.
class ForegroundSegmenter {
public:
    virtual ~ForegroundSegmenter() = default;
    /// A one-band mask of rgb's size: 255 subject, 0 background, values between for soft edges;
    /// nullopt when the segmentation fails. rgb is small (at most a few hundred pixels a side).
    virtual std::optional<PixelBuffer> segment(const PixelBuffer& rgb) const = 0;
};

/// The default segmenter: OpenCV's GrabCut seeded with the border as background, or a flood fill
/// from the border when the border is nearly one colour; holes inside the subject are kept.
std::unique_ptr<ForegroundSegmenter> makeGrabCutSegmenter();

} // namespace brisa
