// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/VipsImageCodec.h"

#include "core/capture/ImageThumbnailer.h"
#include "core/support/Log.h"

#include <vips/vips.h>

namespace brisa {

std::optional<Bytes> VipsImageCodec::toPng(const Bytes& encoded) const
{
    const auto size = ImageThumbnailer::imagePixelSize(encoded);
    if (!size) {
        logLine("Imagen no decodificable");
        return std::nullopt;
    }
    if (!ImageThumbnailer::isDecodableSize(*size)) {
        logf("Imagen rechazada: {} × {} píxeles supera el límite de {} megapíxeles", size->first, size->second,
             ImageThumbnailer::kMaxPixels / 1'000'000);
        return std::nullopt;
    }
    const VipsFailOn failOn = truncated_ == Truncated::Refuse ? VIPS_FAIL_ON_TRUNCATED : VIPS_FAIL_ON_NONE;
    VipsImage* image = vips_image_new_from_buffer(encoded.data(), encoded.size(), "", "access",
                                                  VIPS_ACCESS_SEQUENTIAL, "fail_on", failOn, nullptr);
    if (!image) {
        vips_error_clear();
        return std::nullopt;
    }
    void* png = nullptr;
    std::size_t length = 0;
    const int failed = vips_pngsave_buffer(image, &png, &length, nullptr);
    g_object_unref(image);
    if (failed || !png) {
        logLine("No se pudo convertir la imagen a PNG");
        vips_error_clear();
        return std::nullopt;
    }
    Bytes out(static_cast<std::uint8_t*>(png), static_cast<std::uint8_t*>(png) + length);
    g_free(png);
    return out;
}

} // namespace brisa
