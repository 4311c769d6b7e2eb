// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11SelectionSupport.h"

#include "core/support/Log.h"

#include <X11/extensions/Xfixes.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace brisa::x11 {

WakeFd::WakeFd() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeFd::~WakeFd()
{
    if (fd_ >= 0)
        close(fd_);
}

void WakeFd::wake() const
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(fd_, &one, sizeof one);
}

void WakeFd::drain() const
{
    std::uint64_t value = 0;
    [[maybe_unused]] const auto n = ::read(fd_, &value, sizeof value);
}

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

Window makeSelectionWindow(Display* display)
{
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(display, window, PropertyChangeMask);
    XStoreName(display, window, "Brisa clipboard");
    return window;
}

void selectOwnerChanges(Display* display, Window window, Atom selection)
{
    XFixesSelectSelectionInput(display, window, selection,
                               XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask
                                   | XFixesSelectionClientCloseNotifyMask);
}

bool queryXfixes(Display* display, int& eventBase)
{
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase) || !XFixesQueryVersion(display, &major, &minor)
        || major < 1) {
        logLine(LogCategory::X11, "El servidor X no ofrece la extensión XFixes: no se puede vigilar el portapapeles");
        return false;
    }
    return true;
}

SelectionEndpoint::SelectionEndpoint(std::unique_ptr<X11Display> display, const std::string& selection)
    : x_(std::move(display))
    , display_(x_->get())
    , window_(makeSelectionWindow(display_))
    , clipboard_(x_->atom(selection))
    , targets_(x_->atom("TARGETS"))
    , incr_(x_->atom("INCR"))
{
    selectOwnerChanges(display_, window_, clipboard_);
}

SelectionEndpoint::~SelectionEndpoint() { stopThread(); }

void SelectionEndpoint::startThread(std::function<void()> body)
{
    XFlush(display_);
    thread_ = std::thread(std::move(body));
}

void SelectionEndpoint::stopThread()
{
    if (!thread_.joinable())
        return;
    stop_ = true;
    wake_.wake();
    thread_.join();
}

} // namespace brisa::x11
