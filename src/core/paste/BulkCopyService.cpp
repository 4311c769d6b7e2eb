// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paste/BulkCopyService.h"

#include "core/paste/PasteService.h"
#include "core/paste/PasteTargets.h"
#include "core/store/Storage.h"
#include "core/support/Log.h"

#include <algorithm>
#include <string>

namespace brisa {

void BulkCopyService::toggle()
{
    isActive_ = !isActive_;
    currentBatchID_ = isActive_ ? std::optional<Uuid>(Uuid::random()) : std::nullopt;
    if (toasts) {
        ToastData toast;
        // A notice, not a text clip: nothing was copied, so "Texto copiado" would be wrong.
        toast.kind = ToastData::Notice{.title = std::string(isActive_ ? kOnMessage : kOffMessage)};
        toasts->show(toast);
    }
    // Until toasts have a window of their own, the status goes to the log as well.
    logLine(isActive_ ? kOnMessage : kOffMessage);
}

std::optional<std::optional<Uuid>> BulkCopyService::activeBatch() const
{
    if (!isActive_)
        return std::nullopt;
    return currentBatchID_;
}

std::vector<ClipItem> BulkCopyService::items(const Uuid& batchID)
{
    // The store has no batch index; a batch is a handful of clips within a history of at most a few
    // thousand, so one pass over the history is cheap enough.
    std::vector<ClipItem> clips;
    for (auto& clip : storage_.fetchAll())
        if (clip.batchID == batchID)
            clips.push_back(std::move(clip));
    std::reverse(clips.begin(), clips.end());
    std::stable_sort(clips.begin(), clips.end(),
                     [](const ClipItem& a, const ClipItem& b) { return a.createdAt < b.createdAt; });
    return clips;
}

void BulkCopyService::pasteGroup(const Uuid& batchID)
{
    std::string block;
    bool any = false;
    for (const auto& clip : items(batchID)) {
        if (!clip.textContent)
            continue;
        if (any)
            block += '\n';
        block += *clip.textContent;
        any = true;
    }
    if (!any)
        return;
    paster_.writeTargets(textTargets(block));
    paster_.pasteFromPasteboard();
}

} // namespace brisa
