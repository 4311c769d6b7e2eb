// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11SelectionSupport.h"

#include <X11/Xlib.h>

#include <atomic>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace brisa {

struct ChangeNotice;

/// Counts owner changes and serves what Brisa wrote, on its own connection and thread. It also keeps the
/// content of the latest change the monitor accepted, to offer it on once the program that copied it quits.
class X11ClipboardOwner : private x11::SelectionEndpoint {
public:
    using Options = X11Clipboard::Options;
    using Targets = Clipboard::Targets;

    X11ClipboardOwner(std::unique_ptr<X11Display> display, int xfixesEventBase, Scheduler& scheduler,
                      const Options& options);
    ~X11ClipboardOwner();
    X11ClipboardOwner(const X11ClipboardOwner&) = delete;
    X11ClipboardOwner& operator=(const X11ClipboardOwner&) = delete;

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
        x11::SteadyTime lastActivity;
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
        x11::SteadyTime deadline;
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

    const Options options_;
    const int xfixesEventBase_;
    Scheduler& scheduler_;
    Atom timestamp_, multiple_, atomPair_, timestampProperty_;
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
    std::shared_ptr<ChangeNotice> notice_;
    /// Our own takes of the clipboard not seen back yet: their time, and whether they count as a change
    /// (a write does; offering on what another program copied does not).
    std::deque<std::pair<Time, bool>> ownTakes_;
    std::optional<Retained> retained_;
    std::optional<PendingSave> pendingSave_;

    std::mutex mutex_;
    std::deque<std::shared_ptr<WriteJob>> jobs_;
    /// The latest retain() not taken in by the thread yet (an older one is of no use).
    std::optional<std::pair<std::int64_t, Targets>> incomingRetain_;
};

} // namespace brisa
