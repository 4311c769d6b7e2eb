// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/image/PngWriter.h"

#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageProcessor.h"

#include <gtest/gtest.h>
#include <vips/vips.h>
#include <zlib.h>

#include <array>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>

using namespace brisa;

namespace {

struct Unref {
    void operator()(VipsImage* i) const { g_object_unref(i); }
};
using Image = std::unique_ptr<VipsImage, Unref>;

/// Noise with runs of one value, so deflate finds both literals and matches.
std::vector<std::uint8_t> samplePixels(int width, int height, int bands)
{
    std::mt19937 random(static_cast<unsigned>(width * 31 + height * 7 + bands));
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * bands);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (i / 97) % 3 == 0 ? static_cast<std::uint8_t>(random()) : static_cast<std::uint8_t>(i / 97);
    return pixels;
}

/// writePng over rows that another thread copies in seven at a time, as a decoder would write
/// them; the rows from stopAt on, if it is not negative, never come.
std::optional<Bytes> writeWhileProduced(const std::vector<std::uint8_t>& pixels, int width, int height, int bands,
                                        unsigned threads, int stopAt = -1)
{
    std::vector<std::uint8_t> target(pixels.size());
    std::mutex mutex;
    std::condition_variable changed;
    int ready = 0;
    bool ended = false;
    std::jthread producer([&] {
        const std::size_t row = static_cast<std::size_t>(width) * bands;
        for (int y = 0; y < height && (stopAt < 0 || y + 7 <= stopAt); y += 7) {
            const int end = std::min(height, y + 7);
            std::memcpy(target.data() + y * row, pixels.data() + y * row, (end - y) * row);
            std::lock_guard lock(mutex);
            ready = end;
            changed.notify_all();
        }
        std::lock_guard lock(mutex);
        ended = true;
        changed.notify_all();
    });
    return writePng({target.data(), width, height, bands, {}}, threads, [&](int end) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return ready >= end || ended; });
        return ready >= end;
    });
}

TEST(PngWriterTest, LibvipsReadsBackTheSamePixelsForEveryShapeAndStripCount)
{
    ASSERT_TRUE(ImageThumbnailer::startImageLibrary());
    struct Row {
        int width, height, bands;
        unsigned threads;
    };
    const Row rows[] = {{1, 1, 1, 0},    {3, 3, 2, 0},     {640, 480, 3, 1}, {640, 480, 3, 4},
                        {900, 700, 4, 3}, {2000, 7, 4, 8}, {5, 2000, 3, 8}};
    for (const auto& [r, streamed] : [&] {
             std::vector<std::pair<Row, bool>> both;
             for (const auto& r : rows)
                 both.insert(both.end(), {{r, false}, {r, true}});
             return both;
         }()) {
        SCOPED_TRACE(testing::Message() << r.width << "x" << r.height << "x" << r.bands << " threads " << r.threads
                                        << (streamed ? ", rows arriving" : ""));
        const auto pixels = samplePixels(r.width, r.height, r.bands);
        const auto png = streamed ? writeWhileProduced(pixels, r.width, r.height, r.bands, r.threads)
                                  : writePng({pixels.data(), r.width, r.height, r.bands, {}}, r.threads);
        ASSERT_TRUE(png);
        EXPECT_STREQ(vips_foreign_find_load_buffer(png->data(), png->size()), "VipsForeignLoadPngBuffer");
        // fail: any damage to the stream is an error, not a partly black image.
        Image image(vips_image_new_from_buffer(png->data(), png->size(), "", "fail", TRUE, nullptr));
        ASSERT_TRUE(image) << vips_error_buffer();
        EXPECT_EQ(image->Xsize, r.width);
        EXPECT_EQ(image->Ysize, r.height);
        EXPECT_EQ(image->Bands, r.bands);
        std::size_t length = 0;
        std::unique_ptr<std::uint8_t, decltype(&g_free)> back(
            static_cast<std::uint8_t*>(vips_image_write_to_memory(image.get(), &length)), &g_free);
        ASSERT_TRUE(back) << vips_error_buffer();
        ASSERT_EQ(length, pixels.size());
        EXPECT_EQ(std::memcmp(back.get(), pixels.data(), length), 0);
    }
}

