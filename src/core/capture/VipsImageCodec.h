// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/ImageCodec.h"

namespace brisa {

/// Converts any image libvips can read to PNG, refusing decompression bombs before decoding.
class VipsImageCodec final : public ImageCodec {
public:
    /// What becomes of an image whose data ends before its last row.
    enum class Truncated {
        Decode, ///< the missing rows are filled in
        Refuse, ///< nullopt: a file still being written is not an image yet
    };

    explicit VipsImageCodec(Truncated truncated = Truncated::Decode) : truncated_(truncated) {}

    std::optional<Bytes> toPng(const Bytes& encoded) const override;

private:
    Truncated truncated_;
};

} // namespace brisa
