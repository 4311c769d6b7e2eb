// SPDX-License-Identifier: GPL-3.0-or-later
// The library search over a large history, as it runs on every keystroke.
#include "core/search/ClipFilters.h"
#include "core/search/SearchQuery.h"
#include "SyntheticHistory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace brisa;

namespace {

constexpr std::size_t kClips = 100'000;

using synthetic::Lengths;

const std::vector<ClipItem>& history(Lengths lengths)
{
    if (lengths == Lengths::Uniform) {
        static const auto uniform = synthetic::makeHistory(kClips, Lengths::Uniform);
        return uniform;
    }
    static const auto logUniform = synthetic::makeHistory(kClips, Lengths::LogUniform);
    return logUniform;
}

void librarySearch(benchmark::State& state, const char* query, Lengths lengths)
{
    const auto& clips = history(lengths);
    std::vector<const ClipItem*> pointers;
    for (const auto& item : clips)
        pointers.push_back(&item);
    std::size_t bytes = 0;
    for (const auto& item : clips)
        bytes += item.textContent.value_or("").size() + item.sourceAppName.value_or("").size() +
                 item.ocrText.value_or("").size();
    std::size_t shown = 0;
    for (auto _ : state) {
        auto result = filtered(std::span<const ClipItem* const>(pointers), std::nullopt, query);
        shown = result.size();
        benchmark::DoNotOptimize(result.data());
    }
    state.counters["shown"] = static_cast<double>(shown);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

/// Reference: the time just to read every searched byte once (memchr for a byte that never occurs).
void readAllText(benchmark::State& state, Lengths lengths)
{
    const auto& clips = history(lengths);
    for (auto _ : state) {
        std::size_t found = 0;
        for (const auto& item : clips)
            for (const auto* s : {&item.textContent, &item.sourceAppName, &item.ocrText})
                if (*s && std::memchr((*s)->data(), 1, (*s)->size()))
                    ++found;
        benchmark::DoNotOptimize(found);
    }
}

} // namespace

BENCHMARK_CAPTURE(readAllText, memchr, Lengths::LogUniform)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(librarySearch, plainWord, "informe", Lengths::LogUniform)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(librarySearch, linkFilter, "@link foo", Lengths::LogUniform)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(librarySearch, accentedWord, "INFORMACIÓN", Lengths::LogUniform)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(librarySearch, appFilter, "@firefox", Lengths::LogUniform)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(librarySearch, emptyQuery, "", Lengths::LogUniform)->Unit(benchmark::kMillisecond);
// Every text as likely 2,000 characters long as 20: a heavier history than real ones.
BENCHMARK_CAPTURE(librarySearch, plainWordUniformLengths, "informe", Lengths::Uniform)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(librarySearch, linkFilterUniformLengths, "@link foo", Lengths::Uniform)->Unit(benchmark::kMillisecond);
