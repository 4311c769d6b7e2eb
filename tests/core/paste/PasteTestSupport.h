// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/image/ImageLibrary.h"
#include "core/model/ClipItem.h"
#include "core/paste/PasteService.h"
#include "core/store/Storage.h"
#include "fakes/FakeClipboard.h"
#include "fakes/FakeWindowActivation.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisa::test {

/// A paste service over a fake clipboard and a real store in a temporary folder, with every
/// collaborator recording what it was asked, in order, into events.
class PasteFixture : public ::testing::Test, protected CaptureSkip, protected PasteOrigin, protected PermissionPrompt,
                     protected KeySynthesizer {
protected:
    PasteFixture()
    {
        auto opened = Storage::open(home.path(), scheduler);
        storage = std::move(opened.storage);
        clipboard.journal = &events;
        windows.activeClass = "Gedit";
        paster = makePaster();
    }

    std::unique_ptr<PasteService> makePaster()
    {
        auto p = std::make_unique<PasteService>(PasteService::Desktop{&clipboard, this, &windows}, scheduler,
                                                storage->imagesDir(), linkedImageLibrary());
        p->capture = this;
        p->origin = this;
        p->prompt = this;
        return p;
    }

    // The monitor's flag, the panel, the alert and the keyboard, as the service sees them.
    void skipNextChange(bool on) override
    {
        monitorFlag = on;
        events.push_back(on ? "ignore" : "unignore");
        if (forwardIgnore)
            forwardIgnore->skipNextChange(on);
    }
    void releaseAndCollapse() override { events.push_back("collapse"); }
    bool restorePreviousWindow() override
    {
        events.push_back("restore");
        return true;
    }
    int ask(const PermissionAlert& alert) override
    {
        events.push_back("alert");
        alerts.push_back(alert);
        return alertAnswer;
    }
    void openSettings() override { events.push_back("settings"); }
    bool available() override { return access == KeyAccess::Granted; }
    bool sendPaste(PasteChord chord) override
    {
        events.push_back(std::string(chordName(chord)));
        chordTimes.push_back(scheduler.now());
        return true;
    }

    /// Stores a clip created `age` seconds before now.
    ClipItem addClip(ClipType type, std::optional<std::string> text, int ageSeconds = 0,
                     std::optional<Uuid> batch = std::nullopt, bool pinned = false)
    {
        ClipItem item = makeClipItem({.type = type, .textContent = std::move(text), .batchID = batch}, scheduler);
        item.createdAt = scheduler.now() - std::chrono::seconds(ageSeconds);
        item.isPinned = pinned;
        EXPECT_TRUE(storage->insert(item));
        return item;
    }

    /// The text on the fake clipboard under "text/plain" (nullopt when that target is absent).
    std::optional<std::string> plainText() const
    {
        for (const auto& [target, data] : clipboard.written())
            if (target == "text/plain")
                return toString(data);
        return std::nullopt;
    }

    /// Number of chords typed so far.
    std::size_t chords() const { return chordTimes.size(); }

    TempDir home;
    VirtualScheduler scheduler;
    LogCapture log;
    FakeClipboard clipboard{scheduler};
    FakeWindowActivation windows;
    std::unique_ptr<Storage> storage;
    std::unique_ptr<PasteService> paster;

    std::vector<std::string> events;
    std::vector<TimePoint> chordTimes;
    std::vector<PermissionAlert> alerts;
    bool monitorFlag = false;
    /// Also receives the flag (a test binds it to a real clipboard monitor).
    CaptureSkip* forwardIgnore = nullptr;
    KeyAccess access = KeyAccess::Granted;
    int alertAnswer = 1;
};

} // namespace brisa::test
