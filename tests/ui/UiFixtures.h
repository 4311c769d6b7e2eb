// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/image/ImageClipOperations.h"
#include "core/image/ImageLibrary.h"
#include "core/notch/NotchController.h"
#include "core/paste/BulkCopyService.h"
#include "core/paste/PasteService.h"
#include "core/settings/AppSettings.h"
#include "core/settings/UserDefaults.h"
#include "core/store/Storage.h"
#include "core/stores/SpaceStore.h"
#include "core/support/WorkerPool.h"
#include "fakes/FakeScreens.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"
#include "ui/NotchPanelViewModel.h"

#include <gtest/gtest.h>

#include <memory>

namespace brisa::test {

/// A history in a fresh folder on a virtual clock, for the tests that show or read clips. The
/// test creates its application (QGuiApplication or QApplication) first.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto opened = Storage::open(home.path(), clock);
        ASSERT_NE(opened.storage, nullptr) << opened.error;
        store = std::move(opened.storage);
    }

    /// Stores a text clip made at, or fails the test.
    void addText(const std::string& text, TimePoint at)
    {
        ClipItem item = makeClipItem({.textContent = text, .byteSize = static_cast<std::int64_t>(text.size())}, clock);
        item.createdAt = at;
        ASSERT_TRUE(store->insert(item));
    }

    TempDir home;
    VirtualScheduler clock;
    LogCapture log;
    std::unique_ptr<Storage> store;
};

/// The open panel's view model over that history, with the services it acts through (none of
/// them reaching a window system).
class PanelTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        if (HasFatalFailure())
            return;
        paster = std::make_unique<PasteService>(PasteService::Desktop{}, clock, home.path(), linkedImageLibrary());
        bulk = std::make_unique<BulkCopyService>(*store, *paster);
        notch = std::make_unique<NotchController>(NotchController::Desktop{screens}, clock, settings);
        images = std::make_unique<ImageClipOperations>(*store, clock, pool, linkedImageLibrary(), nullptr);
        panel = std::make_unique<NotchPanelViewModel>(
            NotchPanelViewModel::Services{*notch, *paster, *store, *bulk, settings, spaces, clock, images.get()});
    }

    UserDefaults defaults;
    AppSettings settings{defaults};
    SpaceStore spaces{defaults};
    std::unique_ptr<PasteService> paster;
    std::unique_ptr<BulkCopyService> bulk;
    FakeScreens screens;
    std::unique_ptr<NotchController> notch;
    WorkerPool pool{1};
    std::unique_ptr<ImageClipOperations> images;
    std::unique_ptr<NotchPanelViewModel> panel;
};

} // namespace brisa::test
