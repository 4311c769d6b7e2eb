// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/ImageCodec.h"

namespace brisa {

/// Converts any image libvips can read to PNG, refusing decompression bombs before decoding.
class VipsImageCodec final : public ImageCodec {
public:
    std::optional<Bytes> toPng(const Bytes& encoded) const override;
};

} // namespace brisa
