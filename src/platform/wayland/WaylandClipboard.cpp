// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandClipboard.h"

#include "core/support/Log.h"
#include "platform/ClipboardTargets.h"
#include "platform/wayland/WaylandConnection.h"

#include <wayland-client.h>

#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>

namespace brisa {

namespace {

/// write(2) to a pipe whose reader may be gone: EPIPE rather than SIGPIPE, whose default ends the
/// process. Only this thread blocks the signal while writing, and takes back the one the write
/// raised; the process's own handling of SIGPIPE stays as it was.
ssize_t writeToPipe(int fd, const void* data, std::size_t count)
{
    sigset_t pipeSignal, previous, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigemptyset(&pending);
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1; // someone else's: left alone
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const ssize_t n = ::write(fd, data, count);
    const int error = errno;
    if (n < 0 && error == EPIPE && !alreadyPending) {
        const timespec now{};
        while (sigtimedwait(&pipeSignal, nullptr, &now) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return n;
}

// Requests of the data-control interfaces, the same numbers in the ext and the wlr protocol.
constexpr std::uint32_t kManagerCreateSource = 0;
constexpr std::uint32_t kManagerGetDevice = 1;
constexpr std::uint32_t kDeviceSetSelection = 0;
constexpr std::uint32_t kDeviceDestroy = 1;
constexpr std::uint32_t kDeviceSetPrimary = 2;
constexpr std::uint32_t kSourceOffer = 0;
constexpr std::uint32_t kSourceDestroy = 1;
constexpr std::uint32_t kOfferReceive = 0;
constexpr std::uint32_t kOfferDestroy = 1;

// A pipe is read (and written) this much at a time, and at most this much per wake-up, so a big
// transfer shares the main thread with everything else.
constexpr std::size_t kChunk = 64 * 1024;
constexpr int kChunksPerWake = 16;

using Steady = std::chrono::steady_clock;

void destroyProxy(wl_proxy* proxy, std::uint32_t opcode)
{
    wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

int millisLeft(Steady::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60000));
}

} // namespace

/// What Brisa offers: the types in order and their bytes.
struct WaylandClipboard::Data {
    std::vector<std::string> types;
    std::vector<Bytes> bytes;
};

/// Another program's offer, with the types it announced.
struct WaylandClipboard::OfferState {
    wl_proxy* proxy = nullptr;
    std::vector<std::string> types;
};

/// One of Brisa's own sources, serving data until the compositor cancels it.
struct WaylandClipboard::SourceState {
    WaylandClipboard* owner = nullptr;
    wl_proxy* proxy = nullptr;
    std::shared_ptr<const Data> data;
    bool primary = false;
};

/// The read in progress: one target after another through a pipe each.
struct WaylandClipboard::Reading {
    Request request;
    std::uint64_t serial = 0;
    ClipboardSnapshot snapshot;
    std::vector<std::string> chosen;
    std::size_t next = 0;
    std::string type;
    int fd = -1;
    Bytes buffer;
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QTimer> idle;
    Steady::time_point deadline;

