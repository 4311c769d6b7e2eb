// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ClipboardMonitor.h"

#include "core/capture/CapturePause.h"
#include "core/capture/ClipboardTypeDetector.h"
#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageLibrary.h"
#include "core/paste/PasteTargets.h"
#include "core/support/Graphemes.h"
#include "core/support/Log.h"
#include "core/support/WorkerPool.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <string_view>

namespace brisa {

/// One accepted change on its way into the history.
struct ClipboardMonitor::Capture {
    std::optional<SourceApp> source;
    std::optional<Uuid> batch;
    /// Set on the main thread once the work below is done.
    bool ready = false;
    // Written by the background job, read on the main thread only after it posted back.
    std::optional<PreparedClip> prepared;
    std::optional<Bytes> toastThumbnail;
    std::optional<Bytes> recognitionImage;
};

namespace {

constexpr std::size_t kPreviewCharacters = 60;
constexpr double kMinPollSeconds = 0.01;

bool startsWithIgnoringCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && ClipboardSnapshot::sameName(s.substr(0, prefix.size()), prefix);
}

// Images are converted to PNG and thumbnailed, and copied files may be image files to read and
// convert: both can take long for large pictures. Text is classified and hashed in no time.
bool needsBackground(const ClipboardSnapshot& snapshot)
{
    for (const auto& [name, bytes] : snapshot.contents)
        if (startsWithIgnoringCase(name, "image/") || ClipboardSnapshot::sameName(name, "text/uri-list")
            || ClipboardSnapshot::sameName(name, "x-special/gnome-copied-files"))
            return true;
    return false;
}

std::string lastPathComponent(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    if (path == "/")
        return "/";
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    // Not std::tolower: its answer depends on the process locale.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<std::string> preview(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    return std::string(leadingCharacters(*text, kPreviewCharacters));
}

} // namespace

ClipboardMonitor::ClipboardMonitor(Clipboard& clipboard, FrontmostApplication* frontmost, Scheduler& scheduler,
                                   Storage& storage, const ImageLibrary& images, WorkerPool& pool)
    : ClipboardMonitor(clipboard, frontmost, scheduler, storage, images,
                       [&pool](std::function<void()> job) { return pool.submit(std::move(job)); })
{
}

ClipboardMonitor::ClipboardMonitor(Clipboard& clipboard, FrontmostApplication* frontmost, Scheduler& scheduler,
                                   Storage& storage, const ImageLibrary& images, Background background)
    : clipboard_(clipboard)
    , frontmost_(frontmost)
    , scheduler_(scheduler)
    , storage_(storage)
    , images_(images)
    , background_(std::move(background))
{
    lastChangeCount_ = clipboard_.changeCount();
}

std::optional<SourceApp> ClipboardMonitor::copyingApp() const
{
    auto app = frontmost_ ? frontmost_->frontmost() : std::nullopt;
    if (app && app->bundleID && equalsIgnoringAsciiCase(*app->bundleID, "brisa"))
        return std::nullopt;
    return app;
}

ClipboardMonitor::~ClipboardMonitor()
{
    if (timer_)
        scheduler_.cancel(*timer_);
    if (readTimer_)
        scheduler_.cancel(*readTimer_);
    if (settleTimer_)
        scheduler_.cancel(*settleTimer_);
}

void ClipboardMonitor::start()
{
    if (timer_ || subscribed_)
        return;
    if (useChangeEvents && clipboard_.notifiesChanges()) {
        // Nothing runs until the platform tells of a change: an idle Brisa never wakes for the clipboard.
        subscribed_ = true;
        clipboard_.setChangeHandler([this, alive = std::weak_ptr<char>(alive_)] {
            if (alive.lock())
                onChangeTold();
        });
        logLine("ClipboardMonitor iniciado (a cada cambio del portapapeles)");
        poll(); // a change between construction and now
        return;
    }
    const double seconds = std::isfinite(pollInterval) && pollInterval >= kMinPollSeconds ? pollInterval : 0.3;
    const auto interval = std::chrono::duration_cast<Duration>(std::chrono::duration<double>(seconds));
    timer_ = scheduler_.repeat(interval, [this] { poll(); });
    logf("ClipboardMonitor iniciado (cada {}s)", seconds);
}

