// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/image/ForegroundSegmenter.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>

namespace brisa {
namespace {

/// How far (per channel) a pixel may be from the border's colour and still count as that colour.
constexpr int kColourTolerance = 24;
/// Share of border pixels that must match the border's colour for it to count as uniform.
constexpr double kUniformBorderShare = 0.95;
constexpr int kGrabCutIterations = 2;
/// Below this size on either side there is no subject worth cutting out.
constexpr int kMinSide = 8;

using Rgb = std::array<std::uint8_t, 3>;

Rgb pixelAt(const PixelBuffer& img, int x, int y)
{
    const auto* p = &img.pixels[(static_cast<std::size_t>(y) * img.width + x) * 3];
    return {p[0], p[1], p[2]};
}

bool near(const Rgb& a, const Rgb& b)
{
    for (int c = 0; c < 3; ++c)
        if (std::abs(int(a[c]) - int(b[c])) > kColourTolerance)
            return false;
    return true;
}

template <typename F>
void forEachBorderPixel(int width, int height, F f)
{
    for (int x = 0; x < width; ++x) {
        f(x, 0);
        f(x, height - 1);
    }
    for (int y = 1; y + 1 < height; ++y) {
        f(0, y);
        f(width - 1, y);
    }
}

/// Marks (in reached) every pixel connected to the border through pixels for which passes() holds.
template <typename Passes>
std::vector<std::uint8_t> reachFromBorder(int width, int height, Passes passes)
{
    std::vector<std::uint8_t> reached(static_cast<std::size_t>(width) * height, 0);
    std::deque<std::pair<int, int>> queue;
    auto visit = [&](int x, int y) {
        const std::size_t i = static_cast<std::size_t>(y) * width + x;
        if (reached[i] || !passes(x, y))
            return;
        reached[i] = 1;
        queue.emplace_back(x, y);
    };
    forEachBorderPixel(width, height, visit);
    while (!queue.empty()) {
        const auto [x, y] = queue.front();
        queue.pop_front();
        if (x > 0)
            visit(x - 1, y);
        if (x + 1 < width)
            visit(x + 1, y);
        if (y > 0)
            visit(x, y - 1);
        if (y + 1 < height)
            visit(x, y + 1);
    }
    return reached;
}

/// The border's typical colour (per-channel median) when nearly all of the border has it.
std::optional<Rgb> uniformBorderColour(const PixelBuffer& img)
{
    std::array<std::vector<std::uint8_t>, 3> channels;
    std::vector<Rgb> border;
    forEachBorderPixel(img.width, img.height, [&](int x, int y) {
        border.push_back(pixelAt(img, x, y));
        for (int c = 0; c < 3; ++c)
            channels[c].push_back(border.back()[c]);
    });
    Rgb median{};
    for (int c = 0; c < 3; ++c) {
        auto& v = channels[c];
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        median[c] = v[v.size() / 2];
    }
    const auto matching = std::count_if(border.begin(), border.end(), [&](const Rgb& p) { return near(p, median); });
    if (static_cast<double>(matching) < kUniformBorderShare * static_cast<double>(border.size()))
        return std::nullopt;
    return median;
}

int distance(const Rgb& a, const Rgb& b)
{
    int d = 0;
    for (int c = 0; c < 3; ++c)
        d = std::max(d, std::abs(int(a[c]) - int(b[c])));
    return d;
}

/// Writes the mask of a flood-filled subject. Its outermost pixels are mostly blends of subject
/// and background (anti-aliasing): each gets an opacity by how far its colour is from the
/// background's, against its most distinct neighbour, so no rim of background colour is kept.
void softenEdge(const PixelBuffer& img, const Rgb& background, const std::vector<std::uint8_t>& subject,
                PixelBuffer& mask)
{
    const int w = img.width, h = img.height;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            if (!subject[i]) {
                mask.pixels[i] = 0;
                continue;
            }
            bool edge = false;
            int strongest = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const std::size_t j = static_cast<std::size_t>(ny) * w + nx;
                    if (!subject[j])
                        edge = true;
                    else
                        strongest = std::max(strongest, distance(pixelAt(img, nx, ny), background));
                }
            if (!edge || strongest == 0) {
                mask.pixels[i] = 255;
                continue;
            }
            const int own = distance(pixelAt(img, x, y), background);
            mask.pixels[i] = static_cast<std::uint8_t>(std::clamp(own * 255 / strongest, 0, 255));
        }
}

class GrabCutSegmenter final : public ForegroundSegmenter {
public:
    std::optional<PixelBuffer> segment(const PixelBuffer& rgb) const override
    {
        if (rgb.bands != 3 || rgb.pixels.size() != static_cast<std::size_t>(rgb.width) * rgb.height * 3)
            return std::nullopt;
        PixelBuffer mask{rgb.width, rgb.height, 1,
                         std::vector<std::uint8_t>(static_cast<std::size_t>(rgb.width) * rgb.height, 0)};
        if (rgb.width < kMinSide || rgb.height < kMinSide)
            return mask;

        std::vector<std::uint8_t> subject(mask.pixels.size(), 0);
        if (auto colour = uniformBorderColour(rgb)) {
            // Screenshots, logos and product shots: the background is what the border's colour
            // reaches, and anything it cannot reach (text, inner details) is kept.
            auto background = reachFromBorder(rgb.width, rgb.height,
                                              [&](int x, int y) { return near(pixelAt(rgb, x, y), *colour); });
            for (std::size_t i = 0; i < subject.size(); ++i)
                subject[i] = !background[i];
            softenEdge(rgb, *colour, subject, mask);
            return mask;
        } else {
            cv::Mat image(rgb.height, rgb.width, CV_8UC3, const_cast<std::uint8_t*>(rgb.pixels.data()));
            cv::Mat labels(rgb.height, rgb.width, CV_8UC1, cv::Scalar(cv::GC_PR_FGD));
            const int margin = std::max(1, std::min(rgb.width, rgb.height) / 50);
            labels.rowRange(0, margin).setTo(cv::GC_BGD);
            labels.rowRange(rgb.height - margin, rgb.height).setTo(cv::GC_BGD);
            labels.colRange(0, margin).setTo(cv::GC_BGD);
            labels.colRange(rgb.width - margin, rgb.width).setTo(cv::GC_BGD);
            cv::Mat bgModel, fgModel;
            cv::grabCut(image, labels, cv::Rect(), bgModel, fgModel, kGrabCutIterations, cv::GC_INIT_WITH_MASK);
            // Specks of background that happened to look like the subject go with a small opening.
            cv::Mat fg = (labels == cv::GC_FGD) | (labels == cv::GC_PR_FGD);
            cv::morphologyEx(fg, fg, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_ELLIPSE, {3, 3}));
            // Holes in the subject (letters, eyes, inner details) are background GrabCut could not
            // reach from the border: they stay part of the subject.
            auto background = reachFromBorder(rgb.width, rgb.height, [&](int x, int y) { return !fg.at<std::uint8_t>(y, x); });
            for (std::size_t i = 0; i < subject.size(); ++i)
                subject[i] = !background[i];
        }
        for (std::size_t i = 0; i < subject.size(); ++i)
            mask.pixels[i] = subject[i] ? 255 : 0;
        return mask;
    }
};

} // namespace

std::unique_ptr<ForegroundSegmenter> makeGrabCutSegmenter() { return std::make_unique<GrabCutSegmenter>(); }

} // namespace brisa
