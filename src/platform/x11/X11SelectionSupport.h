// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/x11/X11Display.h"

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// What the clipboard's owner and reader threads share: a wake-up for a thread asleep on its connection,
// deadlines on the steady clock, and the hidden window each converses through.
namespace brisa::x11 {

using SteadyTime = std::chrono::steady_clock::time_point;

inline SteadyTime steadyNow() { return std::chrono::steady_clock::now(); }

/// Wakes a thread sleeping in poll() on the X connection (new work, or time to stop).
class WakeFd {
public:
    WakeFd();
    ~WakeFd();
    WakeFd(const WakeFd&) = delete;
    WakeFd& operator=(const WakeFd&) = delete;

    int fd() const { return fd_; }
    void wake() const;
    void drain() const;

private:
    int fd_;
};

enum class Woke { Display, Wake, Timeout };

/// Sleeps until the X connection has input, the wake fd fires, or timeoutMs passes (-1: no limit).
Woke sleepOn(Display* display, const WakeFd& wake, int timeoutMs);

/// Milliseconds left until deadline, for poll(): 0 once it passed, at most a minute.
int millisUntil(SteadyTime deadline);

/// An unmapped window that hears its own property changes.
Window makeSelectionWindow(Display* display);

/// Has window told of every change of selection's owner, its owner's window or connection going included.
void selectOwnerChanges(Display* display, Window window, Atom selection);

/// False with a log line when the server lacks XFixes, which tells owner changes.
bool queryXfixes(Display* display, int& eventBase);

/// What the clipboard's owner and reader are made of alike: a connection of their own, a hidden
/// window told of every change of the selection's owner, and a thread of their own that the wake
/// fd stops.
class SelectionEndpoint {
protected:
    SelectionEndpoint(std::unique_ptr<X11Display> display, const std::string& selection);
    ~SelectionEndpoint();
    SelectionEndpoint(const SelectionEndpoint&) = delete;
    SelectionEndpoint& operator=(const SelectionEndpoint&) = delete;

    /// Flushes the set-up and runs body on the thread; last in the constructor of the class that
    /// owns what body reads.
    void startThread(std::function<void()> body);
    /// Tells the thread to stop and waits for it; first in that class's destructor.
    void stopThread();

    std::unique_ptr<X11Display> x_;
    Display* display_;
    Window window_;
    Atom clipboard_, targets_, incr_;
    WakeFd wake_;
    std::atomic<bool> stop_{false};

private:
    std::thread thread_;
};

} // namespace brisa::x11
