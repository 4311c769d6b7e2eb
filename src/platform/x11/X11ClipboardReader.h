// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11SelectionSupport.h"

#include <X11/Xlib.h>

#include <array>
#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace brisa {

/// Converts another owner's selection into a snapshot: one snapshot at a time, each answer (incremental
/// transfers included) awaited with a deadline, on its own connection and thread.
class X11ClipboardReader : private x11::SelectionEndpoint {
public:
    using Options = X11Clipboard::Options;
    using Chooser = Clipboard::Chooser;
    using ReadDone = Clipboard::ReadDone;

    X11ClipboardReader(std::unique_ptr<X11Display> display, int xfixesEventBase, Scheduler& scheduler,
                       const Options& options);
    ~X11ClipboardReader();
    X11ClipboardReader(const X11ClipboardReader&) = delete;
    X11ClipboardReader& operator=(const X11ClipboardReader&) = delete;

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
    Conversion convert(Atom target, x11::SteadyTime limit);
    Conversion receiveIncremental(Atom property, const Property& announce, x11::SteadyTime limit);
    template <typename Wanted>
    Outcome waitFor(Wanted wanted, XEvent& out, x11::SteadyTime deadline);
    std::optional<Property> peek(Atom property);
    std::optional<Bytes> take(Atom property, const Property& info);
    bool isOwnerChange(const XEvent& event) const;
    void discardPending();

    Scheduler& scheduler_;
    const Options options_;
    const int xfixesEventBase_;
    // Each conversion lands in the next of these, so a late answer to an abandoned one is never taken
    // for the answer to the current one.
    std::array<Atom, 4> properties_{};
    std::size_t nextProperty_ = 0;

    std::mutex mutex_;
    std::deque<Request> queue_;
};

} // namespace brisa
