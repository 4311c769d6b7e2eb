// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Clipboard.h"

#include "core/support/Log.h"
#include "platform/x11/X11Display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace brisa {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

SteadyTime steadyNow() { return std::chrono::steady_clock::now(); }

/// Wakes a thread sleeping in poll() on the X connection (new work, or time to stop).
class WakeFd {
public:
    WakeFd() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~WakeFd()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    WakeFd(const WakeFd&) = delete;
    WakeFd& operator=(const WakeFd&) = delete;

    int fd() const { return fd_; }
    void wake() const
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(fd_, &one, sizeof one);
    }
    void drain() const
    {
        std::uint64_t value = 0;
        [[maybe_unused]] const auto n = ::read(fd_, &value, sizeof value);
    }

private:
    int fd_;
};

enum class Woke { Display, Wake, Timeout };

/// Sleeps until the X connection has input, the wake fd fires, or timeoutMs passes (-1: no limit).
Woke sleepOn(Display* display, const WakeFd& wake, int timeoutMs)
{
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {wake.fd(), POLLIN, 0}};
    const int r = poll(fds, 2, timeoutMs);
    if (r <= 0)
        return r == 0 ? Woke::Timeout : Woke::Display; // EINTR: just look again
    if (fds[1].revents & POLLIN) {
        wake.drain();
        return Woke::Wake;
    }
    return Woke::Display;
}

int millisUntil(SteadyTime deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - steadyNow()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

/// Property data as Xlib hands it out: format 16 as shorts, format 32 as longs, whatever their size.
Bytes propertyBytes(const unsigned char* data, int format, unsigned long items)
{
    Bytes out;
    if (!data)
        return out;
    if (format == 8) {
        out.assign(data, data + items);
    } else if (format == 16) {
        const auto* values = reinterpret_cast<const short*>(data);
        out.resize(items * 2);
        for (unsigned long i = 0; i < items; ++i) {
            const auto v = static_cast<std::uint16_t>(values[i]);
            std::memcpy(out.data() + i * 2, &v, 2);
        }
    } else if (format == 32) {
        const auto* values = reinterpret_cast<const long*>(data);
        out.resize(items * 4);
        for (unsigned long i = 0; i < items; ++i) {
            const auto v = static_cast<std::uint32_t>(values[i]);
            std::memcpy(out.data() + i * 4, &v, 4);
        }
    }
    return out;
}

/// A target name as it may appear in a log line (owners choose them, control characters included).
std::string printable(std::string_view name)
{
    std::string out(name.substr(0, 200));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return out;
}

Window makeWindow(Display* display)
{
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(display, window, PropertyChangeMask);
    XStoreName(display, window, "Brisa clipboard");
    return window;
}

bool queryXfixes(Display* display, int& eventBase)
{
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase) || !XFixesQueryVersion(display, &major, &minor)
        || major < 1) {
        logLine("El servidor X no ofrece la extensión XFixes: no se puede vigilar el portapapeles");
        return false;
    }
    return true;
}

/// Targets of the selection protocol itself, which carry no content (and MULTIPLE needs arguments).
bool isProtocolTarget(std::string_view name)
{
    static constexpr std::array<std::string_view, 7> names{"TARGETS", "TIMESTAMP", "MULTIPLE", "DELETE",
                                                           "INSERT_SELECTION", "INSERT_PROPERTY", "SAVE_TARGETS"};
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Over this many offered targets the rest are ignored: no real owner offers that many.
constexpr std::size_t kMaxTargets = 1024;
// Incremental chunks are at most this large, whatever the server would accept.
constexpr std::size_t kMaxChunk = 1024 * 1024;
const unsigned char kNothing = 0;

/// Answers a selection request: property holds the answer, or None for a refusal.
void notifyRequestor(Display* display, const XSelectionRequestEvent& request, Atom property)
{
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = property;
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    XFlush(display);
    X11Display::takeError();
}

} // namespace

/// The change handler, shared with the tasks posted to the main thread so that they may outlive the clipboard.
struct ChangeNotice {
    std::mutex mutex;
    std::function<void()> handler;
    /// True while a task is posted and has not run: a burst of changes costs one task.
    std::atomic<bool> posted{false};

    void post(Scheduler& scheduler, const std::shared_ptr<ChangeNotice>& self)
    {
        {
            std::lock_guard lock(mutex);
            if (!handler)
                return;
        }
        if (posted.exchange(true))
            return;
        scheduler.post([self] {
            self->posted = false;
            std::function<void()> handler;
            {
                std::lock_guard lock(self->mutex);
                handler = self->handler;
            }
            if (handler)
                handler();
        });
    }
};

// ---------------------------------------------------------------------------------------------------------------
// Owner: counts owner changes and serves what Brisa wrote, on its own connection and thread. It also keeps the
// content of the latest change the monitor accepted, to offer it on once the program that copied it quits.

