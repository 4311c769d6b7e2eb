// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/image/ImageProcessor.h"

#include "core/capture/ImageThumbnailer.h"
#include "fakes/LogCapture.h"
#include "fakes/TestImages.h"

#include <gtest/gtest.h>
#include <vips/vips.h>

#include <array>
#include <cmath>
#include <random>

using namespace brisa;

namespace {

struct Unref {
    void operator()(VipsImage* i) const { g_object_unref(i); }
};
using Image = std::unique_ptr<VipsImage, Unref>;

Image load(const Bytes& data)
{
    Image image(vips_image_new_from_buffer(data.data(), data.size(), "", nullptr));
    EXPECT_TRUE(image) << vips_error_buffer();
    return image;
}

std::string loader(const Bytes& data)
{
    const char* name = vips_foreign_find_load_buffer(data.data(), data.size());
    return name ? name : "";
}

/// Encodes raw 8-bit pixels (bands 1..4) with the saver named by suffix (".png", ".jpg[Q=90]", ...).
Bytes encodePixels(const std::vector<std::uint8_t>& pixels, int width, int height, int bands,
                   const char* suffix = ".png", VipsBandFormat format = VIPS_FORMAT_UCHAR,
                   VipsInterpretation type = VIPS_INTERPRETATION_sRGB)
{
    Image image(vips_image_new_from_memory_copy(pixels.data(), pixels.size(), width, height, bands, format));
    image->Type = type;
    void* buf = nullptr;
    std::size_t len = 0;
    EXPECT_EQ(vips_image_write_to_buffer(image.get(), suffix, &buf, &len, nullptr), 0) << vips_error_buffer();
    Bytes out(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    g_free(buf);
    return out;
}

/// A 40 × 30 image, left half fully transparent red, right half opaque blue.
Bytes halfTransparent()
{
    std::vector<std::uint8_t> px;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool left = x < 20;
            px.insert(px.end(), {std::uint8_t(left ? 255 : 0), 0, std::uint8_t(left ? 0 : 255),
                                 std::uint8_t(left ? 0 : 255)});
        }
    return encodePixels(px, 40, 30, 4);
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t length)
{
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xffffffffu;
}

double pixel(VipsImage* image, int x, int y, int band)
{
    double* values = nullptr;
    int n = 0;
    if (vips_getpoint(image, &values, &n, x, y, nullptr) != 0 || band >= n) {
        ADD_FAILURE() << vips_error_buffer();
        return -1;
    }
    const double v = values[band];
    g_free(values);
    return v;
}

class ImageProcessorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ImageThumbnailer::startImageLibrary()); }
    void TearDown() override { ImageProcessor::setHeicAllowed(true); }
};

TEST_F(ImageProcessorTest, FormatsHaveTheirNamesLabelsAndExtensionsInMenuOrder)
{
    struct Row {
        ImageFileFormat format;
        const char* raw;
        const char* label;
        const char* ext;
    };
    const Row rows[] = {{ImageFileFormat::Png, "png", "PNG", "png"},
                        {ImageFileFormat::Jpeg, "jpeg", "JPEG", "jpg"},
                        {ImageFileFormat::Tiff, "tiff", "TIFF", "tiff"}};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(kImageFileFormats[i], rows[i].format);
        EXPECT_EQ(rawValue(rows[i].format), rows[i].raw);
        EXPECT_EQ(label(rows[i].format), rows[i].label);
        EXPECT_EQ(fileExtension(rows[i].format), rows[i].ext);
        EXPECT_EQ(imageFileFormatFromRaw(rows[i].raw), rows[i].format);
    }
    EXPECT_EQ(imageFileFormatFromRaw("jpg"), std::nullopt);
    EXPECT_EQ(imageFileFormatFromRaw("PNG"), std::nullopt);
    EXPECT_EQ(ImageProcessor::scaleLabel(0.75), "75%");
    EXPECT_EQ(ImageProcessor::scaleLabel(0.25), "25%");
}

