// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11EventSource.h"

#include "platform/x11/X11Display.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace brisa {

X11EventSource::X11EventSource(std::unique_ptr<X11Display> display)
    : display_(std::move(display))
{
    notifier_ = new QSocketNotifier(static_cast<qintptr>(ConnectionNumber(display_->get())), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readEvents(); });
}

X11EventSource::~X11EventSource()
{
    // The notifier must let go of the descriptor before the connection closes it.
    delete notifier_;
    notifier_ = nullptr;
}

void X11EventSource::scheduleQueuedRead()
{
    if (readScheduled_ || XEventsQueued(display_->get(), QueuedAlready) == 0)
        return;
    readScheduled_ = true;
    QMetaObject::invokeMethod(this, [this] {
        readScheduled_ = false;
        readEvents();
    }, Qt::QueuedConnection);
}

namespace x11 {

std::optional<XInputVersion> queryXInput(Display* display)
{
    XInputVersion version;
    int firstEvent = 0, firstError = 0;
    if (!XQueryExtension(display, "XInputExtension", &version.opcode, &firstEvent, &firstError))
        return std::nullopt;
    int major = 2, minor = 2;
    if (XIQueryVersion(display, &major, &minor) == Success) {
        version.major = major;
        version.minor = minor;
    }
    return version;
}

void selectRawEvents(Display* display, std::initializer_list<int> events)
{
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    for (int event : events)
        XISetMask(bits, event);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
}

} // namespace x11
} // namespace brisa