class X11Clipboard::Owner {
public:
    Owner(std::unique_ptr<X11Display> display, int xfixesEventBase, Scheduler& scheduler, const Options& options);
    ~Owner();
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    std::int64_t changeCount() const { return changes_.load(std::memory_order_acquire); }
    bool write(std::vector<std::pair<std::string, Bytes>> targets) { return submit(std::move(targets), false); }
    bool mirrorToPrimary() { return submit({}, true); }
    void setChangeHandler(std::function<void()> handler);
    void retain(std::int64_t change, Targets targets);

private:
    struct Offer {
        std::vector<Atom> atoms;
        std::vector<Bytes> data;
    };
    /// One incremental transfer to a requestor: the next chunk goes when it deletes the property.
    struct Outgoing {
        Window requestor = None;
        Atom property = None;
        Atom type = None;
        std::shared_ptr<const Offer> offer{};
        std::size_t index = 0;
        std::size_t sent = 0;
        SteadyTime lastActivity;
    };
    struct WriteJob {
        std::vector<std::pair<std::string, Bytes>> targets;
        /// Instead of a write: offer what the clipboard offers on the mouse selection too.
        bool mirror = false;
        std::promise<bool> result;
    };
    struct Retained {
        std::int64_t change = 0;
        std::shared_ptr<const Offer> offer;
    };
    /// A program quitting asked us to save the clipboard before the monitor had read it.
    struct PendingSave {
        XSelectionRequestEvent request{};
        SteadyTime deadline;
    };

    bool submit(std::vector<std::pair<std::string, Bytes>> targets, bool mirror);
    bool mirror();
    void run();
    void handlePending();
    void handle(XEvent& event);
    void serve(const XSelectionRequestEvent& request);
    bool convert(Window requestor, Atom target, Atom property);
    bool convertMultiple(Window requestor, Atom property);
    bool sendChunk(Outgoing& transfer);
    void onPropertyDeleted(Window window, Atom property);
    void forget(std::size_t transfer);
    void expireTransfers();
    bool take(std::vector<std::pair<std::string, Bytes>> targets);
    std::shared_ptr<Offer> makeOffer(std::vector<std::pair<std::string, Bytes>> targets);
    bool own(std::shared_ptr<const Offer> offer, bool counted);
    void takeRetained(std::pair<std::int64_t, Targets> incoming);
    bool takeOver();
    void serveManager(const XSelectionRequestEvent& request);
    void answerSave(const XSelectionRequestEvent& request, bool saved);
    void expireSave();
    void becomeManager();
    Time serverTime();
    static Bool isTimestampEvent(Display* display, XEvent* event, XPointer self);

    std::unique_ptr<X11Display> x_;
    Display* display_;
    const Options options_;
    const int xfixesEventBase_;
    Scheduler& scheduler_;
    Window window_;
    Atom clipboard_, targets_, timestamp_, multiple_, incr_, atomPair_, timestampProperty_;
    Atom manager_, clipboardManager_, saveTargets_, null_;
    std::size_t incrThreshold_;
    std::size_t chunkSize_;

    std::shared_ptr<const Offer> offer_;
    /// What the mouse selection offers while Brisa owns it (a copy of offer_ for a terminal's Shift+Insert).
    std::shared_ptr<const Offer> primaryOffer_;
    /// The offer a request being answered is served from.
    std::shared_ptr<const Offer> serving_;
    Time ownedSince_ = CurrentTime;
    std::vector<Outgoing> transfers_;
    std::atomic<std::int64_t> changes_{0};
    std::shared_ptr<ChangeNotice> notice_ = std::make_shared<ChangeNotice>();
    /// Our own takes of the clipboard not seen back yet: their time, and whether they count as a change
    /// (a write does; offering on what another program copied does not).
    std::deque<std::pair<Time, bool>> ownTakes_;
    std::optional<Retained> retained_;
    std::optional<PendingSave> pendingSave_;

    WakeFd wake_;
    std::mutex mutex_;
    std::deque<std::shared_ptr<WriteJob>> jobs_;
    /// The latest retain() not taken in by the thread yet (an older one is of no use).
    std::optional<std::pair<std::int64_t, Targets>> incomingRetain_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

X11Clipboard::Owner::Owner(std::unique_ptr<X11Display> display, int xfixesEventBase, Scheduler& scheduler,
                           const Options& options)
    : x_(std::move(display))
    , display_(x_->get())
    , options_(options)
    , xfixesEventBase_(xfixesEventBase)
    , scheduler_(scheduler)
    , window_(makeWindow(display_))
    , clipboard_(x_->atom(options.selection))
    , targets_(x_->atom("TARGETS"))
    , timestamp_(x_->atom("TIMESTAMP"))
    , multiple_(x_->atom("MULTIPLE"))
    , incr_(x_->atom("INCR"))
    , atomPair_(x_->atom("ATOM_PAIR"))
    , timestampProperty_(x_->atom("_BRISA_TIMESTAMP"))
    , manager_(x_->atom("MANAGER"))
    , clipboardManager_(x_->atom("CLIPBOARD_MANAGER"))
    , saveTargets_(x_->atom("SAVE_TARGETS"))
    , null_(x_->atom("NULL"))
{
    // Only CLIPBOARD: the mouse highlight (PRIMARY) is never captured. An owner that goes away is
    // told too, to offer on what it copied.
    XFixesSelectSelectionInput(display_, window_, clipboard_,
                               XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask
                                   | XFixesSelectionClientCloseNotifyMask);
    long maxRequest = XExtendedMaxRequestSize(display_);
    if (maxRequest == 0)
        maxRequest = XMaxRequestSize(display_);
    // The request size is in 4-byte units and includes the ChangeProperty header.
    const std::size_t serverLimit = static_cast<std::size_t>(std::max(maxRequest, 1024L)) * 4 - 64;
    incrThreshold_ = options_.incrThreshold ? options_.incrThreshold : serverLimit;
    chunkSize_ = std::clamp<std::size_t>(incrThreshold_, 1, std::min(kMaxChunk, serverLimit));
    if (clipboard_ != XA_PRIMARY)
        becomeManager();
    XFlush(display_);
    thread_ = std::thread([this] { run(); });
}

X11Clipboard::Owner::~Owner()
{
    stop_ = true;
    wake_.wake();
    thread_.join();
    std::lock_guard lock(mutex_);
    for (auto& job : jobs_)
        job->result.set_value(false);
}

bool X11Clipboard::Owner::submit(std::vector<std::pair<std::string, Bytes>> targets, bool mirror)
{
    auto job = std::make_shared<WriteJob>();
    job->targets = std::move(targets);
    job->mirror = mirror;
    auto result = job->result.get_future();
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(job);
    }
    wake_.wake();
    if (result.wait_for(options_.timeout) != std::future_status::ready) {
        logLine("No se pudo escribir en el portapapeles: el servidor X no respondió a tiempo");
        return false;
    }
    return result.get();
}

