// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ScreenshotWatcher.h"

#include "core/capture/CapturePause.h"
#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageLibrary.h"
#include "core/model/ClipItem.h"
#include "core/settings/UserDefaults.h"
#include "core/store/Storage.h"
#include "core/support/Log.h"
#include "core/support/UserDirs.h"
#include "core/support/WorkerPool.h"
#include "core/support/XdgPaths.h"
#include "platform/DirectoryWatcher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

namespace brisa {

namespace fs = std::filesystem;

struct ScreenshotWatcher::Outcome {
    enum class Kind {
        Ready,   ///< png and thumbnails made
        Retry,   ///< not readable or not decodable yet: maybe the file is still being written
        Refused, ///< never will be: not a regular file, or too large
    };
    Kind kind = Kind::Retry;
    std::string reason{};
    Bytes png{};
    std::optional<Bytes> thumbnail{};
    std::optional<Bytes> toastThumbnail{};
};

namespace {

using Outcome = ScreenshotWatcher::Outcome;

constexpr std::array<std::string_view, 4> kPrefixes{"screenshot", "captura", "screen shot", "cleanshot"};
constexpr std::array<std::string_view, 5> kExtensions{"png", "jpg", "jpeg", "heic", "tiff"};
constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

/// ASCII lower case: the prefixes and extensions are ASCII, other bytes of UTF-8 names stay as they are.
std::string lowered(std::string_view s)
{
    std::string out(s);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string extensionOf(std::string_view name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return lowered(name.substr(dot + 1));
}

bool hasPngSignature(const Bytes& bytes)
{
    return bytes.size() >= kPngSignature.size() && std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin());
}

/// True when the PNG's chunks run up to IEND: a file still being written stops short of it.
bool isCompletePng(const Bytes& png)
{
    std::size_t at = kPngSignature.size();
    while (png.size() - at >= 12) { // length, type, (data), CRC
        const std::uint32_t length = (std::uint32_t{png[at]} << 24) | (std::uint32_t{png[at + 1]} << 16)
                                     | (std::uint32_t{png[at + 2]} << 8) | std::uint32_t{png[at + 3]};
        if (length > png.size() - at - 12)
            return false;
        if (std::equal(png.begin() + static_cast<std::ptrdiff_t>(at + 4), png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                       "IEND"))
            return true;
        at += 12 + std::size_t{length};
    }
    return false;
}

std::string errnoText(int error) { return std::error_code(error, std::generic_category()).message(); }

Outcome retry(std::string reason) { return {.kind = Outcome::Kind::Retry, .reason = std::move(reason)}; }
Outcome refuse(std::string reason) { return {.kind = Outcome::Kind::Refused, .reason = std::move(reason)}; }

/// The whole file, refusing what is not a regular file (a FIFO would block the reader forever)
/// and what is larger than the limit.
Outcome readFile(const fs::path& path, Bytes& out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return retry(fmt::format("no se pudo leer: {}", errnoText(errno)));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return retry(fmt::format("no se pudo leer: {}", errnoText(errno)));
    if (!S_ISREG(st.st_mode))
        return refuse("no es un archivo normal");
    const auto tooLarge = [] { return refuse(fmt::format("ocupa más de {} MB", ScreenshotWatcher::kMaxFileBytes >> 20)); };
    if (st.st_size > ScreenshotWatcher::kMaxFileBytes)
        return tooLarge();

    out.clear();
    out.reserve(static_cast<std::size_t>(st.st_size));
    std::array<std::uint8_t, 1 << 16> chunk{};
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return retry(fmt::format("no se pudo leer: {}", errnoText(errno)));
        if (n == 0)
            break;
        // The file may still be growing: the limit holds for what is read, not for what stat said.
        if (static_cast<std::int64_t>(out.size()) + n > ScreenshotWatcher::kMaxFileBytes)
            return tooLarge();
        out.insert(out.end(), chunk.begin(), chunk.begin() + n);
    }
    return {.kind = Outcome::Kind::Ready};
}

/// Everything slow about one attempt: read, check, convert to PNG, thumbnails. Runs on the pool.
Outcome prepare(const fs::path& path, const ImageLibrary& images)
{
    Bytes bytes;
    if (auto read = readFile(path, bytes); read.kind != Outcome::Kind::Ready)
        return read;
    if (bytes.empty())
        return retry("archivo vacío");
    // The header first: it is cheap, and files still being written fail here without a decoder's log line.
    const auto size = images.pixelSize(bytes);
    if (!size)
        return retry("no es una imagen decodificable");
    if (!ImageThumbnailer::isDecodableSize(*size))
        return retry(fmt::format("{} × {} píxeles supera el límite de {} megapíxeles", size->first, size->second,
                                 ImageThumbnailer::kMaxPixels / 1'000'000));

    Outcome out{.kind = Outcome::Kind::Ready};
    // Image bytes in the history are always PNG: a ".png" name is not enough, the bytes must say so.
    if (extensionOf(path.filename().string()) == "png" && hasPngSignature(bytes)) {
        // The decoder fills a truncated PNG with grey instead of failing: check the end is there.
        if (!isCompletePng(bytes))
            return retry("archivo incompleto");
        out.png = std::move(bytes);
    } else if (auto png = images.completeToPng(bytes)) {
        out.png = std::move(*png);
    } else {
        return retry("no se pudo convertir a PNG");
    }
    // A sliver (2000 × 2) has a thumbnail side that rounds to nothing: it is stored without one.
    if (!ImageThumbnailer::thumbnailSize(size->first, size->second, ImageThumbnailer::kStoredMaxDimension))
        return out;
    out.thumbnail = images.thumbnail(out.png, ImageThumbnailer::kStoredMaxDimension);
    if (!out.thumbnail)
        return retry("no es una imagen decodificable");
    out.toastThumbnail = images.thumbnail(*out.thumbnail, ImageThumbnailer::kToastMaxDimension);
    return out;
}

/// The entry names of folder, hidden ones included; nullopt when it cannot be listed.
std::optional<std::set<std::string>> currentFiles(const fs::path& folder)
{
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return std::nullopt;
    std::set<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return std::nullopt;
        names.insert(it->path().filename().string());
    }
    if (ec)
        return std::nullopt;
    return names;
}

