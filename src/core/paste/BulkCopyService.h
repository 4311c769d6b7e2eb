// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/CaptureLinks.h"
#include "core/capture/ToastData.h"
#include "core/model/ClipItem.h"
#include "core/support/Uuid.h"

#include <functional>
#include <optional>
#include <vector>

namespace brisa {

class PasteService;
class Storage;

/// Bulk copy: while on, every new clip is stamped with the current batch id, and a batch can be
/// pasted back as one block of text in copy order. Off at every start; nothing is kept on disk
/// beyond the clips' batchID.
class BulkCopyService final : public CopyBatch {
public:
    static constexpr const char* kOnMessage = "Bulk Copy activado — copia varias cosas";
    static constexpr const char* kOffMessage = "Bulk Copy desactivado";

    /// storage and paster must outlive the service.
    BulkCopyService(Storage& storage, PasteService& paster) : storage_(storage), paster_(paster) {}

    /// Switches the mode: on opens a fresh batch, off drops the id (stamped clips keep theirs);
    /// shows the status toast and reports the change.
    void toggle();

    bool isActive() const { return isActive_; }
    /// The batch new clips get; nullopt while off.
    const std::optional<Uuid>& currentBatchID() const { return currentBatchID_; }
    /// For the clipboard monitor: nullopt while off, else the current batch id.
    std::optional<std::optional<Uuid>> activeBatch() const override;

    /// The clips of one batch, oldest first (copy order); empty when there are none.
    std::vector<ClipItem> items(const Uuid& batchID);
    /// Writes the texts of the batch's clips, one per line in copy order, as plain text, then pastes.
    /// Clips without text are skipped; a batch without any text does nothing.
    void pasteGroup(const Uuid& batchID);

    /// Shows the status toasts (a text toast without source or drag payload); null: none, the
    /// status goes to the log.
    ToastPresenter* toasts = nullptr;

private:
    Storage& storage_;
    PasteService& paster_;
    bool isActive_ = false;
    std::optional<Uuid> currentBatchID_;
};

} // namespace brisa
