// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/CaptureLinks.h"
#include "core/support/Bytes.h"
#include "core/support/Clock.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

class CapturePause;
class DirectoryWatcher;
class ImageLibrary;
class Storage;
class UserDefaults;
class WorkerPool;

/// Turns every new screenshot file saved into the screenshot folder into a screenshot clip.
/// The platform's folder watcher has scan() called on every change in the folder; files present
/// when start() ran are never imported. Reading and decoding run on the worker pool, the record is
/// inserted on the main thread, in name order within one scan.
class ScreenshotWatcher {
public:
    /// User-defaults key (string) naming the screenshot folder; a leading "~" is the home folder.
    static constexpr std::string_view kLocationKey = "screenshotLocation";
    /// Attempts to read a new file before it is given up (the first one and five retries).
    static constexpr int kAttempts = 6;
    /// Pause between two attempts.
    static constexpr Duration kRetryDelay{400};
    /// Files larger than this are refused: no screenshot is that big.
    static constexpr std::int64_t kMaxFileBytes = 50LL * 1024 * 1024;
    /// sourceAppName of every imported screenshot.
    static constexpr std::string_view kSourceName = "Captura de pantalla";

    /// storage, scheduler and pool must outlive the watcher, and images the pool's jobs; jobs still
    /// running when it goes are dropped when they come back. images reads, converts (refusing an image
    /// whose data ends early, so that a file still being written is tried again) and thumbnails the
    /// files, on the pool's threads.
    ScreenshotWatcher(Storage& storage, Scheduler& scheduler, WorkerPool& pool, const ImageLibrary& images);
    ~ScreenshotWatcher();
    ScreenshotWatcher(const ScreenshotWatcher&) = delete;
    ScreenshotWatcher& operator=(const ScreenshotWatcher&) = delete;

    /// The folder to watch: the kLocationKey setting when set (existence not tested); else
    /// <pictures>/Screenshots with <pictures> from user-dirs.dirs, when it exists; else
    /// home/Pictures/Screenshots when it exists; else the desktop folder of user-dirs.dirs, else
    /// home/Desktop.
    static std::filesystem::path screenshotDirectory(const UserDefaults& defaults, const std::filesystem::path& home,
                                                     const std::filesystem::path& configHome);
    /// screenshotDirectory() for the current user.
    static std::filesystem::path screenshotDirectory(const UserDefaults& defaults);

    /// Takes the inventory of folder, then asks watcher to watch it, scanning on each change, and
    /// logs the outcome; watcher must outlive this watcher's watching. When it fails (or is null)
    /// nothing is watched and scan() does nothing. Returns whether it watches.
    bool start(const std::filesystem::path& folder, DirectoryWatcher* watcher);

    /// Imports the screenshot-like files that appeared since the previous look. Main thread.
    /// removed names entries the folder watch saw go away meanwhile: one that is back under the
    /// same name (a screenshot deleted and saved again) is new, though both looks find the name.
    void scan(const std::set<std::string>& removed = {});

    /// True when the lower-cased name starts with one of the screenshot prefixes.
    static bool isLikelyScreenshot(std::string_view name);
    /// True when the lower-cased extension is one a screenshot may have.
    static bool hasImageExtension(std::string_view name);

    /// While it says paused, new screenshots are passed over for good (not imported after the
    /// pause either); null: never paused.
    const CapturePause* capturePause = nullptr;

    /// Shows each imported screenshot's toast (its thumbnail; dragged, its image file); null: none.
    ToastPresenter* toasts = nullptr;

    /// The folder being watched; nullopt before a successful start().
    const std::optional<std::filesystem::path>& watchedDirectory() const { return watchedDir_; }
    /// True while files are being read or decoded on the pool or wait for it (files waiting for
    /// their next attempt's time are not counted).
    bool busy() const { return inFlight_ || !queue_.empty(); }

    /// One try at one file.
    struct Attempt {
        std::filesystem::path path;
        int attempt = 1; ///< 1 to kAttempts
    };
    /// What the pool made of an attempt.
    struct Outcome;

private:
    void submitNext();
    void finish(std::vector<Attempt> batch, std::vector<Outcome> outcomes);
    void commit(const Attempt& attempt, Outcome& outcome);

    Storage& storage_;
    Scheduler& scheduler_;
    WorkerPool& pool_;
    /// Shared with the jobs on the pool, which may outlive the watcher.
    const ImageLibrary& images_;
    std::optional<std::filesystem::path> watchedDir_;
    std::set<std::string> knownFiles_;
    /// Batches of attempts waiting for the pool; one batch runs at a time so clips keep their order.
    std::deque<std::vector<Attempt>> queue_;
    bool inFlight_ = false;
    std::set<Scheduler::TaskId> retryTasks_;
    /// Jobs and timers hold this weakly: a watcher that is gone is not called back.
    std::shared_ptr<ScreenshotWatcher*> self_;
};

} // namespace brisa