TEST(PngWriterTest, KeepsAMatchingIccProfileAndDropsOneForOtherPixels)
{
    ASSERT_TRUE(ImageThumbnailer::startImageLibrary());
    // libvips' built-in profiles: libpng checks what it reads, so they must be real ones.
    auto builtIn = [](const char* name) {
        VipsBlob* blob = nullptr;
        EXPECT_EQ(vips_profile_load(name, &blob, nullptr), 0) << name;
        std::size_t length = 0;
        const auto* data = static_cast<const std::uint8_t*>(vips_blob_get(blob, &length));
        std::vector<std::uint8_t> profile(data, data + length);
        vips_area_unref(VIPS_AREA(blob));
        return profile;
    };
    const auto rgbProfile = builtIn("srgb"), cmykProfile = builtIn("cmyk");
    const auto pixels = samplePixels(16, 16, 3);
    struct Row {
        const std::vector<std::uint8_t>& profile;
        bool kept;
    };
    for (const auto& [profile, kept] : {Row{rgbProfile, true}, Row{cmykProfile, false}}) {
        const auto png = writePng({pixels.data(), 16, 16, 3, profile});
        ASSERT_TRUE(png);
        Image image(vips_image_new_from_buffer(png->data(), png->size(), "", nullptr));
        ASSERT_TRUE(image);
        const void* data = nullptr;
        std::size_t length = 0;
        const bool has = vips_image_get_typeof(image.get(), VIPS_META_ICC_NAME)
                         && vips_image_get_blob(image.get(), VIPS_META_ICC_NAME, &data, &length) == 0;
        EXPECT_EQ(has, kept);
        if (has) {
            EXPECT_EQ(std::vector<std::uint8_t>(static_cast<const std::uint8_t*>(data),
                                                static_cast<const std::uint8_t*>(data) + length),
                      profile);
        }
    }
    EXPECT_FALSE(writePng({pixels.data(), 16, 16, 5, {}}));
    EXPECT_FALSE(writePng({nullptr, 16, 16, 3, {}}));
    EXPECT_FALSE(writePng({pixels.data(), 0, 16, 3, {}}));
    // Rows that never come: nothing, not a picture with a hole.
    EXPECT_FALSE(writeWhileProduced(samplePixels(900, 700, 3), 900, 700, 3, 3, 350));
}