void X11Clipboard::Owner::setChangeHandler(std::function<void()> handler)
{
    std::lock_guard lock(notice_->mutex);
    notice_->handler = std::move(handler);
}

void X11Clipboard::Owner::retain(std::int64_t change, Targets targets)
{
    {
        std::lock_guard lock(mutex_);
        incomingRetain_.emplace(change, std::move(targets));
    }
    wake_.wake();
}

void X11Clipboard::Owner::run()
{
    while (!stop_) {
        handlePending();
        for (;;) {
            std::shared_ptr<WriteJob> job;
            {
                std::lock_guard lock(mutex_);
                if (jobs_.empty())
                    break;
                job = jobs_.front();
                jobs_.pop_front();
            }
            const bool taken = job->mirror ? mirror() : take(std::move(job->targets));
            // Our own owner-change event is queued by now: count it before the writer returns, so that
            // a monitor polling right after the write sees exactly one change for it.
            handlePending();
            job->result.set_value(taken);
        }
        std::optional<std::pair<std::int64_t, Targets>> incoming;
        {
            std::lock_guard lock(mutex_);
            incoming.swap(incomingRetain_);
        }
        if (incoming)
            takeRetained(std::move(*incoming));
        expireTransfers();
        expireSave();
        // Asleep until something happens: an idle clipboard costs no wake-ups.
        int timeout = transfers_.empty() ? -1 : 500;
        if (pendingSave_)
            timeout = std::max(1, millisUntil(pendingSave_->deadline));
        sleepOn(display_, wake_, timeout);
    }
}

void X11Clipboard::Owner::takeRetained(std::pair<std::int64_t, Targets> incoming)
{
    // Content of a change already replaced is of no use: whoever owns the clipboard now is someone else.
    if (incoming.first != changeCount())
        return;
    retained_.reset();
    if (!incoming.second.empty())
        retained_ = Retained{incoming.first, makeOffer(std::move(incoming.second))};
    // The owner may have quit while the content was on its way here.
    if (retained_ && XGetSelectionOwner(display_, clipboard_) == None)
        takeOver();
    if (pendingSave_) {
        const auto request = pendingSave_->request;
        pendingSave_.reset();
        answerSave(request, retained_ && (XGetSelectionOwner(display_, clipboard_) == window_ || takeOver()));
    }
}

bool X11Clipboard::Owner::mirror()
{
    // Only Brisa's own content: what another program owns would have to be read first.
    if (clipboard_ == XA_PRIMARY || !offer_ || XGetSelectionOwner(display_, clipboard_) != window_)
        return false;
    XSetSelectionOwner(display_, XA_PRIMARY, window_, serverTime());
    if (XGetSelectionOwner(display_, XA_PRIMARY) != window_) {
        logLine("No se pudo tomar la selección del ratón");
        return false;
    }
    primaryOffer_ = offer_;
    return true;
}

bool X11Clipboard::Owner::takeOver()
{
    if (!retained_ || retained_->change != changeCount())
        return false;
    if (!own(retained_->offer, false))
        return false;
    logLine("Brisa ofrece el portapapeles de un programa que se cerró");
    return true;
}

void X11Clipboard::Owner::becomeManager()
{
    // The freedesktop convention: programs about to quit hand the clipboard to the owner of
    // CLIPBOARD_MANAGER. Another manager running keeps the post.
    if (XGetSelectionOwner(display_, clipboardManager_) != None)
        return;
    const Time time = serverTime();
    XSetSelectionOwner(display_, clipboardManager_, window_, time);
    if (XGetSelectionOwner(display_, clipboardManager_) != window_)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = DefaultRootWindow(display_);
    event.xclient.message_type = manager_;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(time);
    event.xclient.data.l[1] = static_cast<long>(clipboardManager_);
    event.xclient.data.l[2] = static_cast<long>(window_);
    XSendEvent(display_, DefaultRootWindow(display_), False, StructureNotifyMask, &event);
}

