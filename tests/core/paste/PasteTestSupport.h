// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/paste/PasteService.h"
#include "core/store/Storage.h"
#include "fakes/FakeClipboard.h"
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

/// A paste service over a fake clipboard and a real store in a temporary folder, with every port
/// recording what it was asked, in order, into events.
class PasteFixture : public ::testing::Test {
protected:
    PasteFixture()
    {
        auto opened = Storage::open(home.path(), scheduler);
        storage = std::move(opened.storage);
        paster = std::make_unique<PasteService>(ports(), scheduler, storage->imagesDir());
    }

    PasteService::Ports ports()
    {
        PasteService::Ports p;
        p.ignoreNextChange = [this](bool on) {
            monitorFlag = on;
            events.push_back(on ? "ignore" : "unignore");
            if (forwardIgnore)
                forwardIgnore(on);
        };
        p.write = [this](PasteTargets targets) {
            events.push_back("write");
            return clipboard.write(std::move(targets));
        };
        p.collapsePanel = [this] { events.push_back("collapse"); };
        p.restorePreviousWindow = [this] {
            events.push_back("restore");
            return true;
        };
        p.keyAccess = [this] { return access; };
        p.focusedWindowClass = [this] { return focusedClass; };
        p.mirrorToPrimary = [this] {
            events.push_back("primary");
            return true;
        };
        p.sendPaste = [this](PasteChord chord) {
            events.push_back(std::string(chordName(chord)));
            chordTimes.push_back(scheduler.now());
            return true;
        };
        p.showAlert = [this](const PermissionAlert& alert) {
            events.push_back("alert");
            alerts.push_back(alert);
            return alertAnswer;
        };
        p.openSettings = [this] { events.push_back("settings"); };
        return p;
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
    std::unique_ptr<Storage> storage;
    std::unique_ptr<PasteService> paster;

    std::vector<std::string> events;
    std::vector<TimePoint> chordTimes;
    std::vector<PermissionAlert> alerts;
    bool monitorFlag = false;
    /// Also receives the flag (a test binds it to a real clipboard monitor).
    std::function<void(bool)> forwardIgnore;
    KeyAccess access = KeyAccess::Granted;
    std::optional<std::string> focusedClass = std::string("Gedit");
    int alertAnswer = 1;
};

} // namespace brisa::test
