// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Bytes.h"

#include <optional>

namespace brisa {

/// Turns encoded images into PNG; the platform layer provides the decoders.
class ImageCodec {
public:
    virtual ~ImageCodec() = default;

    /// Decodes an image in any format the platform knows and re-encodes it as PNG; nullopt when it cannot.
    virtual std::optional<Bytes> toPng(const Bytes& encoded) const = 0;
};

} // namespace brisa