void X11Clipboard::Owner::serveManager(const XSelectionRequestEvent& request)
{
    if (request.target == saveTargets_ && request.property != None) {
        if (pendingSave_) // one at a time: the older asker gets its answer now
            answerSave(pendingSave_->request, false);
        pendingSave_.reset();
        if (XGetSelectionOwner(display_, clipboard_) == window_ || takeOver()) {
            answerSave(request, true);
            return;
        }
        // The monitor has not read this copy yet: answer once it has (or has refused it).
        pendingSave_ = PendingSave{request, steadyNow() + options_.timeout};
        return;
    }
    const Atom property = request.property != None ? request.property : request.target;
    if (request.target != targets_) {
        notifyRequestor(display_, request, None);
        return;
    }
    const long list[] = {static_cast<long>(targets_), static_cast<long>(saveTargets_)};
    XChangeProperty(display_, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(list), 2);
    notifyRequestor(display_, request, property);
}

void X11Clipboard::Owner::answerSave(const XSelectionRequestEvent& request, bool saved)
{
    if (!saved) {
        notifyRequestor(display_, request, None);
        return;
    }
    // A target that is only a side effect answers with an empty property of type NULL.
    XChangeProperty(display_, request.requestor, request.property, null_, 32, PropModeReplace, &kNothing, 0);
    notifyRequestor(display_, request, request.property);
}

void X11Clipboard::Owner::expireSave()
{
    if (pendingSave_ && steadyNow() >= pendingSave_->deadline) {
        answerSave(pendingSave_->request, false);
        pendingSave_.reset();
    }
}

void X11Clipboard::Owner::handlePending()
{
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        handle(event);
    }
}

void X11Clipboard::Owner::handle(XEvent& event)
{
    if (event.type == xfixesEventBase_ + XFixesSelectionNotify) {
        const auto& notify = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
        if (notify.selection != clipboard_)
            return;
        if (notify.subtype != XFixesSetSelectionOwnerNotify) {
            // The owner's window or connection is gone and the clipboard with it.
            if (XGetSelectionOwner(display_, clipboard_) == None)
                takeOver();
            return;
        }
        bool counted = true;
        if (notify.owner == window_) {
            const auto own = std::find_if(ownTakes_.begin(), ownTakes_.end(),
                                          [&](const auto& take) { return take.first == notify.selection_timestamp; });
            if (own != ownTakes_.end()) {
                counted = own->second;
                ownTakes_.erase(ownTakes_.begin(), own + 1);
            }
        }
        if (!counted)
            return;
        changes_.fetch_add(1, std::memory_order_acq_rel);
        retained_.reset();
        notice_->post(scheduler_, notice_);
        return;
    }
    switch (event.type) {
    case SelectionRequest:
        if (event.xselectionrequest.selection == clipboardManager_ && event.xselectionrequest.owner == window_)
            serveManager(event.xselectionrequest);
        else
            serve(event.xselectionrequest);
        break;
    case SelectionClear:
        // A clear sent before our latest take may arrive after it: believe the server, not the event.
        if (event.xselectionclear.selection == clipboard_ && XGetSelectionOwner(display_, clipboard_) != window_)
            offer_.reset();
        if (event.xselectionclear.selection == XA_PRIMARY && XGetSelectionOwner(display_, XA_PRIMARY) != window_)
            primaryOffer_.reset();
        break;
    case PropertyNotify:
        if (event.xproperty.state == PropertyDelete && event.xproperty.window != window_)
            onPropertyDeleted(event.xproperty.window, event.xproperty.atom);
        break;
    default:
        break;
    }
}

void X11Clipboard::Owner::serve(const XSelectionRequestEvent& request)
{
    Atom answer = None;
    // Obsolete clients pass no property and expect the target's name to be used.
    const Atom property = request.property != None ? request.property : request.target;
    const std::shared_ptr<const Offer>* offer = request.selection == clipboard_ ? &offer_
        : request.selection == XA_PRIMARY                                      ? &primaryOffer_
                                                                               : nullptr;
    if (offer && *offer && request.owner == window_) {
        serving_ = *offer;
        X11Display::takeError();
        const bool ok = request.target == multiple_
            ? request.property != None && convertMultiple(request.requestor, request.property)
            : convert(request.requestor, request.target, property);
        // A property the server refused (no memory for it, requestor window gone) must not be announced.
        XSync(display_, False);
        if (ok && X11Display::takeError() == 0)
            answer = property;
        serving_.reset();
    }
    notifyRequestor(display_, request, answer);
}

bool X11Clipboard::Owner::convert(Window requestor, Atom target, Atom property)
{
    if (target == targets_) {
        std::vector<long> list{static_cast<long>(targets_), static_cast<long>(timestamp_),
                               static_cast<long>(multiple_)};
        for (Atom a : serving_->atoms)
            list.push_back(static_cast<long>(a));
        XChangeProperty(display_, requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(list.data()), static_cast<int>(list.size()));
        return true;
    }
    if (target == timestamp_) {
        const long time = static_cast<long>(ownedSince_);
        XChangeProperty(display_, requestor, property, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&time), 1);
        return true;
    }
    const auto it = std::find(serving_->atoms.begin(), serving_->atoms.end(), target);
    if (it == serving_->atoms.end())
        return false;
    const std::size_t index = static_cast<std::size_t>(it - serving_->atoms.begin());
    const Bytes& data = serving_->data[index];
    if (data.size() > incrThreshold_) {
        // A requestor asking again into the same property abandons the earlier transfer.
        std::erase_if(transfers_, [&](const Outgoing& t) { return t.requestor == requestor && t.property == property; });
        // Announce the size; the requestor deletes the property to ask for the first chunk.
        XSelectInput(display_, requestor, PropertyChangeMask);
        const long size = static_cast<long>(data.size());
        XChangeProperty(display_, requestor, property, incr_, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&size), 1);
        transfers_.push_back({requestor, property, target, serving_, index, 0, steadyNow()});
        return true;
    }
    XChangeProperty(display_, requestor, property, target, 8, PropModeReplace, data.empty() ? &kNothing : data.data(),
                    static_cast<int>(data.size()));
    return true;
}

