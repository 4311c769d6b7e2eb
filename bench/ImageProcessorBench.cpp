// SPDX-License-Identifier: GPL-3.0-or-later
// The image operations of the panel's cards on a full-HD and a 4K picture: compress, remove the
// background, resize and convert. Targets on the 4K image: resize and convert under 150 ms,
// compress under 2 s, background removal under 1.5 s.
#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageProcessor.h"

#include <benchmark/benchmark.h>
#include <vips/vips.h>

#include <sys/resource.h>

#include <cstdlib>
#include <map>

using namespace brisa;

namespace {

/// A photo-like PNG of width × height: gradients and waves under grain, with a subject (a shaded
/// disc) in the middle for the background removal to find.
const Bytes& photo(int width, int height)
{
    static std::map<std::pair<int, int>, Bytes> cache;
    auto& png = cache[{width, height}];
    if (!png.empty())
        return png;
    if (!ImageThumbnailer::startImageLibrary())
        std::abort();
    VipsImage *xy = nullptr, *waves = nullptr, *noise = nullptr, *x = nullptr, *y = nullptr;
    vips_xyz(&xy, width, height, nullptr);
    vips_sines(&waves, width, height, "hfreq", 3.0, "vfreq", 2.0, nullptr);
    vips_gaussnoise(&noise, width, height, "sigma", 12.0, "mean", 0.0, nullptr);
    vips_extract_band(xy, &x, 0, nullptr);
    vips_extract_band(xy, &y, 1, nullptr);
    VipsImage *r = nullptr, *g = nullptr, *b = nullptr, *rgb = nullptr, *grainy = nullptr, *bytes = nullptr;
    vips_linear1(x, &r, 120.0 / width, 60.0, nullptr);
    vips_linear1(y, &g, 120.0 / height, 80.0, nullptr);
    vips_linear1(waves, &b, 40.0, 150.0, nullptr);
    VipsImage* planes[3] = {r, g, b};
    vips_bandjoin(planes, &rgb, 3, nullptr);
    vips_add(rgb, noise, &grainy, nullptr);
    vips_cast_uchar(grainy, &bytes, nullptr);
    VipsImage* drawn = nullptr;
    vips_copy(bytes, &drawn, nullptr);
    vips_image_wio_input(drawn);
    double red[3] = {220, 50, 40};
    vips_draw_circle(drawn, red, 3, width / 2, height / 2, height / 3, "fill", TRUE, nullptr);
    drawn->Type = VIPS_INTERPRETATION_sRGB;
    void* buf = nullptr;
    std::size_t len = 0;
    if (vips_pngsave_buffer(drawn, &buf, &len, nullptr))
        std::abort();
    png.assign(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    g_free(buf);
    for (auto* i : {xy, waves, noise, x, y, r, g, b, rgb, grainy, bytes, drawn})
        g_object_unref(i);
    return png;
}

double peakRssMB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

template <typename Op>
void run(benchmark::State& state, Op op)
{
    const auto& png = photo(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const double rssBefore = peakRssMB();
    std::size_t outBytes = 0;
    for (auto _ : state) {
        auto out = op(png);
        if (!out)
            state.SkipWithError("the operation gave nothing");
        outBytes = out ? out->size() : 0;
        benchmark::DoNotOptimize(out);
    }
    state.counters["out_MB"] = static_cast<double>(outBytes) / 1e6;
    // The process's peak: run this benchmark alone (--benchmark_filter) for the operation's own.
    state.counters["peak_rss_MB"] = peakRssMB();
    state.counters["peak_rss_growth_MB"] = peakRssMB() - rssBefore;
}

void BM_Compress(benchmark::State& state)
{
    run(state, [](const Bytes& png) -> std::optional<Bytes> {
        auto out = ImageProcessor::compress(png, ImageProcessor::kCompressQuality);
        return out ? std::optional<Bytes>(std::move(out->first)) : std::nullopt;
    });
}
void BM_CompressJpegFallback(benchmark::State& state)
{
    ImageProcessor::setHeicAllowed(false);
    BM_Compress(state);
    ImageProcessor::setHeicAllowed(true);
}
void BM_RemoveBackground(benchmark::State& state)
{
    run(state, [](const Bytes& png) { return ImageProcessor::removeBackground(png); });
}
void BM_Resize50(benchmark::State& state)
{
    run(state, [](const Bytes& png) { return ImageProcessor::resize(png, 0.5); });
}
void BM_ConvertPng(benchmark::State& state)
{
    run(state, [](const Bytes& png) { return ImageProcessor::convert(png, ImageFileFormat::Png); });
}
void BM_ConvertJpeg(benchmark::State& state)
{
    run(state, [](const Bytes& png) { return ImageProcessor::convert(png, ImageFileFormat::Jpeg); });
}
void BM_ConvertTiff(benchmark::State& state)
{
    run(state, [](const Bytes& png) { return ImageProcessor::convert(png, ImageFileFormat::Tiff); });
}

#define SIZES ->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_RemoveBackground) SIZES;
BENCHMARK(BM_Resize50) SIZES;
BENCHMARK(BM_ConvertPng) SIZES;
BENCHMARK(BM_ConvertJpeg) SIZES;
BENCHMARK(BM_ConvertTiff) SIZES;
BENCHMARK(BM_Compress) SIZES;
BENCHMARK(BM_CompressJpegFallback) SIZES;

} // namespace