TEST_F(ImageProcessorTest, OnlyImagesAndScreenshotsAreProcessable)
{
    for (auto [raw, expected] : std::vector<std::pair<std::string, bool>>{
             {"image", true}, {"screenshot", true}, {"text", false}, {"file", false}, {"color", false}}) {
        ClipItem item;
        item.typeRaw = raw;
        EXPECT_EQ(ImageProcessor::isProcessable(item), expected) << raw;
    }
}

TEST_F(ImageProcessorTest, ResizeTruncatesEachSideAndRefusesScalesOutsideZeroToOne)
{
    struct Row {
        int width, height;
        double scale;
        std::optional<std::pair<int, int>> expected;
    };
    const Row rows[] = {
        {3, 3, 0.25, std::pair{1, 1}},     {3, 3, 1.0, std::pair{3, 3}},        {101, 51, 0.5, std::pair{50, 25}},
        {400, 300, 0.75, std::pair{300, 225}}, {1000, 2, 0.25, std::pair{250, 1}}, {3, 3, 0.0, std::nullopt},
        {3, 3, 1.5, std::nullopt},         {3, 3, -0.5, std::nullopt},          {3, 3, NAN, std::nullopt},
    };
    for (const auto& r : rows) {
        auto out = ImageProcessor::resize(test::gradientImage(r.width, r.height), r.scale);
        ASSERT_EQ(out.has_value(), r.expected.has_value()) << r.width << "x" << r.height << " × " << r.scale;
        if (!out)
            continue;
        EXPECT_EQ(loader(*out), "VipsForeignLoadPngBuffer");
        auto image = load(*out);
        EXPECT_EQ(image->Xsize, r.expected->first);
        EXPECT_EQ(image->Ysize, r.expected->second);
    }
}

TEST_F(ImageProcessorTest, APictureTaggedAsTurnedComesOutUpright)
{
    // Orientation 6: stored 40 × 20, shown turned a quarter, 20 × 40.
    Image stored(vips_image_new_from_memory_copy(std::vector<std::uint8_t>(40 * 20 * 3, 128).data(), 40 * 20 * 3,
                                                 40, 20, 3, VIPS_FORMAT_UCHAR));
    stored->Type = VIPS_INTERPRETATION_sRGB;
    vips_image_set_int(stored.get(), VIPS_META_ORIENTATION, 6);
    void* buf = nullptr;
    std::size_t len = 0;
    ASSERT_EQ(vips_jpegsave_buffer(stored.get(), &buf, &len, nullptr), 0);
    const Bytes jpeg(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    g_free(buf);
    const auto half = ImageProcessor::resize(jpeg, 0.5);
    ASSERT_TRUE(half);
    EXPECT_EQ(load(*half)->Xsize, 10);
    EXPECT_EQ(load(*half)->Ysize, 20);
    const auto png = ImageProcessor::convert(jpeg, ImageFileFormat::Png);
    ASSERT_TRUE(png);
    EXPECT_EQ(load(*png)->Xsize, 20);
}

TEST_F(ImageProcessorTest, CompressGivesHeicWhenTheSaverExistsElseJpeg)
{
    const auto source = test::gradientImage(64, 48);
    if (ImageProcessor::canEncodeHeic()) {
        auto heic = ImageProcessor::compress(source, 0.5);
        ASSERT_TRUE(heic);
        EXPECT_EQ(heic->second, "heic");
        EXPECT_EQ(loader(heic->first), "VipsForeignLoadHeifBuffer");
        EXPECT_EQ(load(heic->first)->Xsize, 64);
        const auto transparent = ImageProcessor::compress(halfTransparent(), 0.5);
        ASSERT_TRUE(transparent);
        EXPECT_EQ(transparent->second, "heic");
        auto withAlpha = load(transparent->first);
        EXPECT_EQ(withAlpha->Ysize, 30);
        EXPECT_EQ(withAlpha->Bands, 4);
    }
    ImageProcessor::setHeicAllowed(false);
    EXPECT_FALSE(ImageProcessor::canEncodeHeic());
    auto jpeg = ImageProcessor::compress(source, 0.5);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->second, "jpg");
    EXPECT_EQ(loader(jpeg->first), "VipsForeignLoadJpegBuffer");
    EXPECT_EQ(load(jpeg->first)->Xsize, 64);
}