bool X11Clipboard::Owner::convertMultiple(Window requestor, Atom property)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, requestor, property, 0, 1024, False, AnyPropertyType, &type, &format, &items,
                           &after, &data)
        != Success)
        return false;
    std::vector<long> pairs;
    if (data && format == 32) {
        const auto* values = reinterpret_cast<const long*>(data);
        pairs.assign(values, values + items);
    }
    if (data)
        XFree(data);
    if (format != 32 || pairs.empty() || pairs.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < pairs.size(); i += 2) {
        const auto target = static_cast<Atom>(pairs[i]);
        const auto into = static_cast<Atom>(pairs[i + 1]);
        // Refused conversions are reported by replacing their property with None.
        if (target == multiple_ || into == None || !convert(requestor, target, into))
            pairs[i + 1] = None;
    }
    XChangeProperty(display_, requestor, property, atomPair_, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(pairs.data()), static_cast<int>(pairs.size()));
    return true;
}

bool X11Clipboard::Owner::sendChunk(Outgoing& transfer)
{
    const Bytes& data = transfer.offer->data[transfer.index];
    const std::size_t count = std::min(chunkSize_, data.size() - transfer.sent);
    // The last chunk is empty: it tells the requestor the transfer is complete.
    XChangeProperty(display_, transfer.requestor, transfer.property, transfer.type, 8, PropModeReplace,
                    count ? data.data() + transfer.sent : &kNothing, static_cast<int>(count));
    XFlush(display_);
    transfer.sent += count;
    transfer.lastActivity = steadyNow();
    return count > 0;
}

void X11Clipboard::Owner::onPropertyDeleted(Window window, Atom property)
{
    for (std::size_t i = 0; i < transfers_.size(); ++i) {
        if (transfers_[i].requestor == window && transfers_[i].property == property) {
            if (!sendChunk(transfers_[i]))
                forget(i);
            X11Display::takeError();
            return;
        }
    }
}

void X11Clipboard::Owner::forget(std::size_t transfer)
{
    const Window requestor = transfers_[transfer].requestor;
    transfers_.erase(transfers_.begin() + static_cast<std::ptrdiff_t>(transfer));
    const bool stillUsed = std::any_of(transfers_.begin(), transfers_.end(),
                                       [&](const Outgoing& t) { return t.requestor == requestor; });
    if (!stillUsed) {
        XSelectInput(display_, requestor, NoEventMask);
        XFlush(display_);
        X11Display::takeError(); // the requestor's window may be gone already
    }
}

void X11Clipboard::Owner::expireTransfers()
{
    const SteadyTime now = steadyNow();
    for (std::size_t i = transfers_.size(); i-- > 0;) {
        if (now - transfers_[i].lastActivity > options_.transferLimit) {
            logLine("Transferencia del portapapeles abandonada: el otro programa dejó de leer");
            forget(i);
        }
    }
}

bool X11Clipboard::Owner::take(std::vector<std::pair<std::string, Bytes>> targets)
{
    return own(makeOffer(std::move(targets)), true);
}

std::shared_ptr<X11Clipboard::Owner::Offer> X11Clipboard::Owner::makeOffer(std::vector<std::pair<std::string, Bytes>> targets)
{
    auto offer = std::make_shared<Offer>();
    std::set<std::string> seen;
    for (auto& [name, bytes] : targets) {
        // The targets we answer ourselves cannot be offered as data.
        if (name.empty() || name == "TARGETS" || name == "TIMESTAMP" || name == "MULTIPLE" || !seen.insert(name).second)
            continue;
        offer->atoms.push_back(x_->atom(name));
        offer->data.push_back(std::move(bytes));
    }
    return offer;
}

bool X11Clipboard::Owner::own(std::shared_ptr<const Offer> offer, bool counted)
{
    const Time time = serverTime();
    XSetSelectionOwner(display_, clipboard_, window_, time);
    if (XGetSelectionOwner(display_, clipboard_) != window_) {
        logLine("No se pudo tomar el portapapeles");
        return false;
    }
    ownTakes_.emplace_back(time, counted);
    if (ownTakes_.size() > 64) // an event the server never sent must not grow this for ever
        ownTakes_.pop_front();
    ownedSince_ = time;
    offer_ = std::move(offer);
    return true;
}

Bool X11Clipboard::Owner::isTimestampEvent(Display*, XEvent* event, XPointer self)
{
    const auto* owner = reinterpret_cast<const Owner*>(self);
    return event->type == PropertyNotify && event->xproperty.window == owner->window_
        && event->xproperty.atom == owner->timestampProperty_;
}