fs::path expandTilde(const std::string& path, const fs::path& home)
{
    if (path == "~")
        return home;
    if (path.rfind("~/", 0) == 0)
        return home / path.substr(2);
    return path;
}

bool isDirectory(const fs::path& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

} // namespace

ScreenshotWatcher::ScreenshotWatcher(Storage& storage, Scheduler& scheduler, WorkerPool& pool,
                                     const ImageLibrary& images)
    : storage_(storage)
    , scheduler_(scheduler)
    , pool_(pool)
    , images_(images)
    , self_(std::make_shared<ScreenshotWatcher*>(this))
{
}

ScreenshotWatcher::~ScreenshotWatcher()
{
    for (const auto id : retryTasks_)
        scheduler_.cancel(id);
}

fs::path ScreenshotWatcher::screenshotDirectory(const UserDefaults& defaults, const fs::path& home,
                                                const fs::path& configHome)
{
    if (const auto location = defaults.value(kLocationKey); location && location->is_string()) {
        const auto path = expandTilde(location->get<std::string>(), home);
        // A relative path would depend on where Brisa was started from: not a folder anyone chose.
        if (path.is_absolute())
            return path;
    }
    if (const auto pictures = UserDirs::lookup("XDG_PICTURES_DIR", configHome, home);
        pictures && isDirectory(*pictures / "Screenshots"))
        return *pictures / "Screenshots";
    if (isDirectory(home / "Pictures" / "Screenshots"))
        return home / "Pictures" / "Screenshots";
    if (auto desktop = UserDirs::lookup("XDG_DESKTOP_DIR", configHome, home))
        return *desktop;
    return home / "Desktop";
}

fs::path ScreenshotWatcher::screenshotDirectory(const UserDefaults& defaults)
{
    return screenshotDirectory(defaults, homeDirectory(), xdgConfigHome());
}

bool ScreenshotWatcher::isLikelyScreenshot(std::string_view name)
{
    const auto lower = lowered(name);
    return std::any_of(kPrefixes.begin(), kPrefixes.end(),
                       [&](std::string_view prefix) { return lower.rfind(prefix, 0) == 0; });
}

bool ScreenshotWatcher::hasImageExtension(std::string_view name)
{
    const auto ext = extensionOf(name);
    return std::find(kExtensions.begin(), kExtensions.end(), ext) != kExtensions.end();
}

bool ScreenshotWatcher::start(const fs::path& folder, DirectoryWatcher* watcher)
{
    watchedDir_.reset();
    knownFiles_ = currentFiles(folder).value_or(std::set<std::string>{});
    if (!watcher || !watcher->watch(folder, [this](const std::set<std::string>& removed) { scan(removed); })) {
        logf("ScreenshotWatcher: no se pudo abrir {}", folder.string());
        return false;
    }
    watchedDir_ = folder;
    logf("ScreenshotWatcher vigilando {}", folder.string());
    return true;
}