TEST_F(ImageProcessorTest, ConvertWritesEachFormatAndFlattensJpegOntoWhite)
{
    const auto source = halfTransparent();
    const std::pair<ImageFileFormat, const char*> rows[] = {{ImageFileFormat::Png, "VipsForeignLoadPngBuffer"},
                                                            {ImageFileFormat::Jpeg, "VipsForeignLoadJpegBuffer"},
                                                            {ImageFileFormat::Tiff, "VipsForeignLoadTiffBuffer"}};
    for (auto [format, expectedLoader] : rows) {
        auto out = ImageProcessor::convert(source, format);
        ASSERT_TRUE(out) << rawValue(format);
        EXPECT_EQ(loader(*out), expectedLoader);
        auto image = load(*out);
        EXPECT_EQ(image->Xsize, 40);
        EXPECT_EQ(image->Bands, format == ImageFileFormat::Jpeg ? 3 : 4);
        if (format == ImageFileFormat::Jpeg) {
            // The transparent half is white, not black; the opaque half stays blue.
            for (int band = 0; band < 3; ++band)
                EXPECT_GT(pixel(image.get(), 5, 15, band), 240) << band;
            EXPECT_GT(pixel(image.get(), 35, 15, 2), 200);
            EXPECT_LT(pixel(image.get(), 35, 15, 0), 40);
        }
    }
    // Straight to RGBA pixels: the transparent half stays so, an opaque picture gets an opaque alpha.
    const auto rgba = ImageProcessor::decodeRgba(source);
    ASSERT_TRUE(rgba);
    EXPECT_EQ((std::array{rgba->width, rgba->height, rgba->bands}), (std::array{40, 30, 4}));
    EXPECT_EQ(rgba->pixels[(15 * 40 + 5) * 4 + 3], 0);
    EXPECT_EQ(rgba->pixels[(15 * 40 + 35) * 4 + 2], 255);
    EXPECT_EQ(rgba->pixels[(15 * 40 + 35) * 4 + 3], 255);
    const auto opaque = ImageProcessor::decodeRgba(test::gradientImage(8, 4, true));
    ASSERT_TRUE(opaque);
    EXPECT_EQ(opaque->pixels[3], 255);
    EXPECT_EQ(ImageProcessor::decodeRgba(toBytes("no")), std::nullopt);
    // A PNG that decodes to the same pixels is taken as it is.
    const auto plain = test::gradientImage(64, 48);
    EXPECT_EQ(ImageProcessor::convert(plain, ImageFileFormat::Png), plain);
    // Compressing to JPEG flattens the same way.
    ImageProcessor::setHeicAllowed(false);
    auto compressed = ImageProcessor::compress(source, 0.5);
    ASSERT_TRUE(compressed);
    EXPECT_GT(pixel(load(compressed->first).get(), 5, 15, 0), 240);
}