TEST(PngWriterTest, OnlyAWholeSoundPlainPngIsTakenAsItIs)
{
    ASSERT_TRUE(ImageThumbnailer::startImageLibrary());
    const auto rgb = samplePixels(64, 48, 3), rgba = samplePixels(64, 48, 4), grey = samplePixels(64, 48, 1);
    const Bytes plain = *writePng({rgb.data(), 64, 48, 3, {}}, 2);
    auto saved = [&](const char* suffix, VipsBandFormat format = VIPS_FORMAT_UCHAR) {
        Image image(vips_image_new_from_memory_copy(rgb.data(), rgb.size(), 64, 16, 3, VIPS_FORMAT_UCHAR));
        Image cast;
        VipsImage* out = nullptr;
        vips_cast(image.get(), &out, format, nullptr);
        cast.reset(out);
        if (format == VIPS_FORMAT_USHORT)
            cast->Type = VIPS_INTERPRETATION_RGB16;
        void* buf = nullptr;
        std::size_t len = 0;
        EXPECT_EQ(vips_image_write_to_buffer(cast.get(), suffix, &buf, &len, nullptr), 0);
        Bytes bytes(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
        g_free(buf);
        return bytes;
    };
    Bytes flipped = plain;
    flipped[plain.size() / 2] ^= 0x10;
    Bytes trailing = plain;
    trailing.push_back(0);
    struct Row {
        const char* name;
        Bytes bytes;
        std::uint64_t maxPixels;
        bool plain;
    };
    const Row rows[] = {
        {"RGB", plain, 64 * 48, true},
        {"RGBA", *writePng({rgba.data(), 64, 48, 4, {}}), 1'000'000, true},
        {"libvips' own", saved(".png"), 1'000'000, true},
        {"over the pixel limit", plain, 64 * 48 - 1, false},
        {"grey", *writePng({grey.data(), 64, 48, 1, {}}), 1'000'000, false},
        {"interlaced", saved(".png[interlace]"), 1'000'000, false},
        {"16-bit", saved(".png", VIPS_FORMAT_USHORT), 1'000'000, false},
        {"cut in half", Bytes(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(plain.size() / 2)), 1'000'000,
         false},
        {"a flipped bit", flipped, 1'000'000, false},
        {"bytes after the end", trailing, 1'000'000, false},
        {"JPEG", saved(".jpg"), 1'000'000, false},
        {"empty", {}, 1'000'000, false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(isPlainCompletePng(r.bytes, r.maxPixels), r.plain) << r.name;
}

TEST(PngWriterTest, PlainPngsDecodeToLibvipsPixelsWhateverTheirRowFilters)
{
    ASSERT_TRUE(ImageThumbnailer::startImageLibrary());
    for (const int bands : {3, 4}) {
        const auto pixels = samplePixels(97, 61, bands);
        Image image(vips_image_new_from_memory_copy(pixels.data(), pixels.size(), 97, 61, bands, VIPS_FORMAT_UCHAR));
        image->Type = VIPS_INTERPRETATION_sRGB;
        for (const auto filter : {VIPS_FOREIGN_PNG_FILTER_NONE, VIPS_FOREIGN_PNG_FILTER_SUB, VIPS_FOREIGN_PNG_FILTER_UP,
                                  VIPS_FOREIGN_PNG_FILTER_AVG, VIPS_FOREIGN_PNG_FILTER_PAETH,
                                  VIPS_FOREIGN_PNG_FILTER_ALL}) {
            SCOPED_TRACE(testing::Message() << bands << " bands, filter " << filter);
            void* buf = nullptr;
            std::size_t len = 0;
            ASSERT_EQ(vips_pngsave_buffer(image.get(), &buf, &len, "filter", filter, nullptr), 0);
            const Bytes png(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
            g_free(buf);
            const auto decoded = decodePlainPng(png, 1'000'000);
            ASSERT_TRUE(decoded);
            EXPECT_EQ((std::array{decoded->width, decoded->height, decoded->bands}), (std::array{97, 61, bands}));
            EXPECT_EQ(decoded->pixels, pixels);
        }
    }
    // One with a profile is left to libvips, which keeps it.
    VipsBlob* blob = nullptr;
    ASSERT_EQ(vips_profile_load("srgb", &blob, nullptr), 0);
    std::size_t length = 0;
    const auto* profile = static_cast<const std::uint8_t*>(vips_blob_get(blob, &length));
    const auto rgb = samplePixels(8, 8, 3);
    const auto withProfile = writePng({rgb.data(), 8, 8, 3, {profile, length}});
    vips_area_unref(VIPS_AREA(blob));
    ASSERT_TRUE(withProfile);
    EXPECT_TRUE(isPlainCompletePng(*withProfile, 64));
    EXPECT_FALSE(decodePlainPng(*withProfile, 64));
}

using Chunk = std::pair<const char*, Bytes>;

/// An 8-bit PNG of the colour type written by hand, every CRC right: raw is the rows, each with its
/// filter byte first, stored (not compressed) so that a test can reach any byte; extra chunks go
/// between the header and the image data.
Bytes handMadePng(int width, int height, std::uint8_t colourType, const Bytes& raw, const std::vector<Chunk>& extra = {})
{
    uLongf length = compressBound(static_cast<uLong>(raw.size()));
    Bytes stream(length);
    EXPECT_EQ(compress2(stream.data(), &length, raw.data(), static_cast<uLong>(raw.size()), 0), Z_OK);
    stream.resize(length);
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    auto chunk = [&](const char* type, const Bytes& data) {
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(static_cast<std::uint8_t>(data.size() >> shift));
        const std::size_t at = png.size();
        png.insert(png.end(), type, type + 4);
        png.insert(png.end(), data.begin(), data.end());
        const auto crc = crc32(0, png.data() + at, static_cast<uInt>(png.size() - at));
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(static_cast<std::uint8_t>(crc >> shift));
    };
    Bytes header;
    for (const int side : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            header.push_back(static_cast<std::uint8_t>(side >> shift));
    header.insert(header.end(), {8, colourType, 0, 0, 0});
    chunk("IHDR", header);
    for (const auto& [type, data] : extra)
        chunk(type, data);
    chunk("IDAT", stream);
    chunk("IEND", {});
    return png;
}

/// An RGB PNG of the pixels with its image data stored; badRow, if not negative, gets the unknown
/// filter 9.
Bytes storedPng(const std::vector<std::uint8_t>& pixels, int width, int height, int badRow = -1)
{
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(y == badRow ? 9 : 0);
        raw.insert(raw.end(), pixels.begin() + static_cast<std::ptrdiff_t>(y * rowBytes),
                   pixels.begin() + static_cast<std::ptrdiff_t>((y + 1) * rowBytes));
    }
    return handMadePng(width, height, 2, raw);
}

TEST(PngWriterTest, ATransparentColourKeyMakesItsPixelsTransparentWhateverTheColourType)
{
    ASSERT_TRUE(ImageThumbnailer::startImageLibrary());
    // Two pixels side by side; with tRNS the left one's colour is the transparent one.
    struct Row {
        const char* name;
        std::uint8_t colourType;
        Bytes raw;
        std::vector<Chunk> extra;
        std::uint8_t leftAlpha;
    };
    const Chunk palette{"PLTE", {10, 20, 30, 200, 100, 50}};
    const Row rows[] = {
        {"grey", 0, {0, 10, 200}, {}, 255},
        {"grey, tRNS", 0, {0, 10, 200}, {{"tRNS", {0, 10}}}, 0},
        {"RGB", 2, {0, 10, 20, 30, 200, 100, 50}, {}, 255},
        {"RGB, tRNS", 2, {0, 10, 20, 30, 200, 100, 50}, {{"tRNS", {0, 10, 0, 20, 0, 30}}}, 0},
        {"palette", 3, {0, 0, 1}, {palette}, 255},
        {"palette, tRNS", 3, {0, 0, 1}, {palette, {"tRNS", {0}}}, 0},
        {"grey and alpha", 4, {0, 10, 0, 200, 255}, {}, 0},
        {"RGBA", 6, {0, 10, 20, 30, 0, 200, 100, 50, 255}, {}, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const Bytes png = handMadePng(2, 1, r.colourType, r.raw, r.extra);
        const auto rgba = ImageProcessor::decodeRgba(png);
        ASSERT_TRUE(rgba);
        ASSERT_EQ((std::array{rgba->width, rgba->height, rgba->bands}), (std::array{2, 1, 4}));
        EXPECT_EQ(rgba->pixels[3], r.leftAlpha);
        EXPECT_EQ(rgba->pixels[7], 255);
        const auto thumbnail = ImageThumbnailer::thumbnailPNG(png, 160);
        ASSERT_TRUE(thumbnail);
        const auto shown = decodePlainPng(*thumbnail, 2);
        ASSERT_TRUE(shown);
        ASSERT_EQ(shown->bands, 4);
        EXPECT_EQ(shown->pixels[3], r.leftAlpha);
        // The fast reader takes only what it can give whole.
        if (const auto plain = decodePlainPng(png, 2))
            EXPECT_EQ(plain->bands == 4 ? plain->pixels[3] : 255, r.leftAlpha);
    }
}

TEST(PngWriterTest, AStreamedPngGivesTheSamePixelsAndTakesRowsItCannotReadFromTheFallback)
{
    ASSERT_TRUE(ImageThumbnailer::startImageLibrary());
    const int width = 1000, height = 300;
    const auto pixels = samplePixels(width, height, 3);
    const auto sevens = [] { return PixelBuffer{width, height, 3, Bytes(std::size_t(width) * height * 3, 7)}; };
    const auto none = []() -> std::optional<PixelBuffer> { return std::nullopt; };
    struct Row {
        const char* name;
        Bytes png;
        PngRowStream::Fallback fallback;
        bool whole;     ///< every row readable
        bool fromStart; ///< the first rows are the picture's own
        bool fallsBack; ///< the last readable rows are the fallback's
    };
    const Row rows[] = {
        {"sound", *writePng({pixels.data(), width, height, 3, {}}), none, true, true, false},
        {"sound, stored", storedPng(pixels, width, height), none, true, true, false},
        {"bad filter near the end", storedPng(pixels, width, height, 290), sevens, true, true, true},
        {"bad filter near the end, no fallback", storedPng(pixels, width, height, 290), none, false, true, false},
        {"bad filter in the first row", storedPng(pixels, width, height, 0), sevens, true, false, true},
    };
    const std::size_t rowBytes = std::size_t(width) * 3;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        auto stream = PngRowStream::start(r.png, 1'000'000, r.fallback);
        ASSERT_TRUE(stream);
        EXPECT_EQ((std::array{stream->width(), stream->height(), stream->bands()}), (std::array{width, height, 3}));
        EXPECT_EQ(stream->waitForRows(height), r.whole);
        ASSERT_TRUE(stream->waitForRows(1));
        // The picture's own rows first, then (past a bad one) the fallback's.
        bool fallen = false;
        for (int y = 0; y < height && stream->waitForRows(y + 1); ++y) {
            const auto* row = stream->pixels() + y * rowBytes;
            const bool own = std::memcmp(row, pixels.data() + y * rowBytes, rowBytes) == 0;
            const bool fallback = std::all_of(row, row + rowBytes, [](auto v) { return v == 7; });
            ASSERT_TRUE(own != fallback) << "row " << y;
            ASSERT_FALSE(fallen && own) << "row " << y;
            fallen = fallback;
            if (y == 0) {
                EXPECT_EQ(own, r.fromStart);
            }
        }
        EXPECT_EQ(fallen, r.fallsBack);
    }
    // Not a plain PNG: no stream. One let go half way stops.
    EXPECT_FALSE(PngRowStream::start(toBytes("no"), 1'000'000, none));
    EXPECT_FALSE(PngRowStream::start(storedPng(pixels, width, height), width * height - 1, none));
    const auto large = samplePixels(3000, 2000, 3);
    EXPECT_TRUE(PngRowStream::start(*writePng({large.data(), 3000, 2000, 3, {}}), 10'000'000, none));
}

} // namespace