    void closePipe()
    {
        // This may run inside the notifier's own signal: it goes once that has returned.
        if (notifier) {
            notifier->setEnabled(false);
            notifier.release()->deleteLater();
        }
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        buffer = {};
    }
    ~Reading() { closePipe(); }
};

/// Data going to another program through the pipe it gave.
struct WaylandClipboard::Outgoing {
    int fd = -1;
    std::shared_ptr<const Data> data;
    std::size_t index = 0;
    std::size_t sent = 0;
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QTimer> idle;
    ~Outgoing()
    {
        notifier.reset();
        if (fd >= 0)
            ::close(fd);
    }
};

namespace {

struct DeviceListener {
    void (*dataOffer)(void*, wl_proxy*, wl_proxy*);
    void (*selection)(void*, wl_proxy*, wl_proxy*);
    void (*finished)(void*, wl_proxy*);
    void (*primarySelection)(void*, wl_proxy*, wl_proxy*);
};

struct OfferListener {
    void (*offer)(void*, wl_proxy*, const char*);
};

struct SourceListener {
    void (*send)(void*, wl_proxy*, const char*, std::int32_t);
    void (*cancelled)(void*, wl_proxy*);
};

const DeviceListener kDeviceListener = {
    [](void* self, wl_proxy*, wl_proxy* offer) { static_cast<WaylandClipboard*>(self)->onDataOffer(offer); },
    [](void* self, wl_proxy*, wl_proxy* offer) { static_cast<WaylandClipboard*>(self)->onSelection(offer, false); },
    [](void* self, wl_proxy*) { static_cast<WaylandClipboard*>(self)->onFinished(); },
    [](void* self, wl_proxy*, wl_proxy* offer) { static_cast<WaylandClipboard*>(self)->onSelection(offer, true); },
};

const OfferListener kOfferListener = {
    [](void* data, wl_proxy*, const char* mimeType) {
        auto* offer = static_cast<WaylandClipboard::OfferState*>(data);
        // No real program offers this many; the rest are ignored, as on X11.
        if (mimeType && offer->types.size() < kMaxClipboardTargets
            && std::find(offer->types.begin(), offer->types.end(), mimeType) == offer->types.end())
            offer->types.emplace_back(mimeType);
    },
};

const SourceListener kSourceListener = {
    [](void* data, wl_proxy*, const char* mimeType, std::int32_t fd) {
        auto* source = static_cast<WaylandClipboard::SourceState*>(data);
        source->owner->onSend(source, mimeType, fd);
    },
    [](void* data, wl_proxy*) {
        auto* source = static_cast<WaylandClipboard::SourceState*>(data);
        source->owner->onCancelled(source);
    },
};

void destroyOffer(WaylandClipboard::OfferState* offer)
{
    if (!offer)
        return;
    destroyProxy(offer->proxy, kOfferDestroy);
    delete offer;
}

WaylandClipboard::OfferState* offerOf(wl_proxy* proxy)
{
    return proxy ? static_cast<WaylandClipboard::OfferState*>(wl_proxy_get_user_data(proxy)) : nullptr;
}

} // namespace

std::unique_ptr<WaylandClipboard> WaylandClipboard::create(std::shared_ptr<WaylandConnection> connection,
                                                           Scheduler& scheduler, const Options& options)
{
    if (!connection || !connection->dataControl())
        return nullptr;
    if (options.primary && !connection->dataControlProtocol()->hasPrimary) {
        logLine(LogCategory::Platform, "El compositor no da la selección del ratón a los gestores del portapapeles");
        return nullptr;
    }
    auto clipboard = std::unique_ptr<WaylandClipboard>(new WaylandClipboard(std::move(connection), scheduler, options));
    WaylandConnection& wayland = *clipboard->connection_;
    wl_proxy* manager = wayland.dataControl();
    clipboard->device_ = wl_proxy_marshal_flags(manager, kManagerGetDevice, wayland.dataControlProtocol()->device,
                                                wl_proxy_get_version(manager), 0, nullptr, wayland.seat());
    wl_proxy_add_listener(clipboard->device_,
                          reinterpret_cast<void (**)(void)>(const_cast<DeviceListener*>(&kDeviceListener)),
                          clipboard.get());
    // The device tells the current selection at once: that is where counting starts, not a change.
    if (!wayland.sync(options.timeout)) {
        logLine(LogCategory::Platform, "El compositor Wayland no respondió al abrir el portapapeles");
        return nullptr;
    }
    clipboard->initialised_ = true;
    return clipboard;
}

WaylandClipboard::WaylandClipboard(std::shared_ptr<WaylandConnection> connection, Scheduler& scheduler,
                                   const Options& options)
    : connection_(std::move(connection))
    , scheduler_(scheduler)
    , options_(options)
{
}

WaylandClipboard::~WaylandClipboard()
{
    alive_.reset();
    reading_.reset();
    transfers_.clear();
    for (auto& source : sources_)
        destroyProxy(source->proxy, kSourceDestroy);
    sources_.clear();
    destroyOffer(current_);
    if (device_)
        destroyProxy(device_, kDeviceDestroy);
    connection_->flush();
}

void WaylandClipboard::onDataOffer(wl_proxy* proxy)
{
    auto* offer = new OfferState{proxy, {}};
    wl_proxy_add_listener(proxy, reinterpret_cast<void (**)(void)>(const_cast<OfferListener*>(&kOfferListener)),
                          offer);
}

void WaylandClipboard::onSelection(wl_proxy* proxy, bool primary)
{
    if (primary != options_.primary) {
        destroyOffer(offerOf(proxy)); // the other selection is another clipboard object's business
        return;
    }
    ++selectionSerial_;
    if (reading_) {
        // Data of two owners never mix in one snapshot.
        logLine(LogCategory::Platform, "El portapapeles cambió de dueño durante la lectura");
        finishRead(std::nullopt);
    }
    destroyOffer(current_);
    current_ = offerOf(proxy);
    if (!initialised_)
        return;
    if (!current_) {
        // The program that copied has quit (or cleared the clipboard): offer on what it copied.
        owned_.reset();
        takeOver();
        return;
    }
    if (uncountedTakes_ > 0) {
        --uncountedTakes_;
        return;
    }
    ++changes_;
    retained_.reset();
    notifyChange();
}

void WaylandClipboard::onFinished()
{
    logLine(LogCategory::Platform, "El compositor retiró el acceso al portapapeles");
    if (reading_)
        finishRead(std::nullopt);
    destroyOffer(current_);
    current_ = nullptr;
    destroyProxy(device_, kDeviceDestroy);
    device_ = nullptr;
}

void WaylandClipboard::notifyChange()
{
    if (!changeHandler_ || changePosted_)
        return;
    changePosted_ = true; // a burst of changes costs one task
    scheduler_.post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.expired())
            return;
        changePosted_ = false;
        if (changeHandler_)
            changeHandler_();
    });
}

