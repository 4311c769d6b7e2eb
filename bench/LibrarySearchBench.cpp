// SPDX-License-Identifier: GPL-3.0-or-later
// One keystroke of the library's search over a store of 100,000 clips: the count and the first
// screen, as the window asks for them; and the column the search reads, loaded afresh.
// BRISA_BENCH_DATA_HOME names a store made by make_history (with thumbnails) to use instead of
// the synthetic one written here (texts only).
#include "core/clips/ClipLibrary.h"
#include "core/store/Storage.h"
#include "core/support/Log.h"
#include "core/support/WorkerPool.h"
#include "ScratchDir.h"
#include "SyntheticHistory.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

using namespace brisa;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kClips = 100'000;

struct Fixture {
    std::optional<bench::ScratchDir> scratch; ///< none for a store named by the environment
    fs::path home;
    SystemClock clock;
    std::unique_ptr<Storage> storage;

    Fixture()
    {
        setLogSink([](std::string_view) {});
        if (const char* given = std::getenv("BRISA_BENCH_DATA_HOME"); given && *given) {
            home = given;
        } else {
            home = scratch.emplace().path();
        }
        storage = Storage::open(home, clock).storage;
        if (!storage)
            std::abort();
        // Never let the retention rules thin out the history under measurement (or the user's).
        storage->setHistoryLimit(0);
        if (scratch) {
            Storage::BulkWriteScope bulk(*storage);
            auto history = synthetic::makeHistory(kClips);
            for (auto& item : history)
                item.id = Uuid::random();
            storage->insertBatch(history);
        }
    }
    ~Fixture() { storage.reset(); } // before its folder goes
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

/// The window's keystroke: a new filter, its count and its first screen. The column is loaded
/// (and folded, for a word beyond ASCII) before the timing starts, as it is once the window has
/// searched so; firstAccentedKeystroke times the folding.
void keystroke(benchmark::State& state, const std::string& search)
{
    ClipLibrary library(*fixture().storage);
    library.page({.search = search}, 0, 1);
    std::size_t total = 0;
    for (auto _ : state) {
        // A different filter each time, as typing makes: the page cache of one filter is not reused.
        state.PauseTiming();
        library.page({.search = "warm-up that never matches"}, 0, 1);
        state.ResumeTiming();
        const auto page = library.page({.search = search}, 0, ClipLibrary::kScreen);
        total = page.total;
        benchmark::DoNotOptimize(page.clips.data());
    }
    state.counters["found"] = static_cast<double>(total);
}

/// The column read from the store, as after another program's change or in `brisa search`.
void loadColumn(benchmark::State& state)
{
    for (auto _ : state) {
        ClipLibrary library(*fixture().storage);
        benchmark::DoNotOptimize(library.count({.search = "x"}));
    }
}

/// The first keystroke of a word beyond ASCII after the column was read: every text beyond ASCII
/// is folded once, then compared.
void firstAccentedKeystroke(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto library = std::make_unique<ClipLibrary>(*fixture().storage);
        library->page({.search = "x"}, 0, 1);
        state.ResumeTiming();
        const auto page = library->page({.search = "INFORMACIÓN"}, 0, ClipLibrary::kScreen);
        benchmark::DoNotOptimize(page.clips.data());
        state.PauseTiming();
        library.reset();
        state.ResumeTiming();
    }
}

/// `brisa search` without the process around it: a library of its own, one search, every match
/// (or the first limit ones) read out as a line with its id and preview.
void commandLineSearch(benchmark::State& state, const std::string& search, std::size_t limit)
{
    auto line = [](const ClipSummary& c, std::string& out) {
        out += c.id.toString();
        out += textPreview(c.textContent.value_or(""), 60, PreviewStyle::Line);
        out += '\n';
    };
    std::size_t found = 0;
    for (auto _ : state) {
        ClipLibrary library(*fixture().storage);
        const auto lines = library.render({.search = search}, limit ? std::optional(limit) : std::nullopt, line);
        found = lines ? static_cast<std::size_t>(std::count(lines->begin(), lines->end(), '\n')) : 0;
        benchmark::DoNotOptimize(lines);
    }
    state.counters["found"] = static_cast<double>(found);
}

/// A clip captured while the window is open, then the next keystroke: the column follows the
/// change before it searches.
void keystrokeAfterCapture(benchmark::State& state)
{
    auto& storage = *fixture().storage;
    ClipLibrary library(storage);
    library.page({.search = "x"}, 0, 1);
    auto clip = synthetic::makeHistory(1).front();
    std::vector<Uuid> added;
    for (auto _ : state) {
        state.PauseTiming();
        clip.id = Uuid::random();
        added.push_back(clip.id);
        storage.insert(clip);
        state.ResumeTiming();
        const auto page = library.page({.search = "informe"}, 0, ClipLibrary::kScreen);
        benchmark::DoNotOptimize(page.clips.data());
    }
    library.remove(added); // after the timed loop
}

/// The first screen without search text: the indexes alone.
void firstScreenUnfiltered(benchmark::State& state)
{
    ClipLibrary library(*fixture().storage);
    for (auto _ : state) {
        const auto page = library.page({}, 0, ClipLibrary::kScreen);
        benchmark::DoNotOptimize(page.clips.data());
    }
}

/// Stores batch again under new ids, which the library's search has then seen; the ids.
std::vector<Uuid> storeAgain(Storage& storage, ClipLibrary& library, std::vector<ClipItem>& batch)
{
    std::vector<Uuid> ids;
    for (auto& item : batch) {
        item.id = Uuid::random();
        ids.push_back(item.id);
    }
    storage.insertBatch(batch);
    library.page({.search = "x"}, 0, 1);
    return ids;
}