void ClipboardMonitor::poll()
{
    const std::int64_t count = clipboard_.changeCount();
    if (count == lastChangeCount_)
        return;
    if (reading_) {
        // One read at a time: this change is looked at again on the first tick after the read.
        if (scheduler_.now() - readStartedAt_ < kReadTimeout)
            return;
        logLine("Lectura del portapapeles sin respuesta: se abandona");
        reading_ = false;
    }
    lastChangeCount_ = count;

    if (ignoreNextChange) {
        ignoreNextChange = false;
        return;
    }
    if (isPaused()) {
        // Not even read: a pause is for copies the user wants no program to look at.
        logLine("Cambio ignorado (captura en pausa)");
        retain(count, {});
        return;
    }
    // The application in front now is the one that copied; by the time the read answers the user
    // may have switched.
    readSource_ = copyingApp();
    readBlocked_ = isBlocked(readSource_);
    readBatch_.reset();
    if (batches)
        if (auto batch = batches->activeBatch())
            readBatch_ = *batch;

    reading_ = true;
    readStartedAt_ = scheduler_.now();
    const std::uint64_t readId = ++readId_;
    std::weak_ptr<char> alive = alive_;
    if (subscribed_)
        readTimer_ = scheduler_.runAfter(kReadTimeout, [this, alive, readId] {
            if (!alive.lock() || !reading_ || readId != readId_)
                return;
            readTimer_.reset();
            giveUpRead();
        });
    clipboard_.read(&ClipboardTypeDetector::targetsToRead,
                  [this, alive, readId, count](std::optional<ClipboardSnapshot> snapshot) {
                      if (alive.lock())
                          onSnapshot(readId, count, std::move(snapshot));
                  });
}

void ClipboardMonitor::onChangeTold()
{
    if (settleDelay <= Duration::zero()) {
        poll();
        return;
    }
    // Every change of a burst starts the wait again; a held button puts the read off until it is let go.
    if (settleTimer_)
        scheduler_.cancel(*settleTimer_);
    settleTimer_ = scheduler_.runAfter(settleDelay, [this, alive = std::weak_ptr<char>(alive_)] {
        if (!alive.lock())
            return;
        settleTimer_.reset();
        if (clipboard_.selectionInProgress())
            onChangeTold();
        else
            poll();
    });
}

void ClipboardMonitor::giveUpRead()
{
    logLine("Lectura del portapapeles sin respuesta: se abandona");
    reading_ = false;
    poll();
}

void ClipboardMonitor::onSnapshot(std::uint64_t readId, std::int64_t count, std::optional<ClipboardSnapshot> snapshot)
{
    if (!reading_ || readId != readId_)
        return; // an abandoned read answering late
    reading_ = false;
    if (readTimer_) {
        scheduler_.cancel(*readTimer_);
        readTimer_.reset();
    }
    if (snapshot)
        accept(count, std::move(*snapshot));
    else
        retain(count, {});
    // Changes told while the read ran were put off; without ticks, nothing else would look at them.
    if (subscribed_)
        scheduler_.post([this, alive = std::weak_ptr<char>(alive_)] {
            if (alive.lock())
                poll();
        });
}

void ClipboardMonitor::retain(std::int64_t count, std::vector<std::pair<std::string, Bytes>> targets)
{
    if (retainContent)
        clipboard_.retain(count, std::move(targets));
}

void ClipboardMonitor::accept(std::int64_t count, ClipboardSnapshot snapshot)
{
    // The clipboard changed again while it was being read, so what was read may already be the newer
    // content, possibly Brisa's own write: leave it to the next look, which knows what that change is.
    if (clipboard_.changeCount() != count)
        return;

    if (ClipboardTypeDetector::isSensitive(snapshot)) {
        logLine("Cambio ignorado (contenido sensible)");
        retain(count, {});
        return;
    }
    if (isPaused()) {
        logLine("Cambio ignorado (captura en pausa)");
        retain(count, {});
        return;
    }
    // Blocked when the copy was made or now that it has been read: either list is the user's wish.
    if (readBlocked_ || isBlocked(readSource_)) {
        logf("Cambio ignorado (app en lista negra: {})", *readSource_->bundleID);
        retain(count, {});
        return;
    }
    if (retainContent)
        retain(count, targetsToKeep(snapshot));

    auto capture = std::make_shared<Capture>();
    capture->source = readSource_;
    capture->batch = readBatch_;
    const bool wantsRecognition = recognizer != nullptr;
    // Classification and the costly parts of recording; safe on any thread. A failure records
    // nothing for this change, so the clips queued behind it are not held up.
    const auto work = [&images = images_, wantsRecognition](Capture& c, const ClipboardSnapshot& s) {
        try {
            auto detected = ClipboardTypeDetector::detect(s, images);
            if (!detected)
                return;
            if (detected->imageData && wantsRecognition)
                c.recognitionImage = *detected->imageData;
            c.prepared = prepareClip(std::move(*detected), [&images](const Bytes& image) {
                return images.thumbnail(image, ImageThumbnailer::kStoredMaxDimension);
            });
            // The toast's preview is shrunk from the stored 320 thumbnail: the same picture at a
            // fraction of the cost of decoding a large image a second time.
            if (c.prepared->thumbnail)
                c.toastThumbnail = images.thumbnail(*c.prepared->thumbnail, ImageThumbnailer::kToastMaxDimension);
        } catch (const std::exception& e) {
            c.prepared.reset();
            logf("Error preparando el cambio del portapapeles: {}", e.what());
        }
    };

    pending_.push_back(capture);
    if (!needsBackground(snapshot) || !background_) {
        work(*capture, snapshot);
        capture->ready = true;
        drain();
        return;
    }

    std::weak_ptr<char> alive = alive_;
    auto job = [this, alive, capture, snapshot = std::move(snapshot), work, &scheduler = scheduler_]() {
        work(*capture, snapshot);
        scheduler.post([this, alive, capture] {
            if (!alive.lock())
                return;
            capture->ready = true;
            drain();
        });
    };
    if (!background_(std::move(job))) {
        capture->prepared.reset();
        capture->ready = true;
        drain();
    }
}

