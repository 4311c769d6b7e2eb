// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ImageThumbnailer.h"

#include "fakes/LogCapture.h"
#include "fakes/TestImages.h"

#include <gtest/gtest.h>
#include <vips/vips.h>

#include <algorithm>
#include <cmath>
#include <future>
#include <limits>
#include <string>
#include <vector>

using namespace brisa;
using ImageThumbnailer::PixelSize;

namespace {

/// A width × height PNG with a diagonal gradient in every band; with an alpha band, the top-left
/// pixel is fully transparent.
Bytes makePng(int width, int height, int bands = 3, bool sixteenBit = false)
{
    EXPECT_TRUE(ImageThumbnailer::startImageLibrary());
    VipsImage* xy = nullptr;
    VipsImage* sum = nullptr;
    VipsImage* scaled = nullptr;
    VipsImage* joined = nullptr;
    VipsImage* typed = nullptr;
    vips_xyz(&xy, width, height, nullptr);
    vips_bandmean(xy, &sum, nullptr);
    const double top = sixteenBit ? 65535.0 : 255.0;
    const double gain = top / std::max(1, (width + height) / 2);
    vips_linear1(sum, &scaled, gain, 0.0, "uchar", sixteenBit ? FALSE : TRUE, nullptr);
    std::vector<VipsImage*> planes(static_cast<std::size_t>(bands), scaled);
    vips_bandjoin(planes.data(), &joined, bands, nullptr);
    if (sixteenBit) {
        vips_cast_ushort(joined, &typed, nullptr);
        g_object_unref(joined);
        joined = typed;
        joined->Type = bands == 1 ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_RGB16;
    } else {
        joined->Type = bands <= 2 ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB;
    }
    VipsImage* out = joined;
    if (bands == 2 || bands == 4) {
        // Transparent top-left corner: the alpha band is zero there.
        VipsImage* alphaDrawn = nullptr;
        vips_copy(joined, &alphaDrawn, nullptr);
        double ink[4] = {0, 0, 0, 0};
        vips_draw_rect(alphaDrawn, ink, bands, 0, 0, 1, 1, "fill", TRUE, nullptr);
        out = alphaDrawn;
        g_object_unref(joined);
    }
    void* buf = nullptr;
    std::size_t len = 0;
    EXPECT_EQ(vips_pngsave_buffer(out, &buf, &len, "compression", 1, nullptr), 0) << vips_error_buffer();
    Bytes png(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    g_free(buf);
    g_object_unref(out);
    g_object_unref(scaled);
    g_object_unref(sum);
    g_object_unref(xy);
    return png;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t n)
{
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= data[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

void putBigEndian(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

/// A real small PNG whose header (with a valid checksum) claims width × height.
Bytes pngClaimingSize(std::uint32_t width, std::uint32_t height)
{
    Bytes png = makePng(8, 8);
    // Signature (8) + chunk length (4) + "IHDR" (4): width at 16, height at 20, CRC over type+data at 29.
    putBigEndian(png, 16, width);
    putBigEndian(png, 20, height);
    putBigEndian(png, 29, crc32(png.data() + 12, 17));
    return png;
}

struct Decoded {
    int width = 0;
    int height = 0;
    int bands = 0;
    VipsBandFormat format = VIPS_FORMAT_NOTSET;
    double topLeftAlpha = -1;
};

Decoded decode(const Bytes& png)
{
    Decoded d;
    VipsImage* image = vips_image_new_from_buffer(png.data(), png.size(), "", nullptr);
    if (!image)
        return d;
    d.width = image->Xsize;
    d.height = image->Ysize;
    d.bands = image->Bands;
    d.format = image->BandFmt;
    double* values = nullptr;
    int n = 0;
    if (vips_getpoint(image, &values, &n, 0, 0, nullptr) == 0 && n == image->Bands)
        d.topLeftAlpha = values[n - 1];
    g_free(values);
    g_object_unref(image);
    return d;
}

bool isPng(const Bytes& b)
{
    static const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return b.size() > signature.size() && std::equal(signature.begin(), signature.end(), b.begin());
}

// ---------------------------------------------------------------------------------------------
// The size rule alone.

struct SizeCase {
    int width;
    int height;
    double maxDimension;
    std::optional<PixelSize> expected;
};

class ThumbnailSize : public testing::TestWithParam<SizeCase> {};

TEST_P(ThumbnailSize, ShrinksToTheLongestSideRoundingHalvesUp)
{
    const auto& c = GetParam();
    EXPECT_EQ(ImageThumbnailer::thumbnailSize(c.width, c.height, c.maxDimension), c.expected)
        << c.width << "x" << c.height << " max " << c.maxDimension;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbnailSize,
    testing::Values(
        SizeCase{1000, 500, 320, PixelSize{320, 160}}, SizeCase{1000, 500, 160, PixelSize{160, 80}},
        SizeCase{100, 50, 320, PixelSize{100, 50}},     // never enlarged
        SizeCase{320, 320, 320, PixelSize{320, 320}},   // exactly the limit
        SizeCase{500, 2000, 320, PixelSize{80, 320}},   // tall
        SizeCase{1, 1, 320, PixelSize{1, 1}},           // tiny
        SizeCase{1, 1000, 320, std::nullopt},           // 0.32 rounds to a zero side
        SizeCase{1000, 1, 160, std::nullopt},           // 0.16 as well
        SizeCase{5, 1000, 320, PixelSize{2, 320}},      // 1.6 rounds up
        SizeCase{1000, 2, 250, PixelSize{250, 1}},      // 0.5: halves go away from zero
        SizeCase{1000, 6, 250, PixelSize{250, 2}},      // 1.5
        SizeCase{1000, 10, 250, PixelSize{250, 3}},     // 2.5, not to even
        SizeCase{3840, 2160, 320, PixelSize{320, 180}}, SizeCase{0, 10, 320, std::nullopt},
        SizeCase{10, -1, 320, std::nullopt}, SizeCase{10, 10, 0, std::nullopt},
        SizeCase{10, 10, -5, std::nullopt},
        SizeCase{10, 10, std::numeric_limits<double>::quiet_NaN(), std::nullopt},
        SizeCase{10, 10, std::numeric_limits<double>::infinity(), PixelSize{10, 10}}));

TEST(ImageThumbnailer, PixelLimitIsOneHundredMegapixelsInclusive)
{
    EXPECT_TRUE(ImageThumbnailer::isDecodableSize({10'000, 10'000}));
    EXPECT_FALSE(ImageThumbnailer::isDecodableSize({10'001, 10'000}));
    EXPECT_FALSE(ImageThumbnailer::isDecodableSize({65'535, 65'535})); // no int overflow
    EXPECT_FALSE(ImageThumbnailer::isDecodableSize({0, 10}));
}

// ---------------------------------------------------------------------------------------------
// Real images.

struct ImageCase {
    int width;
    int height;
    double maxDimension;
    int expectedWidth;
    int expectedHeight;
};

class ThumbnailOfImage : public testing::TestWithParam<ImageCase> {};

TEST_P(ThumbnailOfImage, IsAnRgbaPngOfTheComputedSize)
{
    const auto& c = GetParam();
    const auto thumb = ImageThumbnailer::thumbnailPNG(makePng(c.width, c.height), c.maxDimension);
    ASSERT_TRUE(thumb.has_value());
    ASSERT_TRUE(isPng(*thumb));
    const auto d = decode(*thumb);
    EXPECT_EQ(d.width, c.expectedWidth);
    EXPECT_EQ(d.height, c.expectedHeight);
    EXPECT_EQ(d.bands, 4);
    EXPECT_EQ(d.format, VIPS_FORMAT_UCHAR);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ThumbnailOfImage,
                         testing::Values(ImageCase{1000, 500, ImageThumbnailer::kStoredMaxDimension, 320, 160},
                                         ImageCase{1000, 500, ImageThumbnailer::kToastMaxDimension, 160, 80},
                                         ImageCase{100, 50, 320, 100, 50}, ImageCase{500, 2000, 320, 80, 320},
                                         ImageCase{1, 1, 320, 1, 1}, ImageCase{3, 700, 160, 1, 160},
                                         ImageCase{1001, 333, 320, 320, 106}));

TEST(ImageThumbnailer, ImageWhoseShortSideRoundsToZeroGivesNoThumbnail)
{
    EXPECT_EQ(ImageThumbnailer::thumbnailPNG(makePng(1, 1000), 320), std::nullopt);
}

TEST(ImageThumbnailer, KeepsTransparencyAndGivesOpaqueImagesAnOpaqueAlphaBand)
{
    for (const auto& [bands, alpha] : {std::pair{4, 0.0}, std::pair{3, 255.0}}) {
        const auto thumb = ImageThumbnailer::thumbnailPNG(makePng(40, 20, bands), 320);
        ASSERT_TRUE(thumb.has_value()) << bands;
        EXPECT_EQ(decode(*thumb).topLeftAlpha, alpha) << bands;
    }
}

TEST(ImageThumbnailer, GreyAndSixteenBitImagesBecomeEightBitRgba)
{
    for (const auto& [bands, sixteen] : {std::pair{1, false}, std::pair{2, false}, std::pair{1, true},
                                         std::pair{3, true}}) {
        const auto thumb = ImageThumbnailer::thumbnailPNG(makePng(640, 480, bands, sixteen), 320);
        ASSERT_TRUE(thumb.has_value()) << bands << " bands, 16-bit " << sixteen;
        const auto d = decode(*thumb);
        EXPECT_EQ(d.width, 320);
        EXPECT_EQ(d.height, 240);
        EXPECT_EQ(d.bands, 4);
        EXPECT_EQ(d.format, VIPS_FORMAT_UCHAR);
    }
}

TEST(ImageThumbnailer, AcceptsOtherCommonFormats)
{
    const auto thumb = ImageThumbnailer::thumbnailPNG(test::gradientImage(800, 600, true), 160);
    ASSERT_TRUE(thumb.has_value());
    EXPECT_TRUE(isPng(*thumb));
    EXPECT_EQ(decode(*thumb).width, 160);
    EXPECT_EQ(decode(*thumb).height, 120);
}

TEST(ImageThumbnailer, ReportsThePixelSizeFromTheHeader)
{
    EXPECT_EQ(ImageThumbnailer::imagePixelSize(makePng(123, 45)), (PixelSize{123, 45}));
    EXPECT_EQ(ImageThumbnailer::imagePixelSize(pngClaimingSize(20'000, 20'000)), (PixelSize{20'000, 20'000}));
    EXPECT_EQ(ImageThumbnailer::imagePixelSize(toBytes("hola")), std::nullopt);
    EXPECT_EQ(ImageThumbnailer::imagePixelSize({}), std::nullopt);
}

// ---------------------------------------------------------------------------------------------
// Refusals.

TEST(ImageThumbnailer, BytesThatAreNotAnImageGiveNothingAndALogLine)
{
    for (const auto& bytes : {toBytes("Hola, mundo"), Bytes{}, Bytes{0x89, 'P', 'N', 'G'}}) {
        test::LogCapture log;
        EXPECT_EQ(ImageThumbnailer::thumbnailPNG(bytes, 320), std::nullopt);
        EXPECT_TRUE(log.contains("[Brisa] Imagen no decodificable")) << bytes.size() << " bytes";
    }
}

TEST(ImageThumbnailer, TruncatedPngGivesNoCrash)
{
    const Bytes png = makePng(300, 300);
    for (std::size_t keep : {std::size_t{33}, std::size_t{60}, png.size() / 2, png.size() - 1}) {
        const Bytes cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(keep));
        const auto thumb = ImageThumbnailer::thumbnailPNG(cut, 320);
        if (thumb) {
            EXPECT_TRUE(isPng(*thumb)); // a decoder may give the rows it has
        }
    }
}

TEST(ImageThumbnailer, RefusesImagesOverOneHundredMegapixelsFromTheHeaderAlone)
{
    test::LogCapture log;
    // The file holds 8 × 8 pixels of data: refusing it by its header is the only way to get this line.
    EXPECT_EQ(ImageThumbnailer::thumbnailPNG(pngClaimingSize(20'000, 20'000), 320), std::nullopt);
    EXPECT_TRUE(log.contains("[Brisa] Imagen rechazada: 20000 × 20000 píxeles supera el límite de 100 megapíxeles"));
    EXPECT_FALSE(log.contains("no decodificable"));
}

TEST(ImageThumbnailer, GLibMessagesBecomeBrisaLogLines)
{
    ASSERT_TRUE(ImageThumbnailer::startImageLibrary());
    test::LogCapture log;
    // Classic and structured calls, with and without a domain; debug lines stay out by default.
    g_log("VIPS", G_LOG_LEVEL_WARNING, "aviso número %d", 1);
    g_log("GLib-GObject", G_LOG_LEVEL_CRITICAL, "objeto inválido");
    g_log_structured("VIPS", G_LOG_LEVEL_MESSAGE, "MESSAGE", "estructurado");
    g_log(nullptr, G_LOG_LEVEL_WARNING, "sin dominio");
    g_log("VIPS", G_LOG_LEVEL_DEBUG, "detalle");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"[Brisa] VIPS: aviso número 1", "[Brisa] GLib-GObject: objeto inválido",
                                                     "[Brisa] VIPS: estructurado", "[Brisa] GLib: sin dominio"}));
}

TEST(ImageThumbnailer, WorksFromSeveralThreadsAtOnce)
{
    const Bytes png = makePng(1000, 500);
    const auto expected = ImageThumbnailer::thumbnailPNG(png, 320);
    ASSERT_TRUE(expected.has_value());
    std::vector<std::future<std::optional<Bytes>>> results;
    for (int i = 0; i < 4; ++i)
        results.push_back(std::async(std::launch::async, [&] { return ImageThumbnailer::thumbnailPNG(png, 320); }));
    for (auto& r : results)
        EXPECT_EQ(r.get(), expected);
}

} // namespace