// Reading --------------------------------------------------------------------------------------

void WaylandClipboard::read(Chooser choose, ReadDone done)
{
    queue_.push_back({std::move(choose), std::move(done)});
    if (!reading_)
        startNextRead();
}

void WaylandClipboard::startNextRead()
{
    while (!reading_ && !queue_.empty()) {
        Request request = std::move(queue_.front());
        queue_.pop_front();
        if (!current_ || !device_) {
            scheduler_.post([done = std::move(request.done), alive = std::weak_ptr<bool>(alive_)] {
                if (!alive.expired() && done)
                    done(std::nullopt);
            });
            continue;
        }
        reading_ = std::make_unique<Reading>();
        Reading& reading = *reading_;
        reading.serial = selectionSerial_;
        reading.deadline = Steady::now() + options_.transferLimit;
        reading.snapshot.types = current_->types;
        const auto chosen = request.choose ? request.choose(current_->types) : std::vector<std::string>{};
        for (const std::string& name : chosen)
            if (std::find(current_->types.begin(), current_->types.end(), name) != current_->types.end()
                && std::find(reading.chosen.begin(), reading.chosen.end(), name) == reading.chosen.end())
                reading.chosen.push_back(name);
        reading.request = std::move(request);
        reading.idle = std::make_unique<QTimer>();
        reading.idle->setSingleShot(true);
        QObject::connect(reading.idle.get(), &QTimer::timeout, &context_, [this] {
            logf(LogCategory::Platform, "El dueño del portapapeles no respondió a tiempo ({})",
                 printableTarget(reading_->type));
            finishRead(std::nullopt);
        });
        receiveNext();
    }
}

void WaylandClipboard::receiveNext()
{
    Reading& reading = *reading_;
    reading.closePipe();
    if (reading.next >= reading.chosen.size()) {
        finishRead(std::move(reading.snapshot));
        return;
    }
    reading.type = reading.chosen[reading.next++];
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        logf(LogCategory::Platform, "No se pudo leer el portapapeles: {}", std::strerror(errno));
        finishRead(std::nullopt);
        return;
    }
    wl_proxy_marshal_flags(current_->proxy, kOfferReceive, nullptr, wl_proxy_get_version(current_->proxy), 0,
                           reading.type.c_str(), fds[1]);
    connection_->flush();
    ::close(fds[1]); // the owner has its own copy now; EOF comes when it closes that
    reading.fd = fds[0];
    reading.notifier = std::make_unique<QSocketNotifier>(reading.fd, QSocketNotifier::Read);
    QObject::connect(reading.notifier.get(), &QSocketNotifier::activated, &context_, [this] { onPipeReadable(); });
    reading.idle->start(std::min(static_cast<int>(options_.timeout.count()), millisLeft(reading.deadline)));
}

