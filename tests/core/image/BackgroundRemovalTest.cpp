// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageProcessor.h"
#include "fakes/LogCapture.h"

#include <gtest/gtest.h>
#include <vips/vips.h>

#include <random>
#include <stdexcept>

using namespace brisa;

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    std::vector<bool> truth; ///< inside the subject
};

enum class Background { Flat, Noisy, Uniform };

/// A red disc (radius a third of the height) on a background, with a little noise on the disc too.
Picture disc(int width, int height, Background background)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> wide(40, 220);
    std::uniform_int_distribution<int> jitter(-12, 12);
    Picture p{width, height, {}, {}};
    const double cx = width / 2.0, cy = height / 2.0, r = height / 3.0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool inside = background != Background::Uniform
                                && (x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy) <= r * r;
            p.truth.push_back(inside);
            auto clamp = [](int v) { return std::uint8_t(std::clamp(v, 0, 255)); };
            if (inside)
                p.rgb.insert(p.rgb.end(), {clamp(210 + jitter(random)), clamp(40 + jitter(random)),
                                           clamp(50 + jitter(random))});
            else if (background == Background::Noisy) {
                // Grey-blue texture: every pixel different, as a photo's backdrop.
                const int g = wide(random);
                p.rgb.insert(p.rgb.end(), {clamp(g - 20), clamp(g), clamp(g + 20)});
            } else
                p.rgb.insert(p.rgb.end(), {30, 120, 200});
        }
    return p;
}

Bytes png(const Picture& p)
{
    VipsImage* image = vips_image_new_from_memory_copy(p.rgb.data(), p.rgb.size(), p.width, p.height, 3,
                                                       VIPS_FORMAT_UCHAR);
    image->Type = VIPS_INTERPRETATION_sRGB;
    void* buf = nullptr;
    std::size_t len = 0;
    vips_pngsave_buffer(image, &buf, &len, nullptr);
    g_object_unref(image);
    Bytes out(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    g_free(buf);
    return out;
}

/// Intersection over union of the opaque part (alpha ≥ 128) of the cut-out with the true subject.
double iou(const Bytes& cutOut, const Picture& p)
{
    VipsImage* image = vips_image_new_from_buffer(cutOut.data(), cutOut.size(), "", nullptr);
    EXPECT_TRUE(image);
    EXPECT_EQ(image->Bands, 4);
    EXPECT_EQ(image->Xsize, p.width);
    EXPECT_EQ(image->Ysize, p.height);
    std::size_t length = 0;
    auto* px = static_cast<std::uint8_t*>(vips_image_write_to_memory(image, &length));
    std::size_t both = 0, either = 0;
    for (std::size_t i = 0; i < p.truth.size(); ++i) {
        const bool opaque = px[i * 4 + 3] >= 128;
        both += opaque && p.truth[i];
        either += opaque || p.truth[i];
    }
    g_free(px);
    g_object_unref(image);
    return either ? static_cast<double>(both) / static_cast<double>(either) : 0;
}

class BackgroundRemoval : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ImageThumbnailer::startImageLibrary()); }
};

TEST_F(BackgroundRemoval, FindsADiscOnFlatAndNoisyBackgroundsAtAnySizeAndNothingWithoutOne)
{
    struct Row {
        Background background;
        int width, height;
    };
    // 1200 × 800 goes through the 512 px copy and the soft enlarged mask.
    const Row rows[] = {{Background::Flat, 300, 200}, {Background::Noisy, 300, 200},
                        {Background::Flat, 1200, 800}, {Background::Noisy, 1200, 800}};
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << (r.background == Background::Flat ? "flat " : "noisy ") << r.width);
        const auto picture = disc(r.width, r.height, r.background);
        auto out = ImageProcessor::removeBackground(png(picture));
        ASSERT_TRUE(out);
        EXPECT_GT(iou(*out, picture), 0.9);
    }
    // No subject: nothing, and no log line.
    test::LogCapture log;
    EXPECT_EQ(ImageProcessor::removeBackground(png(disc(300, 200, Background::Uniform))), std::nullopt);
    EXPECT_TRUE(log.lines().empty());
}

