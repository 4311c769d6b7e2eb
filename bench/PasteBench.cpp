// SPDX-License-Identifier: GPL-3.0-or-later
// From a quick-paste request to the paste chord being handed to the keyboard port: Brisa's own work
// (history fetch, reading the clip, building the targets, the clipboard hand-off), without the
// 0.12 s delay, which this scheduler skips. The X server's side is not part of it.
#include "core/image/ImageLibrary.h"
#include "core/paste/PasteService.h"
#include "core/paste/QuickPasteService.h"
#include "core/store/Storage.h"
#include "core/support/Log.h"

#include "ImmediateDesktop.h"
#include "ScratchDir.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

using namespace brisa;
using brisa::bench::CountingKeys;
using brisa::bench::ImmediateScheduler;
using brisa::bench::TakingClipboard;

namespace {

struct FirefoxInFront final : WindowActivation {
    bool rememberActiveWindow() override { return true; }
    bool restorePreviousWindow() override { return true; }
    std::optional<std::string> activeWindowClass() override { return "firefox"; }
    std::optional<WindowId> activeWindow() override { return WindowId{1}; }
    bool activate(WindowId) override { return true; }
};

struct Flag final : CaptureSkip {
    void skipNextChange(bool on) override { set = on; }
    bool set = false;
};

/// A store of `count` text clips (plus one image clip of imageBytes at the newest position when
/// imageBytes > 0) in a fresh temporary folder.
struct Fixture {
    explicit Fixture(int count, std::size_t imageBytes = 0)
    {
        setLogSink([](std::string_view) {});
        home = scratch.path();
        storage = std::move(Storage::open(home, scheduler).storage);
        for (int i = 0; i < count; ++i) {
            ClipItem item = makeClipItem({.type = ClipType::Text,
                                          .textContent = "Clip de prueba número " + std::to_string(i),
                                          .byteSize = 24},
                                         scheduler);
            item.createdAt -= std::chrono::seconds(count - i + 1);
            storage->insert(item);
        }
        if (imageBytes > 0) {
            const std::string name = storage->newImageFileName();
            storage->writeImage(name, Bytes(imageBytes, 0x42));
            storage->insert(makeClipItem({.type = ClipType::Image, .imageFileName = name}, scheduler));
        }
        paster = std::make_unique<PasteService>(PasteService::Desktop{&clipboard, &keys, &windows}, scheduler,
                                                storage->imagesDir(), linkedImageLibrary());
        paster->capture = &capture;
        quick = std::make_unique<QuickPasteService>(*storage, *paster);
    }
    ~Fixture()
    {
        quick.reset();
        paster.reset();
        storage.reset();
        setLogSink({});
    }

    ImmediateScheduler scheduler;
    bench::ScratchDir scratch;
    std::filesystem::path home;
    std::unique_ptr<Storage> storage;
    std::unique_ptr<PasteService> paster;
    std::unique_ptr<QuickPasteService> quick;
    TakingClipboard clipboard;
    CountingKeys keys;
    FirefoxInFront windows;
    Flag capture;
};

void BM_QuickPasteText(benchmark::State& state)
{
    Fixture f(100);
    const int slot = static_cast<int>(state.range(0));
    for (auto _ : state)
        f.quick->paste(slot);
    if (f.keys.chords != static_cast<std::int64_t>(state.iterations()))
        state.SkipWithError("a paste typed no chord");
}
BENCHMARK(BM_QuickPasteText)->Arg(0)->Arg(9)->Unit(benchmark::kMicrosecond);

void BM_QuickPasteImage(benchmark::State& state)
{
    Fixture f(100, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        f.quick->paste(0);
    if (f.keys.chords != static_cast<std::int64_t>(state.iterations()))
        state.SkipWithError("a paste typed no chord");
}
// A 4K screenshot is a few megabytes of PNG.
BENCHMARK(BM_QuickPasteImage)->Arg(4 << 20)->Unit(benchmark::kMicrosecond);

} // namespace
