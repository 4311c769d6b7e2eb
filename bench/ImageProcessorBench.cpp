// SPDX-License-Identifier: GPL-3.0-or-later
// The image operations of the panel's cards on a full-HD and a 4K picture: compress, remove the
// background, resize and convert. Targets on the 4K image: resize and convert under 150 ms,
// compress under 2 s, background removal under 1.5 s. Each runs on a photo-like picture (grain
// everywhere, the hardest case for PNG) and on a screenshot-like one (flat areas and text), both
// stored as PNG as every capture is; converting to PNG also starts from a JPEG, as a compressed or
// converted clip would. The grain has a fixed seed, so that runs compare the same pictures (the
// background removal's result and time depend on them). peak_rss_growth_MB is each operation's
// own memory peak above what the process held before it.
#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageProcessor.h"

#include <benchmark/benchmark.h>
#include <vips/vips.h>

#include <sys/resource.h>

#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <tuple>

using namespace brisa;

namespace {

enum Kind { Photo, Screen, PhotoJpeg };

Bytes encode(VipsImage* image, const char* suffix)
{
    void* buf = nullptr;
    std::size_t len = 0;
    if (vips_image_write_to_buffer(image, suffix, &buf, &len, nullptr))
        std::abort();
    Bytes bytes(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    g_free(buf);
    return bytes;
}

/// A photo-like picture of width × height: gradients and waves under grain, with a subject (a
/// shaded disc) in the middle for the background removal to find.
Bytes photo(int width, int height, const char* suffix)
{
    VipsImage *xy = nullptr, *waves = nullptr, *noise = nullptr, *x = nullptr, *y = nullptr;
    vips_xyz(&xy, width, height, nullptr);
    vips_sines(&waves, width, height, "hfreq", 3.0, "vfreq", 2.0, nullptr);
    vips_gaussnoise(&noise, width, height, "sigma", 12.0, "mean", 0.0, "seed", 7, nullptr);
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
    Bytes out = encode(drawn, suffix);
    for (auto* i : {xy, waves, noise, x, y, r, g, b, rgb, grainy, bytes, drawn})
        g_object_unref(i);
    return out;
}

/// A screenshot-like PNG: a light window with a dark side bar, a title bar, rows of text and a
/// column of tinted boxes.
Bytes screen(int width, int height)
{
    VipsImage *black = nullptr, *light = nullptr;
    vips_black(&black, width, height, "bands", 3, nullptr);
    vips_linear1(black, &light, 1.0, 240.0, "uchar", TRUE, nullptr);
    VipsImage* canvas = nullptr;
    vips_copy(light, &canvas, nullptr);
    vips_image_wio_input(canvas);
    double bar[3] = {40, 44, 52}, title[3] = {60, 120, 200};
    vips_draw_rect(canvas, bar, 3, 0, 0, width / 6, height, "fill", TRUE, nullptr);
    vips_draw_rect(canvas, title, 3, 0, 0, width, height / 27, "fill", TRUE, nullptr);
    const std::string words = "The quick brown fox jumps over the lazy dog; int main(void) { return 42; } "
                              "Lorem ipsum dolor sit amet";
    const int line = std::max(12, height / 65);
    for (int i = 0; (i + 4) * line < height; ++i) {
        VipsImage* text = nullptr;
        const std::string s = std::to_string(i) + "  " + words.substr(i % 20) + " " + words.substr(0, i % 30);
        if (vips_text(&text, s.c_str(), "dpi", 110 * height / 2160, nullptr) == 0) {
            double ink[3] = {double(i * 7 % 90), double(i * 13 % 90), double(i * 5 % 90)};
            vips_draw_mask(canvas, ink, 3, text, width / 6 + 60, (i + 3) * line, nullptr);
            g_object_unref(text);
        }
        double box[3] = {double(200 - i), double(210 - 2 * i % 100), 230};
        vips_draw_rect(canvas, box, 3, width * 3 / 4, (i + 3) * line, width / 5, line * 4 / 5, "fill", TRUE, nullptr);
    }
    vips_error_clear();
    canvas->Type = VIPS_INTERPRETATION_sRGB;
    Bytes out = encode(canvas, ".png");
    for (auto* i : {black, light, canvas})
        g_object_unref(i);
    return out;
}

const Bytes& sample(int width, int height, int kind)
{
    static std::map<std::tuple<int, int, int>, Bytes> cache;
    auto& bytes = cache[{width, height, kind}];
    if (!bytes.empty())
        return bytes;
    if (!ImageThumbnailer::startImageLibrary())
        std::abort();
    bytes = kind == Screen ? screen(width, height) : photo(width, height, kind == PhotoJpeg ? ".jpg" : ".png");
    return bytes;
}

/// CPU time of the whole process, every thread's: on a loaded machine the wall time says more
/// about the other programs than about the operation, this says how much work it did.
double processCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

/// A line of /proc/self/status in MB ("VmRSS", "VmHWM"); -1 when it cannot be read.
double statusMB(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0)
            return std::stod(line.substr(key.size() + 1)) / 1024.0;
    return -1;
}

/// Starts the high-water mark of the resident set again from the current size (Linux 4.0 and
/// later), so that the peak read afterwards is the operation's own and not the sample making's.
bool resetPeakRss()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

template <typename Op>
void run(benchmark::State& state, Op op)
{
    const auto& png = sample(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                             static_cast<int>(state.range(2)));
    state.SetLabel(state.range(2) == Screen ? "screen" : state.range(2) == PhotoJpeg ? "photo jpeg" : "photo");
    const bool peakReset = resetPeakRss();
    const double rssBefore = statusMB("VmRSS");
    std::size_t outBytes = 0;
    const double cpuBefore = processCpuMs();
    for (auto _ : state) {
        auto out = op(png);
        if (!out)
            state.SkipWithError("the operation gave nothing");
        outBytes = out ? out->size() : 0;
        benchmark::DoNotOptimize(out);
    }
    state.counters["cpu_ms"] = (processCpuMs() - cpuBefore) / static_cast<double>(state.iterations());
    state.counters["out_MB"] = static_cast<double>(outBytes) / 1e6;
    // The resident set's high-water mark while the operation ran, and how far it rose above the
    // resident set before (the samples and libraries); without the reset it would be the process's.
    const double peak = statusMB("VmHWM");
    state.counters["peak_rss_MB"] = peak;
    if (peakReset)
        state.counters["peak_rss_growth_MB"] = peak - rssBefore;
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

#define SIZES                                                                                                  \
    ->Args({1920, 1080, Photo})->Args({3840, 2160, Photo})->Args({3840, 2160, Screen})                                   \
        ->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_RemoveBackground) SIZES;
BENCHMARK(BM_Resize50) SIZES;
BENCHMARK(BM_ConvertPng) SIZES->Args({3840, 2160, PhotoJpeg});
BENCHMARK(BM_ConvertJpeg) SIZES;
BENCHMARK(BM_ConvertTiff) SIZES;
BENCHMARK(BM_Compress) SIZES;
BENCHMARK(BM_CompressJpegFallback) SIZES;

} // namespace
