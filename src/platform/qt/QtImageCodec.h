// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/ImageCodec.h"

#include <cstdint>

namespace brisa {

/// Image conversion with Qt's image plugins (PNG, JPEG, GIF, BMP and, with the extra plugins, TIFF and WebP).
class QtImageCodec final : public ImageCodec {
public:
    /// Larger images are refused before decoding, so that a small file cannot demand gigabytes.
    static constexpr std::int64_t maxPixels = 100'000'000;

    std::optional<Bytes> toPng(const Bytes& encoded) const override;
};

} // namespace brisa
