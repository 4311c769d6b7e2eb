// SPDX-License-Identifier: GPL-3.0-or-later
// Fills a Brisa store with a large synthetic history, for measuring the app against it.
// Usage: make_history [COUNT] [DATA_HOME]   (defaults: 100000 clips under $XDG_DATA_HOME)
#include "core/capture/ImageThumbnailer.h"
#include "core/store/Storage.h"
#include "core/support/Clock.h"
#include "core/support/Log.h"
#include "core/support/XdgPaths.h"
#include "SyntheticHistory.h"

#include <vips/vips.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

using namespace brisa;

namespace {

constexpr std::size_t kDefaultCount = 100'000;
constexpr std::size_t kMaxCount = 10'000'000;

/// A 320 × 200 PNG of coloured waves, different for each seed: decoding it costs what a real
/// thumbnail does, unlike a flat colour.
std::optional<Bytes> wavesPng(int seed)
{
    constexpr int w = 320;
    constexpr int h = 200;
    VipsImage* bands[3] = {};
    bool ok = true;
    for (int b = 0; b < 3 && ok; ++b) {
        VipsImage* sines = nullptr;
        VipsImage* scaled = nullptr;
        ok = vips_sines(&sines, w, h, "hfreq", 0.5 + (seed * 3 + b) % 7, "vfreq", 0.5 + (seed + 2 * b) % 5,
                        nullptr) == 0 &&
             vips_linear1(sines, &scaled, 127.0, 128.0, "uchar", TRUE, nullptr) == 0;
        bands[b] = scaled;
        if (sines)
            g_object_unref(sines);
    }
    VipsImage* rgb = nullptr;
    void* buffer = nullptr;
    std::size_t length = 0;
    ok = ok && vips_bandjoin(bands, &rgb, 3, nullptr) == 0 &&
         vips_pngsave_buffer(rgb, &buffer, &length, nullptr) == 0;
    for (auto* band : bands)
        if (band)
            g_object_unref(band);
    if (rgb)
        g_object_unref(rgb);
    if (!ok) {
        g_free(buffer);
        return std::nullopt;
    }
    Bytes png(static_cast<const std::uint8_t*>(buffer), static_cast<const std::uint8_t*>(buffer) + length);
    g_free(buffer);
    return png;
}

std::optional<std::size_t> parseCount(const char* text)
{
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (end == text || *end != '\0' || text[0] == '-' || value == 0 || value > kMaxCount)
        return std::nullopt;
    return static_cast<std::size_t>(value);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 3) {
        std::fprintf(stderr, "uso: make_history [N] [DIRECTORIO_DE_DATOS]\n");
        return 2;
    }
    std::size_t count = kDefaultCount;
    if (argc >= 2) {
        const auto parsed = parseCount(argv[1]);
        if (!parsed) {
            std::fprintf(stderr, "make_history: número de clips no válido: %s (1 a %zu)\n", argv[1], kMaxCount);
            return 2;
        }
        count = *parsed;
    }
    const std::filesystem::path dataHome = argc >= 3 ? std::filesystem::path(argv[2]) : xdgDataHome();

    if (!ImageThumbnailer::startImageLibrary())
        return 1;
    std::vector<Bytes> thumbnails;
    for (int seed = 0; seed < 12; ++seed) {
        auto png = wavesPng(seed);
        if (!png) {
            std::fprintf(stderr, "make_history: no se pudo dibujar una miniatura: %s\n", vips_error_buffer());
            return 1;
        }
        thumbnails.push_back(std::move(*png));
    }

    setLogSink([](std::string_view) {});
    SystemClock clock;
    auto opened = Storage::open(dataHome, clock);
    if (!opened.storage) {
        std::fprintf(stderr, "make_history: %s\n", opened.error.c_str());
        return 1;
    }
    Storage& store = *opened.storage;

    auto history = synthetic::makeHistory(count);
    // The synthetic times are fixed; moved so that the newest clip is from a minute ago, or the
    // retention rules of the app would see a history from long ago.
    const auto shift = (clock.now() - std::chrono::minutes(1)) - history.front().createdAt;
    std::size_t images = 0;
    for (std::size_t i = 0; i < history.size(); ++i) {
        ClipItem& item = history[i];
        item.id = Uuid::random();
        item.createdAt += std::chrono::duration_cast<TimePoint::duration>(shift);
        if (item.type() == ClipType::Image || item.type() == ClipType::Screenshot) {
            // Only the thumbnail: the panel never reads the full image, and 20,000 files would
            // make the history slow to write and remove.
            item.imageFileName = store.newImageFileName();
            item.thumbnailData = thumbnails[i % thumbnails.size()];
            item.byteSize = 1'500'000;
            ++images;
        } else {
            item.byteSize = static_cast<std::int64_t>(item.textContent.value_or("").size());
        }
    }
    // In transactions of a few thousand clips: one a clip took minutes on a busy disk. No history
    // limit meanwhile, or each batch would be cut to the app's default.
    store.setHistoryLimit(0);
    constexpr std::size_t kBatch = 5000;
    for (std::size_t at = 0; at < history.size(); at += kBatch) {
        const auto n = std::min(kBatch, history.size() - at);
        const auto outcome = store.insertBatch(std::span<const ClipItem>(history).subspan(at, n));
        if (!outcome.ok || outcome.inserted != n) {
            std::fprintf(stderr, "make_history: no se pudo guardar el lote desde el clip %zu\n", at);
            return 1;
        }
    }
    std::printf("make_history: %zu clips (%zu con miniatura) en %s\n", history.size(), images,
                store.dataDir().string().c_str());
    return 0;
}
