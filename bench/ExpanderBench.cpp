// SPDX-License-Identifier: GPL-3.0-or-later
// The text expander's cost per key the user types, and from the delimiter that completes a shortcut
// to the last key Brisa types for it (the 30 ms and 0.12 s delays skipped by this scheduler). The
// X server's side is not part of it; reading the key code with a layout is (XkbKeyReader).
#include "core/expander/TextExpander.h"
#include "core/image/ImageLibrary.h"
#include "core/stores/TextSnippetStore.h"
#include "core/support/Log.h"
#include "platform/x11/XkbKeyReader.h"

#include "ImmediateDesktop.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace brisa;
using brisa::bench::CountingKeys;
using brisa::bench::ImmediateScheduler;
using brisa::bench::TakingClipboard;

namespace {

struct NoWatcher final : KeyWatcher {
    void setHandlers(Handlers) override {}
};

struct Fixture {
    Fixture()
    {
        setLogSink([](std::string_view) {});
        // A user with a good number of snippets.
        for (int i = 0; i < 100; ++i)
            store.add(";s" + std::to_string(i), "Texto del snippet número " + std::to_string(i));
        store.add(";firma", "Un saludo,\nAna");
        paster.capture = nullptr;
        expander.start();
    }
    ~Fixture() { setLogSink({}); }

    ImmediateScheduler scheduler;
    TakingClipboard clipboard;
    CountingKeys keys;
    NoWatcher watcher;
    UserDefaults defaults;
    TextSnippetStore store{defaults};
    PasteService paster{{&clipboard, &keys, nullptr}, scheduler, "/nonexistent", linkedImageLibrary()};
    TextExpander expander{{&watcher, &keys, nullptr}, store, paster, scheduler};
};

ObservedKey textKey(std::string text, std::uint32_t code)
{
    return ObservedKey{.kind = ObservedKey::Kind::Text, .text = std::move(text), .code = code};
}

/// A letter going down and up, with the buffer full (60 characters: the oldest one drops).
void BM_ObservedTextKey(benchmark::State& state)
{
    Fixture f;
    for (int i = 0; i < 80; ++i)
        f.expander.observe(textKey("a", 38));
    ObservedKey down = textKey("ñ", 47);
    ObservedKey up = down;
    up.down = false;
    for (auto _ : state) {
        f.expander.observe(down);
        f.expander.observe(up);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ObservedTextKey);

/// The same key read from its code with a Spanish layout first, as the X11 watcher does.
void BM_ObservedKeyWithLayout(benchmark::State& state)
{
    Fixture f;
    XkbKeyReader reader("en_US.UTF-8");
    if (!reader.setLayout("es")) {
        state.SkipWithError("no es layout");
        return;
    }
    for (auto _ : state) {
        f.expander.observe(reader.read(47, true));
        f.expander.observe(reader.read(47, false));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ObservedKeyWithLayout);

/// A space that does not complete a shortcut: the store is searched and the buffer cleared.
void BM_DelimiterWithoutMatch(benchmark::State& state)
{
    Fixture f;
    const ObservedKey space{.kind = ObservedKey::Kind::Delimiter, .text = " ", .code = 65};
    for (auto _ : state) {
        state.PauseTiming();
        for (char c : std::string("palabra"))
            f.expander.observe(textKey(std::string(1, c), 40));
        state.ResumeTiming();
        f.expander.observe(space);
    }
}
BENCHMARK(BM_DelimiterWithoutMatch);

/// From the space after ";firma" to the last key typed for it: match, erase, clipboard write,
/// chord and delimiter.
void BM_DelimiterToLastKey(benchmark::State& state)
{
    Fixture f;
    const ObservedKey space{.kind = ObservedKey::Kind::Delimiter, .text = " ", .code = 65};
    const ObservedKey backSpace{.kind = ObservedKey::Kind::BackSpace, .code = 22};
    ObservedKey chord = textKey("v", 55);
    chord.chord = true;
    for (auto _ : state) {
        state.PauseTiming();
        for (char c : std::string(";firma"))
            f.expander.observe(textKey(std::string(1, c), 40));
        state.ResumeTiming();
        f.expander.observe(space);
        state.PauseTiming();
        // Brisa's own keys coming back, as the server sends them.
        for (int i = 0; i < 7; ++i)
            f.expander.observe(backSpace);
        f.expander.observe(chord);
        f.expander.observe(space);
        state.ResumeTiming();
    }
    if (f.expander.expanding())
        state.SkipWithError("the expansion did not finish");
}
BENCHMARK(BM_DelimiterToLastKey);

} // namespace