/// The library's bulk "Eliminar" of 5,000 selected clips on top of the large history: one
/// transaction, then the image files, then the search the window shows again. The clips are
/// stored again, untimed, before each run, and the search has seen them.
void bulkDelete(benchmark::State& state)
{
    auto& storage = *fixture().storage;
    ClipLibrary library(storage);
    auto batch = synthetic::makeHistory(5000);
    std::vector<Uuid> ids;
    double deleting = 0;
    double refreshing = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ids = storeAgain(storage, library, batch);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        const auto deleted = library.remove(ids);
        benchmark::DoNotOptimize(deleted);
        const auto t1 = std::chrono::steady_clock::now();
        // The window's refresh after it, with search text.
        const auto page = library.page({.search = "informe"}, 0, ClipLibrary::kScreen);
        benchmark::DoNotOptimize(page.clips.data());
        deleting += std::chrono::duration<double, std::milli>(t1 - t0).count();
        refreshing += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t1).count();
    }
    // Where the time goes: the transaction and the images, then the search shown again.
    state.counters["delete_ms"] = benchmark::Counter(deleting, benchmark::Counter::kAvgIterations);
    state.counters["refresh_ms"] = benchmark::Counter(refreshing, benchmark::Counter::kAvgIterations);
}

/// The main thread of the window, for bulkDeleteElsewhere: what other threads post runs here, each
/// run timed as one step of the main thread. Timers are not needed there.
class StepQueue final : public Scheduler {
public:
    TimePoint now() const override { return std::chrono::system_clock::now(); }
    TaskId runAfter(Duration, std::function<void()>) override { std::abort(); }
    TaskId repeat(Duration, std::function<void()>) override { std::abort(); }
    void cancel(TaskId) override {}
    void post(std::function<void()> fn) override
    {
        {
            const std::lock_guard lock(mutex_);
            posted_.push_back(std::move(fn));
        }
        wake_.notify_one();
    }

    /// Runs fn as one step of the main thread.
    void step(const std::function<void()>& fn)
    {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        longest = std::max(longest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    /// Runs what is posted, a step each, until done holds.
    void runUntil(const bool& done)
    {
        while (!done) {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return !posted_.empty(); });
            auto fn = std::move(posted_.front());
            posted_.pop_front();
            lock.unlock();
            step(fn);
        }
    }

    double longest = 0; ///< ms, of every step so far

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
};

/// bulkDelete as the window runs it: the transaction on a worker thread through a connection of
/// its own, the rows handed over on the main thread, then the search shown again (its fields read
/// again on the worker: the store's data version moved). longest_step_ms is the longest the main
/// thread was held at once (start, hand-over, take-over and page); the time is the whole, until
/// the search shows.
void bulkDeleteElsewhere(benchmark::State& state)
{
    auto& storage = *fixture().storage;
    ClipLibrary library(storage);
    WorkerPool pool(1);
    const ClipLibrary::Elsewhere elsewhere = [&pool](std::function<void()> job) { pool.submit(std::move(job)); };
    StepQueue main;
    auto batch = synthetic::makeHistory(5000);
    std::vector<Uuid> ids;
    double handOver = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ids = storeAgain(storage, library, batch);
        state.ResumeTiming();
        bool shown = false;
        const auto show = [&] {
            const auto page = library.page({.search = "informe"}, 0, ClipLibrary::kScreen);
            benchmark::DoNotOptimize(page.clips.data());
            shown = true;
        };
        main.step([&] {
            library.removeElsewhere(ids, elsewhere, main, [&](std::optional<std::size_t> deleted) {
                benchmark::DoNotOptimize(deleted);
                const auto t0 = std::chrono::steady_clock::now();
                // The window's refresh: a search waits for its fields, read on the worker.
                library.loadAhead(elsewhere, main, show);
                if (!library.loadingAhead())
                    show();
                handOver += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            });
        });
        main.runUntil(shown);
    }
    state.counters["longest_step_ms"] = main.longest;
    state.counters["refresh_start_ms"] = benchmark::Counter(handOver, benchmark::Counter::kAvgIterations);
}

} // namespace

// CPU is the whole process's: a search runs on every core, and the time of one thread would hide
// most of it. Time is wall time.
BENCHMARK(bulkDelete)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(bulkDeleteElsewhere)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_CAPTURE(keystroke, commonWord, "la")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_CAPTURE(keystroke, rareWord, "informe")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_CAPTURE(keystroke, linkWord, "@link foo")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_CAPTURE(keystroke, accentedWord, "INFORMACIÓN")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
// Every clip of the first screen has a thumbnail stored before the fields read after it.
BENCHMARK_CAPTURE(keystroke, screenshots, "@screenshot")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
// Pasted by mistake: a whole page of text as the query.
BENCHMARK_CAPTURE(keystroke, tenThousandCharacters, std::string(10000, 'a'))->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(loadColumn)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(firstAccentedKeystroke)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(keystrokeAfterCapture)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_CAPTURE(commandLineSearch, commonWord, "la", 0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_CAPTURE(commandLineSearch, rareWord, "informe", 0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_CAPTURE(commandLineSearch, linkWord, "@link foo", 0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_CAPTURE(commandLineSearch, commonWordFirst20, "la", 20)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(firstScreenUnfiltered)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