Time X11Clipboard::Owner::serverTime()
{
    // Selection ownership wants a real server time, not CurrentTime: a zero-length append to one of
    // our own properties yields a PropertyNotify that carries it.
    XChangeProperty(display_, window_, timestampProperty_, XA_INTEGER, 8, PropModeAppend, &kNothing, 0);
    XEvent event;
    XIfEvent(display_, &event, &Owner::isTimestampEvent, reinterpret_cast<XPointer>(this));
    return event.xproperty.time;
}

// ---------------------------------------------------------------------------------------------------------------
// Reader: one snapshot at a time, each answer awaited with a deadline, on its own connection and thread.

class X11Clipboard::Reader {
public:
    Reader(std::unique_ptr<X11Display> display, int xfixesEventBase, Scheduler& scheduler, const Options& options);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    void enqueue(Chooser choose, ReadDone done);

private:
    enum class Outcome { Ok, Refused, Broken, TooLarge, TimedOut, OwnerChanged, Stopped };
    struct Conversion {
        Outcome outcome = Outcome::Broken;
        Atom type = None;
        int format = 0;
        Bytes bytes{};
        std::size_t size = 0; // what a too large answer announced or reached
    };
    struct Property {
        Atom type = None;
        int format = 0;
        unsigned long bytes = 0;
        long firstValue = 0;
    };
    struct Request {
        Chooser choose;
        ReadDone done;
    };

    void run();
    std::optional<ClipboardSnapshot> readSafely(const Chooser& choose);
    std::optional<ClipboardSnapshot> readOnce(const Chooser& choose);
    Conversion convert(Atom target, SteadyTime limit);
    Conversion receiveIncremental(Atom property, const Property& announce, SteadyTime limit);
    template <typename Wanted>
    Outcome waitFor(Wanted wanted, XEvent& out, SteadyTime deadline);
    std::optional<Property> peek(Atom property);
    std::optional<Bytes> take(Atom property, const Property& info);
    bool isOwnerChange(const XEvent& event) const;
    void discardPending();

    std::unique_ptr<X11Display> x_;
    Display* display_;
    Scheduler& scheduler_;
    const Options options_;
    const int xfixesEventBase_;
    Window window_;
    Atom clipboard_, targets_, incr_;
    // Each conversion lands in the next of these, so a late answer to an abandoned one is never taken
    // for the answer to the current one.
    std::array<Atom, 4> properties_{};
    std::size_t nextProperty_ = 0;

    WakeFd wake_;
    std::mutex mutex_;
    std::deque<Request> queue_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

X11Clipboard::Reader::Reader(std::unique_ptr<X11Display> display, int xfixesEventBase, Scheduler& scheduler,
                             const Options& options)
    : x_(std::move(display))
    , display_(x_->get())
    , scheduler_(scheduler)
    , options_(options)
    , xfixesEventBase_(xfixesEventBase)
    , window_(makeWindow(display_))
    , clipboard_(x_->atom(options.selection))
    , targets_(x_->atom("TARGETS"))
    , incr_(x_->atom("INCR"))
{
    for (std::size_t i = 0; i < properties_.size(); ++i)
        properties_[i] = x_->atom("_BRISA_SELECTION_" + std::to_string(i));
    // Any change of owner during a read ends it: an owner that quits before answering is noticed at
    // once instead of after the timeout, and data of two owners never mix in one snapshot.
    XFixesSelectSelectionInput(display_, window_, clipboard_,
                               XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask
                                   | XFixesSelectionClientCloseNotifyMask);
    XFlush(display_);
    thread_ = std::thread([this] { run(); });
}

X11Clipboard::Reader::~Reader()
{
    stop_ = true;
    wake_.wake();
    thread_.join();
}

void X11Clipboard::Reader::enqueue(Chooser choose, ReadDone done)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(choose), std::move(done)});
    }
    wake_.wake();
}

void X11Clipboard::Reader::run()
{
    while (!stop_) {
        std::optional<Request> request;
        {
            std::lock_guard lock(mutex_);
            if (!queue_.empty()) {
                request = std::move(queue_.front());
                queue_.pop_front();
            }
        }
        if (!request) {
            // Idle: owner-change events still arrive here and are of no use between reads.
            discardPending();
            sleepOn(display_, wake_, -1);
            continue;
        }
        auto snapshot = readSafely(request->choose);
        if (stop_)
            break;
        scheduler_.post([done = std::move(request->done), snapshot = std::move(snapshot)]() mutable {
            if (done)
                done(std::move(snapshot));
        });
    }
}

std::optional<ClipboardSnapshot> X11Clipboard::Reader::readSafely(const Chooser& choose)
{
    try {
        return readOnce(choose);
    } catch (const std::exception& e) {
        // An exception escaping this thread would end the process.
        logf("Error leyendo el portapapeles: {}", e.what());
        return std::nullopt;
    }
}

