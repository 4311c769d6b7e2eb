// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/CaptureLinks.h"
#include "core/capture/ClipRecorder.h"
#include "core/capture/ClipboardSnapshot.h"
#include "core/capture/ToastData.h"
#include "core/support/Clock.h"
#include "core/support/Uuid.h"
#include "platform/Clipboard.h"
#include "platform/FrontmostApplication.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace brisa {

class CapturePause;
class ImageLibrary;
class Storage;
class WorkerPool;

/// The capture pipeline of the clipboard: looks at the change counter when the platform tells of a
/// change (or every 0.3 s where it cannot), skips Brisa's own writes, sensitive content and blocked
/// applications, classifies the change and records it, then shows a toast and starts text
/// recognition for images.
///
/// Runs on the main thread. Reads are asynchronous and never overlap: a change seen while a read is
/// in flight is looked at again once that read ends. Image changes are classified and thumbnailed
/// in the background; clips are still recorded in the order they were copied.
class ClipboardMonitor final : public CaptureSkip {
public:
    /// Runs a job off the main thread; false when it cannot (the job is then dropped).
    using Background = std::function<bool(std::function<void()>)>;

    /// A read that has not answered after this long is given up, so a lost answer cannot stop capture.
    static constexpr Duration kReadTimeout{10'000};

    /// Primes lastChangeCount from the clipboard: content already there is never captured.
    /// frontmost names the source of each copy (null: none). All must outlive the monitor, and
    /// scheduler, storage, images and pool every job it submitted. images classifies, decodes and
    /// thumbnails what is copied.
    ClipboardMonitor(Clipboard& clipboard, FrontmostApplication* frontmost, Scheduler& scheduler, Storage& storage,
                     const ImageLibrary& images, WorkerPool& pool);
    /// As above, with the background work handed to background (tests run it inline or by hand).
    ClipboardMonitor(Clipboard& clipboard, FrontmostApplication* frontmost, Scheduler& scheduler, Storage& storage,
                     const ImageLibrary& images, Background background);
    ~ClipboardMonitor() override;
    ClipboardMonitor(const ClipboardMonitor&) = delete;
    ClipboardMonitor& operator=(const ClipboardMonitor&) = delete;

    /// Subscribes to change events where the clipboard tells of them (and useChangeEvents), or
    /// starts polling every pollInterval, and logs which; a second call does nothing.
    void start();
    /// One look: at the counter, starting a read when it moved. Change events and ticks call it.
    void poll();
    /// True when started on change events rather than a poll timer.
    bool onChangeEvents() const { return subscribed_; }

    /// What a change's owner offered that Brisa can offer in its place: the targets read (the
    /// password manager's hint left out) and, for text, the usual other names of text.
    static std::vector<std::pair<std::string, Bytes>> targetsToKeep(const ClipboardSnapshot& snapshot);

    /// The last change counter seen.
    std::int64_t lastChangeCount() const { return lastChangeCount_; }
    /// True while a read is in flight.
    bool isReading() const { return reading_; }
    /// Changes read and accepted but not recorded yet (waiting for their background work or their turn).
    std::size_t pendingCount() const { return pending_.size(); }

    /// Set by every code path that writes the clipboard itself, right before it writes: the next
    /// change is skipped and the flag cleared.
    bool ignoreNextChange = false;
    void skipNextChange(bool skip) override { ignoreNextChange = skip; }
    /// Identifiers (the class of WM_CLASS) of applications whose copies are ignored, compared
    /// without regard to ASCII letter case; replaced whole by the settings.
    std::set<std::string> blockedBundleIDs;
    /// Poll period in seconds; read by start().
    double pollInterval = 0.3;
    /// False: polls even a clipboard that tells of its changes (for comparisons); read by start().
    bool useChangeEvents = true;
    /// Hands each change's content back to the clipboard to offer once its owner quits; off for
    /// the mouse selection, which nobody expects to outlive its owner.
    bool retainContent = true;
    /// With change events: a change is read only once no other came for this long and no drag is in
    /// progress (0: at once). For the mouse selection, which changes with every pointer move of a drag.
    Duration settleDelay{0};

    /// Shows the toast of a new clip; null: none.
    ToastPresenter* toasts = nullptr;
    /// Recognises the text of a new image clip; null: none.
    TextRecognizer* recognizer = nullptr;
    /// Bulk copy's batch, stamped on new clips; null: none.
    const CopyBatch* batches = nullptr;
    /// While it says paused, changes are passed over unread and nothing is recorded; null: never paused.
    const CapturePause* capturePause = nullptr;

    /// The application in front as the source of a copy; nullopt when unknown or when it is Brisa
    /// itself (its panel or a toast in front says nothing about who copied: a program without a
    /// window, a script or xclip, did).
    std::optional<SourceApp> copyingApp() const;

    /// The toast for a new record: kind and payload from the record's kind and text, the toast
    /// thumbnail made from the image (160), the source's name and the record's drag payload.
    static ToastData toastData(const ClipItem& item, const std::optional<SourceApp>& source,
                               std::optional<Bytes> toastThumbnail);

private:
    struct Capture;

    void onSnapshot(std::uint64_t readId, std::int64_t count, std::optional<ClipboardSnapshot> snapshot);
    void accept(std::int64_t count, ClipboardSnapshot snapshot);
    void giveUpRead();
    void onChangeTold();
    void retain(std::int64_t count, std::vector<std::pair<std::string, Bytes>> targets);
    void drain();
    void finish(Capture& capture);
    bool isPaused() const;
    bool isBlocked(const std::optional<SourceApp>& source) const;

    Clipboard& clipboard_;
    FrontmostApplication* frontmost_;
    Scheduler& scheduler_;
    Storage& storage_;
    const ImageLibrary& images_;
    Background background_;

    std::int64_t lastChangeCount_ = 0;
    std::optional<Scheduler::TaskId> timer_;
    bool subscribed_ = false;
    /// With change events there is no tick to notice a read that never answers: this one-shot does.
    std::optional<Scheduler::TaskId> readTimer_;
    std::optional<Scheduler::TaskId> settleTimer_;
    bool reading_ = false;
    std::uint64_t readId_ = 0;
    TimePoint readStartedAt_{};
    /// What the poll that started the read saw: the frontmost app and the bulk-copy batch.
    std::optional<SourceApp> readSource_;
    std::optional<Uuid> readBatch_;
    /// Whether that app was blocked then: taking it off the list while its copy is read does not
    /// let that copy in.
    bool readBlocked_ = false;
    /// Accepted changes in copy order.
    std::deque<std::shared_ptr<Capture>> pending_;
    /// Expires with the monitor, so late reads and background results find out it is gone.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace brisa
