// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/VipsImageCodec.h"
#include "core/capture/ImageThumbnailer.h"
#include "fakes/LogCapture.h"
#include "fakes/TestImages.h"

#include <gtest/gtest.h>
#include <vips/vips.h>
#include <zlib.h>

#include <string>

using namespace brisa;

namespace {

bool isPng(const std::optional<Bytes>& bytes)
{
    static const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes && bytes->size() > signature.size() && std::equal(signature.begin(), signature.end(), bytes->begin());
}

/// A 4 × 3 picture of one red (200, 30, 30) in the format libvips saves for suffix.
Bytes redPicture(const char* suffix)
{
    const std::vector<std::uint8_t> pixels = [] {
        std::vector<std::uint8_t> p;
        for (int i = 0; i < 12; ++i)
            p.insert(p.end(), {200, 30, 30});
        return p;
    }();
    VipsImage* image = vips_image_new_from_memory_copy(pixels.data(), pixels.size(), 4, 3, 3, VIPS_FORMAT_UCHAR);
    image->Type = VIPS_INTERPRETATION_sRGB;
    void* buf = nullptr;
    std::size_t len = 0;
    EXPECT_EQ(vips_image_write_to_buffer(image, suffix, &buf, &len, nullptr), 0) << suffix << vips_error_buffer();
    g_object_unref(image);
    Bytes out(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    g_free(buf);
    return out;
}

} // namespace

TEST(VipsImageCodec, ConvertsWhatItReadsToPngAndRefusesTheRest)
{
    ASSERT_TRUE(ImageThumbnailer::startImageLibrary());
    // A 1 × 1 GIF, written by hand: libvips reads GIF but need not write it.
    const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
                          ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                          35);
    // A PNG header that claims 20000 × 6000 pixels, over the limit, with no pixels behind it.
    Bytes huge = redPicture(".png");
    for (const auto [at, value] : {std::pair{16, 20000}, std::pair{20, 6000}})
        for (int i = 0; i < 4; ++i)
            huge[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    const auto crc = crc32(0, huge.data() + 12, 17); // the header chunk's type and data
    for (int i = 0; i < 4; ++i)
        huge[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    struct Case {
        const char* name;
        Bytes input;
        int width; ///< of the PNG made, 0 for none
        const char* logged; ///< part of the line logged, if one must be
    };
    const Case cases[] = {
        {"png", redPicture(".png"), 4, ""},
        {"jpeg", redPicture(".jpg"), 4, ""},
        {"tiff", redPicture(".tif"), 4, ""},
        {"webp", redPicture(".webp"), 4, ""},
        {"gif", toBytes(gif), 1, ""},
        {"empty", {}, 0, "no decodificable"},
        {"not an image", toBytes("%PDF-1.7 not an image"), 0, "no decodificable"},
        {"over the pixel limit", huge, 0, "supera el límite"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::LogCapture log;
        const auto png = VipsImageCodec(VipsImageCodec::Truncated::Refuse).toPng(c.input);
        ASSERT_EQ(isPng(png), c.width > 0);
        if (*c.logged) {
            EXPECT_TRUE(log.contains(c.logged));
        }
        if (!png)
            continue;
        VipsImage* back = vips_image_new_from_buffer(png->data(), png->size(), "", nullptr);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->Xsize, c.width);
        if (c.width == 4) { // lossy formats come within a few steps of the colour
            double* pixel = nullptr;
            int bands = 0;
            ASSERT_EQ(vips_getpoint(back, &pixel, &bands, 1, 1, nullptr), 0);
            ASSERT_GE(bands, 3);
            EXPECT_NEAR(pixel[0], 200, 8);
            EXPECT_NEAR(pixel[1], 30, 8);
            EXPECT_NEAR(pixel[2], 30, 8);
            g_free(pixel);
        }
        g_object_unref(back);
    }
}

// A JPEG cut short: the clipboard takes what decodes, the screenshot folder waits for the whole file.
TEST(VipsImageCodec, TruncatedImagesAreDecodedOrRefusedAsAsked)
{
    const Bytes whole = test::gradientImage(200, 150, true);
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() * 2 / 3));
    struct Case {
        VipsImageCodec::Truncated truncated;
        const Bytes& input;
        bool converted;
    } cases[] = {
        {VipsImageCodec::Truncated::Decode, whole, true},
        {VipsImageCodec::Truncated::Refuse, whole, true},
        {VipsImageCodec::Truncated::Decode, cut, true},
        {VipsImageCodec::Truncated::Refuse, cut, false},
    };
    for (const auto& c : cases) {
        const auto png = VipsImageCodec(c.truncated).toPng(c.input);
        EXPECT_EQ(isPng(png), c.converted) << static_cast<int>(c.truncated) << " " << c.input.size();
    }
}
