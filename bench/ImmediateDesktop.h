// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the paste and expander benchmarks run over: a scheduler that skips the deliberate delays,
// a clipboard that only takes the targets, and keys that are only counted.

#include "core/support/Clock.h"
#include "platform/Clipboard.h"
#include "platform/KeySynthesizer.h"

namespace brisa::bench {

/// Runs delayed work at once: the measured time is everything but the deliberate delays.
class ImmediateScheduler final : public Scheduler {
public:
    TimePoint now() const override { return std::chrono::system_clock::now(); }
    TaskId runAfter(Duration, std::function<void()> fn) override
    {
        fn();
        return 0;
    }
    TaskId repeat(Duration, std::function<void()>) override { return 0; }
    void cancel(TaskId) override {}
    void post(std::function<void()> fn) override { fn(); }
};

/// The clipboard backend takes the targets over; nothing else happens.
struct TakingClipboard final : Clipboard {
    std::int64_t changeCount() const override { return 0; }
    void read(Chooser, ReadDone) override {}
    bool write(Targets targets) override
    {
        written = std::move(targets);
        return true;
    }
    Targets written;
};

/// Counts what would be typed: the paste chords, and every key.
struct CountingKeys final : KeySynthesizer {
    bool available() override { return true; }
    bool sendPaste(PasteChord) override
    {
        ++chords;
        return ++sent > 0;
    }
    bool sendBackSpaces(int count) override { return (sent += count) > 0; }
    bool sendDelimiter(Delimiter) override { return ++sent > 0; }
    bool sendStrokes(const std::vector<KeyStroke>& strokes) override { return (sent += strokes.size()) > 0; }
    std::int64_t chords = 0;
    std::int64_t sent = 0;
};

} // namespace brisa::bench