/// Stands in for a learned model: returns whatever mask it was given, or throws.
class FixedSegmenter final : public ForegroundSegmenter {
public:
    explicit FixedSegmenter(double share, bool fail = false) : share_(share), fail_(fail) {}
    std::optional<PixelBuffer> segment(const PixelBuffer& rgb) const override
    {
        if (fail_)
            throw std::runtime_error("modelo no disponible");
        PixelBuffer mask{rgb.width, rgb.height, 1, std::vector<std::uint8_t>(rgb.pixels.size() / 3, 0)};
        const auto subject = static_cast<std::size_t>(share_ * static_cast<double>(mask.pixels.size()));
        std::fill_n(mask.pixels.begin(), subject, 255);
        return mask;
    }

private:
    double share_;
    bool fail_;
};

TEST_F(BackgroundRemoval, KeepsOnlyMasksBetweenHalfAPercentAndNinetyEightPercent)
{
    const auto source = png(disc(100, 100, Background::Flat));
    const std::pair<double, bool> rows[] = {{0.0, false}, {0.004, false}, {0.006, true},
                                            {0.5, true},  {0.979, true},  {0.99, false}};
    for (auto [share, kept] : rows)
        EXPECT_EQ(ImageProcessor::removeBackground(source, FixedSegmenter(share)).has_value(), kept) << share;

    test::LogCapture log;
    EXPECT_EQ(ImageProcessor::removeBackground(source, FixedSegmenter(0.5, true)), std::nullopt);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "[Brisa] removeBackground falló: modelo no disponible");
}

/// A picture with transparency of its own, cut with the top half of the (smaller) mask as subject:
/// what was transparent stays so, nothing transparent keeps a colour, the subject keeps its colour.
TEST_F(BackgroundRemoval, KeepsTheOwnTransparencyAndClearsTheColourOfWhatItHides)
{
    const int width = 300, height = 200; // over the segmenter's side: the mask is enlarged
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rgba.insert(rgba.end(), {10, 200, 30, std::uint8_t(x < width / 2 ? 0 : 255)});
    VipsImage* image = vips_image_new_from_memory_copy(rgba.data(), rgba.size(), width, height, 4, VIPS_FORMAT_UCHAR);
    image->Type = VIPS_INTERPRETATION_sRGB;
    void* buf = nullptr;
    std::size_t len = 0;
    ASSERT_EQ(vips_pngsave_buffer(image, &buf, &len, nullptr), 0);
    g_object_unref(image);
    const Bytes source(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    g_free(buf);

    const auto out = ImageProcessor::removeBackground(source, FixedSegmenter(0.5));
    ASSERT_TRUE(out);
    VipsImage* cut = vips_image_new_from_buffer(out->data(), out->size(), "", nullptr);
    ASSERT_TRUE(cut);
    ASSERT_EQ(cut->Bands, 4);
    std::size_t length = 0;
    auto* px = static_cast<std::uint8_t*>(vips_image_write_to_memory(cut, &length));
    g_object_unref(cut);
    ASSERT_EQ(length, rgba.size());
    auto at = [&](int x, int y) { return std::vector<int>(px + (y * width + x) * 4, px + (y * width + x) * 4 + 4); };
    const std::pair<std::pair<int, int>, std::vector<int>> rows[] = {
        {{40, 40}, {0, 0, 0, 0}},       // transparent in the picture
        {{250, 40}, {10, 200, 30, 255}}, // the subject
        {{250, 170}, {0, 0, 0, 0}},     // background
        {{40, 170}, {0, 0, 0, 0}},
    };
    for (const auto& [where, pixel] : rows)
        EXPECT_EQ(at(where.first, where.second), pixel) << where.first << "," << where.second;
    std::size_t hiddenWithColour = 0;
    for (std::size_t i = 0; i < length; i += 4)
        hiddenWithColour += px[i + 3] == 0 && (px[i] || px[i + 1] || px[i + 2]);
    EXPECT_EQ(hiddenWithColour, 0u);
    g_free(px);
}

} // namespace
