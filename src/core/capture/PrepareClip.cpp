// SPDX-License-Identifier: GPL-3.0-or-later
// Apart from ClipRecorder.cpp so that recording a clip does not link the image library.
#include "core/capture/ClipRecorder.h"
#include "core/capture/ImageThumbnailer.h"

namespace brisa {

PreparedClip prepareClip(DetectedClip detected)
{
    return prepareClip(std::move(detected), [](const Bytes& image) {
        return ImageThumbnailer::thumbnailPNG(image, ImageThumbnailer::kStoredMaxDimension);
    });
}

} // namespace brisa