void ScreenshotWatcher::scan(const std::set<std::string>& removed)
{
    if (!watchedDir_)
        return;
    for (const auto& name : removed)
        knownFiles_.erase(name);
    auto current = currentFiles(*watchedDir_);
    // A failed listing is not an empty folder: forgetting every name would import every old
    // screenshot at the next successful look.
    if (!current)
        return;
    std::vector<Attempt> batch;
    for (const auto& name : *current) // a set: name order, so one scan imports in a stable order
        if (!knownFiles_.count(name) && hasImageExtension(name) && isLikelyScreenshot(name))
            batch.push_back({*watchedDir_ / name, 1});
    // Names that disappeared are forgotten: a file deleted and made again counts as new.
    knownFiles_ = std::move(*current);
    if (batch.empty())
        return;
    if (capturePause && capturePause->paused()) {
        logf("Captura de pantalla ignorada (captura en pausa): {} archivo(s)", batch.size());
        return;
    }
    queue_.push_back(std::move(batch));
    submitNext();
}

void ScreenshotWatcher::submitNext()
{
    if (inFlight_ || queue_.empty())
        return;
    auto batch = std::move(queue_.front());
    queue_.pop_front();
    inFlight_ = true;
    std::weak_ptr<ScreenshotWatcher*> weak = self_;
    const bool queued = pool_.submit([&scheduler = scheduler_, &images = images_, weak, batch]() mutable {
        std::vector<Outcome> outcomes;
        outcomes.reserve(batch.size());
        for (const auto& attempt : batch)
            outcomes.push_back(prepare(attempt.path, images));
        scheduler.post([weak, batch = std::move(batch), outcomes = std::move(outcomes)]() mutable {
            if (const auto self = weak.lock())
                (*self)->finish(std::move(batch), std::move(outcomes));
        });
    });
    if (!queued) {
        // The pool is shutting down with the application: nothing more will be imported.
        inFlight_ = false;
        queue_.clear();
    }
}

void ScreenshotWatcher::finish(std::vector<Attempt> batch, std::vector<Outcome> outcomes)
{
    inFlight_ = false;
    std::vector<Attempt> again;
    for (std::size_t i = 0; i < batch.size() && i < outcomes.size(); ++i) {
        const auto& attempt = batch[i];
        auto& outcome = outcomes[i];
        const auto name = attempt.path.filename().string();
        switch (outcome.kind) {
        case Outcome::Kind::Ready:
            commit(attempt, outcome);
            break;
        case Outcome::Kind::Refused:
            logf("Captura omitida: {} {}", name, outcome.reason);
            break;
        case Outcome::Kind::Retry:
            if (attempt.attempt < kAttempts)
                again.push_back({attempt.path, attempt.attempt + 1});
            else
                logf("Captura omitida tras {} intentos: {} ({})", kAttempts, name, outcome.reason);
            break;
        }
    }
    if (!again.empty()) {
        auto id = std::make_shared<Scheduler::TaskId>(0);
        std::weak_ptr<ScreenshotWatcher*> weak = self_;
        *id = scheduler_.runAfter(kRetryDelay, [weak, id, again = std::move(again)]() mutable {
            const auto self = weak.lock();
            if (!self)
                return;
            auto& watcher = **self;
            watcher.retryTasks_.erase(*id);
            watcher.queue_.push_back(std::move(again));
            watcher.submitNext();
        });
        retryTasks_.insert(*id);
    }
    submitNext();
}

void ScreenshotWatcher::commit(const Attempt& attempt, Outcome& outcome)
{
    if (capturePause && capturePause->paused()) { // paused while the file was being read
        logf("Captura de pantalla ignorada (captura en pausa): {}", attempt.path.filename().string());
        return;
    }
    std::optional<std::string> fileName;
    const auto name = storage_.newImageFileName();
    // As for clipboard images: a record never names a file that was not written (the store logs why).
    if (storage_.writeImage(name, outcome.png))
        fileName = name;

    auto item = makeClipItem(NewClip{.type = ClipType::Screenshot,
                                     .imageFileName = fileName,
                                     .thumbnailData = std::move(outcome.thumbnail),
                                     .sourceAppName = std::string(kSourceName),
                                     .byteSize = static_cast<std::int64_t>(outcome.png.size())},
                             scheduler_);
    if (!storage_.insertCaptured(item)) {
        if (fileName)
            storage_.deleteImage(*fileName);
        return;
    }
    logf("Captura importada: {}", attempt.path.filename().string());
    if (toasts) {
        ToastData data;
        data.kind = ToastData::Screenshot{.thumbnail = std::move(outcome.toastThumbnail)};
        if (fileName)
            data.drag = ClipDragPayload::imageFile(*fileName);
        toasts->show(std::move(data));
    }
}

} // namespace brisa
