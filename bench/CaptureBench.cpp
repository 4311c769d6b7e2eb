// SPDX-License-Identifier: GPL-3.0-or-later
// From a clipboard change to the committed record: Brisa's own work for one copy, without the
// poll wait. The clipboard answers at once; image work runs on the real worker pool and comes
// back through the main-thread queue, as in the app.
#include "core/capture/ClipboardMonitor.h"
#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageLibrary.h"
#include "core/store/Storage.h"
#include "core/support/Log.h"
#include "core/support/WorkerPool.h"
#include "ScratchDir.h"

#include <benchmark/benchmark.h>
#include <vips/vips.h>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <unistd.h>

using namespace brisa;

namespace {

/// A main-thread queue: post() from any thread, runUntil() on the benchmark's thread.
class QueueScheduler final : public Scheduler {
public:
    TimePoint now() const override { return std::chrono::system_clock::now(); }
    TaskId runAfter(Duration, std::function<void()>) override { return 0; }
    TaskId repeat(Duration, std::function<void()>) override { return 0; }
    void cancel(TaskId) override {}
    void post(std::function<void()> fn) override
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(fn));
        ready_.notify_one();
    }
    template <typename Done>
    void runUntil(Done done)
    {
        while (!done()) {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [&] { return !queue_.empty(); });
            auto fn = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            fn();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> queue_;
};

Bytes screenshot4k()
{
    ImageThumbnailer::startImageLibrary();
    VipsImage* xy = nullptr;
    VipsImage* sum = nullptr;
    VipsImage* scaled = nullptr;
    VipsImage* rgb = nullptr;
    vips_xyz(&xy, 3840, 2160, nullptr);
    vips_bandmean(xy, &sum, nullptr);
    vips_linear1(sum, &scaled, 255.0 / 3000, 0.0, "uchar", TRUE, nullptr);
    VipsImage* planes[3] = {scaled, scaled, scaled};
    vips_bandjoin(planes, &rgb, 3, nullptr);
    rgb->Type = VIPS_INTERPRETATION_sRGB;
    void* buf = nullptr;
    std::size_t len = 0;
    vips_pngsave_buffer(rgb, &buf, &len, nullptr);
    Bytes out(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    g_free(buf);
    for (auto* i : {rgb, scaled, sum, xy})
        g_object_unref(i);
    return out;
}

/// A clipboard whose every read answers at once with the snapshot.
struct BenchClipboard final : Clipboard {
    std::int64_t changeCount() const override { return changes; }
    void read(Chooser, ReadDone done) override { done(snapshot); }
    bool write(Targets) override { return false; }
    std::int64_t changes = 0;
    ClipboardSnapshot snapshot;
};

struct Firefox final : FrontmostApplication {
    std::optional<SourceApp> frontmost() override { return SourceApp{"firefox", "Firefox"}; }
};

void copyToRecord(benchmark::State& state, const std::string& target, const std::function<Bytes(int)>& content)
{
    setLogSink([](std::string_view) {});
    const bench::ScratchDir dir;
    QueueScheduler scheduler;
    auto storage = Storage::open(dir.path(), scheduler).storage;
    storage->setHistoryLimit(0);
    WorkerPool pool;
    BenchClipboard clipboard;
    std::int64_t& changes = clipboard.changes;
    ClipboardSnapshot& snapshot = clipboard.snapshot;
    Firefox front;
    ClipboardMonitor monitor(clipboard, &front, scheduler, *storage, linkedImageLibrary(), pool);

    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        snapshot.types = std::vector<std::string>{target};
        snapshot.contents = {{target, content(i++)}};
        const auto before = storage->count();
        ++changes;
        state.ResumeTiming();
        monitor.poll();
        scheduler.runUntil([&] { return storage->count() > before; });
    }
    pool.shutdown(WorkerPool::Pending::Finish);
    setLogSink({});
}

void BM_CopyShortText(benchmark::State& state)
{
    copyToRecord(state, "UTF8_STRING", [](int i) { return toBytes("texto copiado número " + std::to_string(i)); });
}
BENCHMARK(BM_CopyShortText)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Copy4kPng(benchmark::State& state)
{
    static const Bytes png = screenshot4k();
    copyToRecord(state, "image/png", [](int i) {
        Bytes b = png; // a different hash each time, so no copy is a duplicate
        b.push_back(static_cast<std::uint8_t>(i));
        return b;
    });
}
BENCHMARK(BM_Copy4kPng)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

} // namespace