std::vector<std::pair<std::string, Bytes>> ClipboardMonitor::targetsToKeep(const ClipboardSnapshot& snapshot)
{
    std::vector<std::pair<std::string, Bytes>> kept;
    const auto has = [&](std::string_view name) {
        return std::any_of(kept.begin(), kept.end(), [&](const auto& t) { return ClipboardSnapshot::sameName(t.first, name); });
    };
    const auto keep = [&](const std::string& name, const Bytes& bytes) {
        if (!has(name) && !ClipboardSnapshot::sameName(name, ClipboardTypeDetector::passwordManagerHint))
            kept.emplace_back(name, bytes);
    };
    // The owner's order first: it put what it thinks best first.
    if (snapshot.types)
        for (const auto& name : *snapshot.types)
            if (const auto it = snapshot.contents.find(name); it != snapshot.contents.end())
                keep(it->first, it->second);
    for (const auto& [name, bytes] : snapshot.contents)
        keep(name, bytes);
    // Text was read under one of its names; programs ask for any of them.
    for (const auto name : {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain"})
        if (const Bytes* text = snapshot.data(name)) {
            for (auto& [alias, bytes] : textTargets(toString(*text)))
                keep(alias, bytes);
            break;
        }
    return kept;
}

void ClipboardMonitor::drain()
{
    while (!pending_.empty() && pending_.front()->ready) {
        auto capture = std::move(pending_.front());
        pending_.pop_front();
        finish(*capture);
    }
}

bool ClipboardMonitor::isPaused() const { return capturePause && capturePause->paused(); }

bool ClipboardMonitor::isBlocked(const std::optional<SourceApp>& source) const
{
    if (!source || !source->bundleID)
        return false;
    // Letter case aside: desktop entries name the class as they like (KeePassXC's says
    // "keepassxc" for the class "KeePassXC"), and a list filled from them must still block.
    return std::any_of(blockedBundleIDs.begin(), blockedBundleIDs.end(),
                       [&](const std::string& id) { return equalsIgnoringAsciiCase(id, *source->bundleID); });
}

void ClipboardMonitor::finish(Capture& capture)
{
    if (!capture.prepared)
        return; // nothing usable on the clipboard
    if (isPaused()) {
        // Paused while its picture was being prepared.
        logLine("Cambio ignorado (captura en pausa)");
        return;
    }
    const bool isImage = capture.prepared->detected.imageData.has_value();
    auto outcome = recordClip(storage_, scheduler_, std::move(*capture.prepared), capture.source, capture.batch);
    // A duplicate only moved the newest clip's time; a failed insert left nothing to show or read.
    if (outcome.kind != RecordOutcome::Kind::Inserted)
        return;
    if (toasts)
        toasts->show(toastData(outcome.item, capture.source, std::move(capture.toastThumbnail)));
    if (isImage && recognizer && capture.recognitionImage)
        recognizer->recognizeAsync(outcome.item, std::move(*capture.recognitionImage));
}

ToastData ClipboardMonitor::toastData(const ClipItem& item, const std::optional<SourceApp>& source,
                                      std::optional<Bytes> toastThumbnail)
{
    ToastData data;
    data.sourceApp = source ? source->name : std::nullopt;
    data.drag = ClipDragPayload::from(item);
    const auto& text = item.textContent;
    switch (item.type()) {
    case ClipType::Text:
        data.kind = ToastData::Text{preview(text)};
        break;
    case ClipType::Code:
        data.kind = ToastData::Code{preview(text)};
        break;
    case ClipType::Link:
        data.kind = ToastData::Link{text.value_or("")};
        break;
    case ClipType::Image:
        data.kind = ToastData::Image{std::move(toastThumbnail)};
        break;
    case ClipType::Screenshot:
        data.kind = ToastData::Screenshot{std::move(toastThumbnail)};
        break;
    case ClipType::Color:
        data.kind = ToastData::Color{text.value_or("")};
        break;
    case ClipType::File:
        data.kind = ToastData::File{text ? std::optional<std::string>(lastPathComponent(*text)) : std::nullopt};
        break;
    }
    return data;
}

} // namespace brisa