std::optional<ClipboardSnapshot> X11Clipboard::Reader::readOnce(const Chooser& choose)
{
    discardPending();
    const Window owner = XGetSelectionOwner(display_, clipboard_);
    // Events queued so far predate the owner just learnt; only later ones mean a change during the read.
    discardPending();
    if (owner == None)
        return std::nullopt;
    const SteadyTime limit = steadyNow() + options_.transferLimit;

    Conversion list = convert(targets_, limit);
    if (list.outcome != Outcome::Ok || list.format != 32 || (list.type != XA_ATOM && list.type != targets_)) {
        if (list.outcome == Outcome::TimedOut)
            logLine("El dueño del portapapeles no respondió a tiempo (TARGETS)");
        else if (list.outcome == Outcome::OwnerChanged)
            logLine("El portapapeles cambió de dueño durante la lectura");
        else if (list.outcome != Outcome::Stopped && list.outcome != Outcome::Refused)
            logLine("Respuesta no válida del dueño del portapapeles (TARGETS)");
        return std::nullopt;
    }

    std::vector<Atom> atoms;
    for (std::size_t i = 0; i + 4 <= list.bytes.size() && atoms.size() < kMaxTargets; i += 4) {
        std::uint32_t value = 0;
        std::memcpy(&value, list.bytes.data() + i, 4);
        if (value != None && std::find(atoms.begin(), atoms.end(), value) == atoms.end())
            atoms.push_back(value);
    }
    const std::vector<std::string> names = x_->atomNames(atoms);
    std::map<std::string, Atom> byName;
    ClipboardSnapshot snapshot;
    snapshot.types.emplace();
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        if (names[i].empty())
            continue; // an atom the server does not know: garbage from the owner
        snapshot.types->push_back(names[i]);
        byName.emplace(names[i], atoms[i]);
    }

    for (const std::string& name : choose ? choose(*snapshot.types) : std::vector<std::string>{}) {
        const auto offered = byName.find(name);
        if (offered == byName.end() || snapshot.contents.count(name) || isProtocolTarget(name))
            continue;
        Conversion data = convert(offered->second, limit);
        switch (data.outcome) {
        case Outcome::Ok:
            if (data.format == 8)
                snapshot.contents.emplace(name, std::move(data.bytes));
            else
                logf("Respuesta no válida del dueño del portapapeles ({})", printable(name));
            break;
        case Outcome::Refused:
            break;
        case Outcome::Broken:
            logf("Respuesta no válida del dueño del portapapeles ({})", printable(name));
            break;
        case Outcome::TooLarge:
            logf("Contenido del portapapeles omitido por tamaño: {} ({} b, límite {} b)", printable(name), data.size,
                 options_.maxBytes);
            break;
        case Outcome::TimedOut:
            logf("El dueño del portapapeles no respondió a tiempo ({})", printable(name));
            return std::nullopt;
        case Outcome::OwnerChanged:
            logLine("El portapapeles cambió de dueño durante la lectura");
            return std::nullopt;
        case Outcome::Stopped:
            return std::nullopt;
        }
    }
    return snapshot;
}

X11Clipboard::Reader::Conversion X11Clipboard::Reader::convert(Atom target, SteadyTime limit)
{
    const Atom property = properties_[nextProperty_++ % properties_.size()];
    XDeleteProperty(display_, window_, property);
    XConvertSelection(display_, clipboard_, target, property, window_, CurrentTime);
    XFlush(display_);

    XEvent event;
    const Outcome answered = waitFor(
        [&](const XEvent& e) {
            return e.type == SelectionNotify && e.xselection.requestor == window_ && e.xselection.selection == clipboard_
                && e.xselection.target == target && (e.xselection.property == property || e.xselection.property == None);
        },
        event, std::min(limit, steadyNow() + options_.timeout));
    if (answered != Outcome::Ok)
        return {answered};
    if (event.xselection.property == None)
        return {Outcome::Refused};

    const auto info = peek(property);
    if (!info || info->type == None)
        return {Outcome::Broken}; // said it answered, but left nothing
    if (info->type == incr_)
        return receiveIncremental(property, *info, limit);
    if (info->bytes > options_.maxBytes) {
        XDeleteProperty(display_, window_, property);
        return {Outcome::TooLarge, info->type, info->format, {}, info->bytes};
    }
    auto bytes = take(property, *info);
    if (!bytes)
        return {Outcome::Broken};
    return {Outcome::Ok, info->type, info->format, std::move(*bytes)};
}

X11Clipboard::Reader::Conversion X11Clipboard::Reader::receiveIncremental(Atom property, const Property& announce,
                                                                          SteadyTime limit)
{
    // The announced size is a lower bound. Too large: leave the property alone, so the owner never starts.
    const auto announced = static_cast<std::size_t>(std::max(announce.firstValue, 0L));
    if (announce.format != 32)
        return {Outcome::Broken};
    if (announced > options_.maxBytes)
        return {Outcome::TooLarge, None, 0, {}, announced};
    XDeleteProperty(display_, window_, property);
    XFlush(display_);

    Conversion result{Outcome::Ok};
    // The announcement comes from the owner: trust it for a start, not for tens of megabytes up front.
    result.bytes.reserve(std::min<std::size_t>(announced, 8u * 1024 * 1024));
    for (;;) {
        XEvent event;
        const Outcome next = waitFor(
            [&](const XEvent& e) {
                return e.type == PropertyNotify && e.xproperty.window == window_ && e.xproperty.atom == property
                    && e.xproperty.state == PropertyNewValue;
            },
            event, std::min(limit, steadyNow() + options_.timeout));
        if (next != Outcome::Ok)
            return {next};
        const auto info = peek(property);
        if (!info || info->type == None)
            return {Outcome::Broken};
        if (result.bytes.size() + info->bytes > options_.maxBytes)
            return {Outcome::TooLarge, None, 0, {}, result.bytes.size() + info->bytes};
        auto chunk = take(property, *info);
        if (!chunk || (result.format != 0 && info->format != result.format))
            return {Outcome::Broken};
        if (chunk->empty())
            return result;
        result.type = info->type;
        result.format = info->format;
        result.bytes.insert(result.bytes.end(), chunk->begin(), chunk->end());
    }
}

