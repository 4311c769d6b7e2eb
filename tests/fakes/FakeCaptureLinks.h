// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/CaptureLinks.h"

#include <utility>
#include <vector>

namespace brisa::test {

/// Keeps every toast shown, in order.
struct FakeToasts final : ToastPresenter {
    void show(ToastData data) override { shown.push_back(std::move(data)); }
    std::vector<ToastData> shown;
};

/// Keeps every clip handed over for text recognition, with its image.
struct FakeTextRecognizer final : TextRecognizer {
    void recognizeAsync(const ClipItem& item, Bytes imageData) override { asked.emplace_back(item.id, std::move(imageData)); }
    std::vector<std::pair<Uuid, Bytes>> asked;
};

/// A bulk-copy batch the test sets by hand.
struct FakeCopyBatch final : CopyBatch {
    std::optional<std::optional<Uuid>> activeBatch() const override { return batch; }
    std::optional<std::optional<Uuid>> batch;
};

} // namespace brisa::test
