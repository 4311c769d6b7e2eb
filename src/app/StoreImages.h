// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/ImageCodec.h"
#include "core/image/ImageClipOperations.h"

#include <optional>
#include <string>

namespace brisa {

/// The image work of the store commands: decoding, thumbnails, text recognition and the image
/// operations. Behind this interface so that the commands that never meet an image (history,
/// search, add of text...) load none of the image libraries: `brisa` loads them on first use.
class StoreImages : public ImageCodec {
public:
    /// The thumbnail kept with an image clip; nullopt when the bytes are no image.
    virtual std::optional<Bytes> thumbnail(const Bytes& image) const = 0;
    /// The text in the image, nullopt when none (slow: there is no event loop to hand it to).
    virtual std::optional<std::string> recognize(const Bytes& image) const = 0;
    /// One of the panel's image operations on source, with the new image's thumbnail.
    virtual std::optional<ProcessedImage> process(const ImageOperation& operation, const Bytes& source,
                                                  const std::optional<std::string>& sourceAppName) const = 0;
};

/// The implementation over the image libraries linked into the same program.
const StoreImages& linkedStoreImages();

} // namespace brisa