TEST_F(ImageProcessorTest, BadInputGivesASoundImageOrNothing)
{
    const auto gradient = test::gradientImage(64, 48);
    std::vector<std::uint8_t> cmyk(32 * 32 * 4, 0);
    for (std::size_t i = 0; i < cmyk.size(); i += 4)
        cmyk[i] = 200; // cyan
    std::vector<std::uint16_t> deep(16 * 16 * 3, 40000);
    std::vector<std::uint8_t> deepBytes(reinterpret_cast<std::uint8_t*>(deep.data()),
                                        reinterpret_cast<std::uint8_t*>(deep.data()) + deep.size() * 2);
    // A 20000 × 20000 PNG over the limit: a valid header is all the guard reads.
    Bytes huge = encodePixels(std::vector<std::uint8_t>(1, 0), 1, 1, 1);
    huge[16] = 0, huge[17] = 0, huge[18] = 0x4e, huge[19] = 0x20; // width 20000
    huge[20] = 0, huge[21] = 0, huge[22] = 0x4e, huge[23] = 0x20; // height 20000
    const auto crc = crc32(huge.data() + 12, 17);                  // "IHDR" and its 13 bytes
    for (int i = 0; i < 4; ++i)
        huge[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    ASSERT_EQ(ImageThumbnailer::imagePixelSize(huge), (std::pair{20000, 20000})) << "a valid header";
    const auto photo = test::gradientImage(300, 200, true);
    Image frames(nullptr);
    VipsImage* raw = nullptr;
    vips_black(&raw, 8, 16, "bands", 3, nullptr); // two 8 × 8 pages, as a GIF animation
    frames.reset(raw);
    vips_image_set_int(frames.get(), "page-height", 8);
    void* gifBuf = nullptr;
    std::size_t gifLen = 0;
    const bool haveGif = vips_image_write_to_buffer(frames.get(), ".gif", &gifBuf, &gifLen, nullptr) == 0;
    Bytes gif = haveGif ? Bytes(static_cast<std::uint8_t*>(gifBuf), static_cast<std::uint8_t*>(gifBuf) + gifLen)
                        : Bytes{};
    g_free(gifBuf);
    vips_error_clear();

    struct Row {
        const char* name;
        Bytes data;
        std::optional<std::pair<int, int>> size; ///< of a convert to PNG
    };
    std::vector<Row> rows = {
        {"empty", {}, std::nullopt},
        {"text", toBytes("hola, no soy una imagen"), std::nullopt},
        {"truncated header", Bytes(gradient.begin(), gradient.begin() + 20), std::nullopt},
        {"20000×20000", huge, std::nullopt},
        {"1×1", encodePixels({9, 9, 9}, 1, 1, 3), std::pair{1, 1}},
        {"3×3", test::gradientImage(3, 3), std::pair{3, 3}},
        {"CMYK JPEG", encodePixels(cmyk, 32, 32, 4, ".jpg", VIPS_FORMAT_UCHAR, VIPS_INTERPRETATION_CMYK),
         std::pair{32, 32}},
        {"16-bit PNG", encodePixels(deepBytes, 16, 16, 3, ".png", VIPS_FORMAT_USHORT, VIPS_INTERPRETATION_RGB16),
         std::pair{16, 16}},
    };
    if (haveGif)
        rows.push_back({"animated GIF", gif, std::pair{8, 8}});
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        auto png = ImageProcessor::convert(r.data, ImageFileFormat::Png);
        ASSERT_EQ(png.has_value(), r.size.has_value());
        EXPECT_EQ(ImageProcessor::resize(r.data, 0.5).has_value(), r.size.has_value());
        EXPECT_EQ(ImageProcessor::compress(r.data, 0.5).has_value(), r.size.has_value());
        EXPECT_EQ(ImageProcessor::removeBackground(r.data), std::nullopt); // none has a subject
        if (!png)
            continue;
        auto image = load(*png);
        EXPECT_EQ(image->Xsize, r.size->first);
        EXPECT_EQ(image->Ysize, r.size->second);
        EXPECT_EQ(image->BandFmt, VIPS_FORMAT_UCHAR);
    }
    // Cut off halfway: nothing, or an image of the full size (the missing rows filled in).
    for (const Bytes& whole : {test::gradientImage(300, 200), photo}) {
        const Bytes half(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
        if (auto png = ImageProcessor::convert(half, ImageFileFormat::Png)) {
            auto image = load(*png);
            EXPECT_EQ(image->Xsize, 300);
            EXPECT_EQ(image->Ysize, 200);
        }
    }
    // The CMYK cyan comes out cyan-ish, never black.
    const auto cyanPng = ImageProcessor::convert(rows[6].data, ImageFileFormat::Png);
    ASSERT_TRUE(cyanPng);
    auto cyan = load(*cyanPng);
    EXPECT_GT(pixel(cyan.get(), 3, 3, 2), 150);
    EXPECT_GT(pixel(cyan.get(), 3, 3, 1), 100);
}

} // namespace
