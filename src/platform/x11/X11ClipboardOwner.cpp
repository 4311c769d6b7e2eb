// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11ClipboardOwner.h"

#include "core/support/Log.h"
#include "platform/x11/X11Display.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <set>

namespace brisa {

using x11::millisUntil;
using x11::sleepOn;
using x11::SteadyTime;
using x11::steadyNow;

namespace {

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

X11ClipboardOwner::X11ClipboardOwner(std::unique_ptr<X11Display> display, int xfixesEventBase, Scheduler& scheduler,
                                     const Options& options)
    : SelectionEndpoint(std::move(display), options.selection)
    , options_(options)
    , xfixesEventBase_(xfixesEventBase)
    , scheduler_(scheduler)
    , timestamp_(x_->atom("TIMESTAMP"))
    , multiple_(x_->atom("MULTIPLE"))
    , atomPair_(x_->atom("ATOM_PAIR"))
    , timestampProperty_(x_->atom("_BRISA_TIMESTAMP"))
    , manager_(x_->atom("MANAGER"))
    , clipboardManager_(x_->atom("CLIPBOARD_MANAGER"))
    , saveTargets_(x_->atom("SAVE_TARGETS"))
    , null_(x_->atom("NULL"))
    , notice_(std::make_shared<ChangeNotice>())
{
    // The endpoint hears every change of owner, an owner going away included, to offer on what it
    // copied.
    long maxRequest = XExtendedMaxRequestSize(display_);
    if (maxRequest == 0)
        maxRequest = XMaxRequestSize(display_);
    // The request size is in 4-byte units and includes the ChangeProperty header.
    const std::size_t serverLimit = static_cast<std::size_t>(std::max(maxRequest, 1024L)) * 4 - 64;
    incrThreshold_ = options_.incrThreshold ? options_.incrThreshold : serverLimit;
    chunkSize_ = std::clamp<std::size_t>(incrThreshold_, 1, std::min(kMaxChunk, serverLimit));
    if (clipboard_ != XA_PRIMARY)
        becomeManager();
    startThread([this] { run(); });
}

X11ClipboardOwner::~X11ClipboardOwner()
{
    stopThread();
    std::lock_guard lock(mutex_);
    for (auto& job : jobs_)
        job->result.set_value(false);
}

bool X11ClipboardOwner::submit(std::vector<std::pair<std::string, Bytes>> targets, bool mirror)
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
        logLine(LogCategory::X11, "No se pudo escribir en el portapapeles: el servidor X no respondió a tiempo");
        return false;
    }
    return result.get();
}

void X11ClipboardOwner::setChangeHandler(std::function<void()> handler)
{
    std::lock_guard lock(notice_->mutex);
    notice_->handler = std::move(handler);
}

void X11ClipboardOwner::retain(std::int64_t change, Targets targets)
{
    {
        std::lock_guard lock(mutex_);
        incomingRetain_.emplace(change, std::move(targets));
    }
    wake_.wake();
}

void X11ClipboardOwner::run()
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

void X11ClipboardOwner::takeRetained(std::pair<std::int64_t, Targets> incoming)
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

bool X11ClipboardOwner::mirror()
{
    // Only Brisa's own content: what another program owns would have to be read first.
    if (clipboard_ == XA_PRIMARY || !offer_ || XGetSelectionOwner(display_, clipboard_) != window_)
        return false;
    XSetSelectionOwner(display_, XA_PRIMARY, window_, serverTime());
    if (XGetSelectionOwner(display_, XA_PRIMARY) != window_) {
        logLine(LogCategory::X11, "No se pudo tomar la selección del ratón");
        return false;
    }
    primaryOffer_ = offer_;
    return true;
}

bool X11ClipboardOwner::takeOver()
{
    if (!retained_ || retained_->change != changeCount())
        return false;
    if (!own(retained_->offer, false))
        return false;
    logLine(LogCategory::X11, "Brisa ofrece el portapapeles de un programa que se cerró");
    return true;
}

void X11ClipboardOwner::becomeManager()
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

void X11ClipboardOwner::serveManager(const XSelectionRequestEvent& request)
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

void X11ClipboardOwner::answerSave(const XSelectionRequestEvent& request, bool saved)
{
    if (!saved) {
        notifyRequestor(display_, request, None);
        return;
    }
    // A target that is only a side effect answers with an empty property of type NULL.
    XChangeProperty(display_, request.requestor, request.property, null_, 32, PropModeReplace, &kNothing, 0);
    notifyRequestor(display_, request, request.property);
}

void X11ClipboardOwner::expireSave()
{
    if (pendingSave_ && steadyNow() >= pendingSave_->deadline) {
        answerSave(pendingSave_->request, false);
        pendingSave_.reset();
    }
}

void X11ClipboardOwner::handlePending()
{
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        handle(event);
    }
}

void X11ClipboardOwner::handle(XEvent& event)
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

void X11ClipboardOwner::serve(const XSelectionRequestEvent& request)
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

bool X11ClipboardOwner::convert(Window requestor, Atom target, Atom property)
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

bool X11ClipboardOwner::convertMultiple(Window requestor, Atom property)
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

bool X11ClipboardOwner::sendChunk(Outgoing& transfer)
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

void X11ClipboardOwner::onPropertyDeleted(Window window, Atom property)
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

void X11ClipboardOwner::forget(std::size_t transfer)
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

void X11ClipboardOwner::expireTransfers()
{
    const SteadyTime now = steadyNow();
    for (std::size_t i = transfers_.size(); i-- > 0;) {
        if (now - transfers_[i].lastActivity > options_.transferLimit) {
            logLine(LogCategory::X11, "Transferencia del portapapeles abandonada: el otro programa dejó de leer");
            forget(i);
        }
    }
}

bool X11ClipboardOwner::take(std::vector<std::pair<std::string, Bytes>> targets)
{
    return own(makeOffer(std::move(targets)), true);
}

std::shared_ptr<X11ClipboardOwner::Offer> X11ClipboardOwner::makeOffer(std::vector<std::pair<std::string, Bytes>> targets)
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

bool X11ClipboardOwner::own(std::shared_ptr<const Offer> offer, bool counted)
{
    const Time time = serverTime();
    XSetSelectionOwner(display_, clipboard_, window_, time);
    if (XGetSelectionOwner(display_, clipboard_) != window_) {
        logLine(LogCategory::X11, "No se pudo tomar el portapapeles");
        return false;
    }
    ownTakes_.emplace_back(time, counted);
    if (ownTakes_.size() > 64) // an event the server never sent must not grow this for ever
        ownTakes_.pop_front();
    ownedSince_ = time;
    offer_ = std::move(offer);
    return true;
}

Bool X11ClipboardOwner::isTimestampEvent(Display*, XEvent* event, XPointer self)
{
    const auto* owner = reinterpret_cast<const X11ClipboardOwner*>(self);
    return event->type == PropertyNotify && event->xproperty.window == owner->window_
        && event->xproperty.atom == owner->timestampProperty_;
}

Time X11ClipboardOwner::serverTime()
{
    // Selection ownership wants a real server time, not CurrentTime: a zero-length append to one of
    // our own properties yields a PropertyNotify that carries it.
    XChangeProperty(display_, window_, timestampProperty_, XA_INTEGER, 8, PropModeAppend, &kNothing, 0);
    XEvent event;
    XIfEvent(display_, &event, &X11ClipboardOwner::isTimestampEvent, reinterpret_cast<XPointer>(this));
    return event.xproperty.time;
}

} // namespace brisa
