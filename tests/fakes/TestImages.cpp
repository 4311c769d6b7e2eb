// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestImages.h"

#include "core/capture/ImageThumbnailer.h"

#include <vips/vips.h>

namespace brisa::test {

Bytes gradientImage(int width, int height, bool jpeg)
{
    ImageThumbnailer::startImageLibrary();
    VipsImage* xy = nullptr;
    VipsImage* sum = nullptr;
    VipsImage* scaled = nullptr;
    VipsImage* rgb = nullptr;
    vips_xyz(&xy, width, height, nullptr);
    vips_bandmean(xy, &sum, nullptr);
    vips_linear1(sum, &scaled, 255.0 / std::max(1, (width + height) / 2), 0.0, "uchar", TRUE, nullptr);
    VipsImage* planes[3] = {scaled, scaled, scaled};
    vips_bandjoin(planes, &rgb, 3, nullptr);
    rgb->Type = VIPS_INTERPRETATION_sRGB;
    void* buf = nullptr;
    std::size_t len = 0;
    if (jpeg)
        vips_jpegsave_buffer(rgb, &buf, &len, nullptr);
    else
        vips_pngsave_buffer(rgb, &buf, &len, "compression", 1, nullptr);
    Bytes out(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    g_free(buf);
    for (auto* image : {rgb, scaled, sum, xy})
        g_object_unref(image);
    return out;
}

} // namespace brisa::test