void WaylandClipboard::onPipeReadable()
{
    Reading& reading = *reading_;
    Bytes chunk(kChunk);
    for (int i = 0; i < kChunksPerWake; ++i) {
        const ssize_t n = ::read(reading.fd, chunk.data(), chunk.size());
        if (n > 0) {
            if (reading.buffer.size() + static_cast<std::size_t>(n) > options_.maxBytes) {
                logf(LogCategory::Platform, "Contenido del portapapeles omitido por tamaño: {} (más de {} b)",
                     printableTarget(reading.type), options_.maxBytes);
                receiveNext();
                return;
            }
            reading.buffer.insert(reading.buffer.end(), chunk.begin(), chunk.begin() + n);
            continue;
        }
        if (n == 0) {
            reading.snapshot.contents.emplace(reading.type, std::move(reading.buffer));
            receiveNext();
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            break;
        logf(LogCategory::Platform, "Respuesta no válida del dueño del portapapeles ({})", printableTarget(reading.type));
        receiveNext();
        return;
    }
    const int left = millisLeft(reading.deadline);
    if (left == 0) {
        logf(LogCategory::Platform, "El dueño del portapapeles no respondió a tiempo ({})", printableTarget(reading.type));
        finishRead(std::nullopt);
        return;
    }
    reading.idle->start(std::min(static_cast<int>(options_.timeout.count()), left));
}

void WaylandClipboard::finishRead(std::optional<ClipboardSnapshot> snapshot)
{
    std::unique_ptr<Reading> reading = std::move(reading_);
    ReadDone done = std::move(reading->request.done);
    // This may run inside the timer's own signal: it goes once that has returned.
    reading->closePipe();
    reading->idle->stop();
    reading->idle.release()->deleteLater();
    scheduler_.post([done = std::move(done), snapshot = std::move(snapshot), alive = std::weak_ptr<bool>(alive_)]() mutable {
        if (!alive.expired() && done)
            done(std::move(snapshot));
    });
    if (!queue_.empty())
        QTimer::singleShot(0, &context_, [this] { startNextRead(); });
}

// Writing --------------------------------------------------------------------------------------

bool WaylandClipboard::write(std::vector<std::pair<std::string, Bytes>> targets)
{
    auto data = std::make_shared<Data>();
    std::set<std::string> seen;
    for (auto& [name, bytes] : targets) {
        if (name.empty() || !seen.insert(name).second)
            continue;
        data->types.push_back(name);
        data->bytes.push_back(std::move(bytes));
    }
    if (!offer(std::move(data), options_.primary, true)) {
        logLine(LogCategory::Platform, "No se pudo tomar el portapapeles");
        return false;
    }
    // The change is counted before the writer returns, so a monitor polling right after sees exactly one.
    if (!connection_->sync(options_.timeout)) {
        logLine(LogCategory::Platform, "No se pudo escribir en el portapapeles: el compositor no respondió a tiempo");
        return false;
    }
    return true;
}

bool WaylandClipboard::mirrorToPrimary()
{
    // Only Brisa's own content: what another program owns would have to be read first.
    if (options_.primary || !owned_ || !connection_->dataControlProtocol()->hasPrimary)
        return false;
    return offer(owned_, true, false);
}

void WaylandClipboard::retain(std::int64_t change, Targets targets)
{
    // Content of a change already replaced is of no use: whoever owns the clipboard now is someone else.
    if (options_.primary || change != changes_)
        return;
    retained_.reset();
    if (targets.empty())
        return;
    auto data = std::make_shared<Data>();
    for (auto& [name, bytes] : targets) {
        data->types.push_back(std::move(name));
        data->bytes.push_back(std::move(bytes));
    }
    retained_.emplace(change, std::move(data));
    if (!current_) // the owner quit while the content was on its way here
        takeOver();
}

void WaylandClipboard::takeOver()
{
    if (!retained_ || retained_->first != changes_ || options_.primary)
        return;
    if (offer(retained_->second, false, false))
        logLine(LogCategory::Platform, "Brisa ofrece el portapapeles de un programa que se cerró");
}

bool WaylandClipboard::offer(std::shared_ptr<const Data> data, bool primarySelection, bool counted)
{
    if (!device_ || connection_->isLost())
        return false;
    wl_proxy* manager = connection_->dataControl();
    auto source = std::make_unique<SourceState>();
    source->owner = this;
    source->data = data;
    source->primary = primarySelection;
    source->proxy = wl_proxy_marshal_flags(manager, kManagerCreateSource, connection_->dataControlProtocol()->source,
                                           wl_proxy_get_version(manager), 0, nullptr);
    if (!source->proxy)
        return false;
    wl_proxy_add_listener(source->proxy,
                          reinterpret_cast<void (**)(void)>(const_cast<SourceListener*>(&kSourceListener)),
                          source.get());
    for (const std::string& type : data->types)
        wl_proxy_marshal_flags(source->proxy, kSourceOffer, nullptr, wl_proxy_get_version(source->proxy), 0,
                               type.c_str());
    wl_proxy_marshal_flags(device_, primarySelection ? kDeviceSetPrimary : kDeviceSetSelection, nullptr,
                           wl_proxy_get_version(device_), 0, source->proxy);
    sources_.push_back(std::move(source));
    if (primarySelection == options_.primary) {
        owned_ = std::move(data);
        if (!counted)
            ++uncountedTakes_;
    }
    connection_->flush();
    return true;
}

void WaylandClipboard::onCancelled(SourceState* source)
{
    if (source->primary == options_.primary && source->data == owned_)
        owned_.reset();
    destroyProxy(source->proxy, kSourceDestroy);
    sources_.remove_if([source](const auto& s) { return s.get() == source; });
}

void WaylandClipboard::onSend(SourceState* source, const char* mimeType, int fd)
{
    const auto& types = source->data->types;
    const auto it = mimeType ? std::find(types.begin(), types.end(), mimeType) : types.end();
    if (it == types.end()) {
        ::close(fd); // not offered: the reader sees an empty answer
        return;
    }
    auto transfer = std::make_unique<Outgoing>();
    transfer->fd = fd;
    transfer->data = source->data;
    transfer->index = static_cast<std::size_t>(it - types.begin());
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    Outgoing* raw = transfer.get();
    transfers_.push_back(std::move(transfer));
    serve(raw);
}

void WaylandClipboard::serve(Outgoing* transfer)
{
    const Bytes& bytes = transfer->data->bytes[transfer->index];
    for (int i = 0; i < kChunksPerWake && transfer->sent < bytes.size(); ++i) {
        const std::size_t count = std::min(kChunk, bytes.size() - transfer->sent);
        const ssize_t n = writeToPipe(transfer->fd, bytes.data() + transfer->sent, count);
        if (n > 0) {
            transfer->sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        dropTransfer(transfer); // the reader went away
        return;
    }
    if (transfer->sent >= bytes.size()) {
        dropTransfer(transfer); // closing the pipe tells the reader it has everything
        return;
    }
    if (!transfer->notifier) {
        transfer->notifier = std::make_unique<QSocketNotifier>(transfer->fd, QSocketNotifier::Write);
        QObject::connect(transfer->notifier.get(), &QSocketNotifier::activated, &context_,
                         [this, transfer] { serve(transfer); });
        transfer->idle = std::make_unique<QTimer>();
        transfer->idle->setSingleShot(true);
        QObject::connect(transfer->idle.get(), &QTimer::timeout, &context_, [this, transfer] {
            logLine(LogCategory::Platform, "Transferencia del portapapeles abandonada: el otro programa dejó de leer");
            dropTransfer(transfer);
        });
    }
    transfer->idle->start(static_cast<int>(options_.transferLimit.count()));
}

void WaylandClipboard::dropTransfer(Outgoing* transfer)
{
    const auto it = std::find_if(transfers_.begin(), transfers_.end(),
                                 [transfer](const auto& t) { return t.get() == transfer; });
    if (it == transfers_.end())
        return;
    // This may run inside the transfer's own notifier or timer: those go once it has returned.
    if (transfer->notifier) {
        transfer->notifier->setEnabled(false);
        transfer->notifier.release()->deleteLater();
    }
    if (transfer->idle) {
        transfer->idle->stop();
        transfer->idle.release()->deleteLater();
    }
    transfers_.erase(it);
}

} // namespace brisa