template <typename Wanted>
X11Clipboard::Reader::Outcome X11Clipboard::Reader::waitFor(Wanted wanted, XEvent& out, SteadyTime deadline)
{
    for (;;) {
        while (XPending(display_) > 0) {
            XNextEvent(display_, &out);
            if (isOwnerChange(out))
                return Outcome::OwnerChanged;
            if (wanted(out))
                return Outcome::Ok;
        }
        if (stop_)
            return Outcome::Stopped;
        if (steadyNow() >= deadline)
            return Outcome::TimedOut;
        sleepOn(display_, wake_, std::max(1, millisUntil(deadline)));
    }
}

std::optional<X11Clipboard::Reader::Property> X11Clipboard::Reader::peek(Atom property)
{
    Property info;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window_, property, 0, 1, False, AnyPropertyType, &info.type, &info.format, &items,
                           &after, &data)
        != Success)
        return std::nullopt;
    if (data && info.format == 32 && items > 0)
        info.firstValue = *reinterpret_cast<const long*>(data);
    if (data)
        XFree(data);
    const unsigned long unit = info.format == 32 ? 4 : info.format == 16 ? 2 : 1;
    info.bytes = items * unit + after;
    if (info.type != None && info.format != 8 && info.format != 16 && info.format != 32)
        return std::nullopt;
    return info;
}

std::optional<Bytes> X11Clipboard::Reader::take(Atom property, const Property& info)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const long length = static_cast<long>(info.bytes / 4 + 1);
    const int status = XGetWindowProperty(display_, window_, property, 0, length, False, AnyPropertyType, &type,
                                          &format, &items, &after, &data);
    std::optional<Bytes> bytes;
    // A property that changed under us (type, format or grown) is not what we were told: broken.
    if (status == Success && type == info.type && format == info.format && after == 0)
        bytes = propertyBytes(data, format, items);
    if (data)
        XFree(data);
    XDeleteProperty(display_, window_, property);
    XFlush(display_);
    return bytes;
}

bool X11Clipboard::Reader::isOwnerChange(const XEvent& event) const
{
    return event.type == xfixesEventBase_ + XFixesSelectionNotify
        && reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).selection == clipboard_;
}

void X11Clipboard::Reader::discardPending()
{
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
    }
}

// ---------------------------------------------------------------------------------------------------------------

std::unique_ptr<X11Clipboard> X11Clipboard::create(Scheduler& scheduler, const Options& options)
{
    auto ownerDisplay = X11Display::open(options.displayName);
    auto readerDisplay = ownerDisplay ? X11Display::open(options.displayName) : nullptr;
    if (!ownerDisplay || !readerDisplay)
        return nullptr;
    int ownerEvents = 0;
    int readerEvents = 0;
    if (!queryXfixes(ownerDisplay->get(), ownerEvents) || !queryXfixes(readerDisplay->get(), readerEvents))
        return nullptr;
    auto owner = std::make_unique<Owner>(std::move(ownerDisplay), ownerEvents, scheduler, options);
    auto reader = std::make_unique<Reader>(std::move(readerDisplay), readerEvents, scheduler, options);
    auto clipboard = std::unique_ptr<X11Clipboard>(new X11Clipboard(std::move(owner), std::move(reader)));
    clipboard->displayName_ = options.displayName;
    return clipboard;
}

X11Clipboard::X11Clipboard(std::unique_ptr<Owner> owner, std::unique_ptr<Reader> reader)
    : owner_(std::move(owner))
    , reader_(std::move(reader))
{
}

X11Clipboard::~X11Clipboard() = default;

std::int64_t X11Clipboard::changeCount() const { return owner_->changeCount(); }

void X11Clipboard::read(Chooser choose, ReadDone done) { reader_->enqueue(std::move(choose), std::move(done)); }

bool X11Clipboard::write(std::vector<std::pair<std::string, Bytes>> targets)
{
    return owner_->write(std::move(targets));
}

void X11Clipboard::setChangeHandler(std::function<void()> handler) { owner_->setChangeHandler(std::move(handler)); }

void X11Clipboard::retain(std::int64_t change, Targets targets) { owner_->retain(change, std::move(targets)); }

bool X11Clipboard::mirrorToPrimary() { return owner_->mirrorToPrimary(); }

bool X11Clipboard::selectionInProgress()
{
    if (!pointer_)
        pointer_ = X11Display::open(displayName_);
    if (!pointer_)
        return false;
    Display* d = pointer_->get();
    Window root = None, child = None;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return (mask & (Button1Mask | Button2Mask | Button3Mask)) != 0;
}

} // namespace brisa
