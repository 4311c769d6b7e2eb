// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11CompositorWatch.h"

#include "core/support/Log.h"

#include <QSocketNotifier>

// Last: their macros (None, Bool, Status) would clash with names in the headers above.
#include "platform/x11/X11Display.h"
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace brisa {

std::unique_ptr<X11CompositorWatch> X11CompositorWatch::create(const std::string& displayName)
{
    auto display = X11Display::open(displayName);
    if (!display)
        return nullptr;
    Display* d = display->get();
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XFixesQueryExtension(d, &eventBase, &errorBase) || !XFixesQueryVersion(d, &major, &minor) || major < 1) {
        logLine(LogCategory::X11,
                "El servidor X no ofrece XFixes: Brisa no sabrá si hay compositor y supondrá que no lo hay");
        return nullptr;
    }
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(d));
    const Atom selection = display->atom(name);
    XFixesSelectSelectionInput(d, DefaultRootWindow(d), selection,
                               XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                   XFixesSelectionClientCloseNotifyMask);
    XSync(d, False);
    return std::unique_ptr<X11CompositorWatch>(new X11CompositorWatch(std::move(display), selection, eventBase));
}

X11CompositorWatch::X11CompositorWatch(std::unique_ptr<X11Display> display, unsigned long selection, int xfixesEventBase)
    : display_(std::move(display))
    , selection_(selection)
    , xfixesEventBase_(xfixesEventBase)
{
    // Asked after selecting the events: a compositor starting in between is reported, not missed.
    active_ = ownerExists();
    notifier_ = new QSocketNotifier(static_cast<qintptr>(ConnectionNumber(display_->get())), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readEvents(); });
    if (XEventsQueued(display_->get(), QueuedAlready) > 0)
        QMetaObject::invokeMethod(this, [this] { readEvents(); }, Qt::QueuedConnection);
}

X11CompositorWatch::~X11CompositorWatch()
{
    // The notifier must let go of the descriptor before the connection closes it.
    delete notifier_;
    notifier_ = nullptr;
}

bool X11CompositorWatch::ownerExists() const
{
    return XGetSelectionOwner(display_->get(), selection_) != None;
}

void X11CompositorWatch::readEvents()
{
    Display* d = display_->get();
    bool changed = false;
    while (XPending(d)) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == xfixesEventBase_ + XFixesSelectionNotify)
            changed = true;
    }
    if (!changed)
        return;
    // The owner now, rather than the last event's word: events of a quick stop and start come together.
    const bool active = ownerExists();
    // The round trip may have queued events behind the socket's back.
    if (XEventsQueued(d, QueuedAlready) > 0)
        QMetaObject::invokeMethod(this, [this] { readEvents(); }, Qt::QueuedConnection);
    if (active == active_)
        return;
    active_ = active;
    logLine(LogCategory::X11, active ? "Compositor activo: el panel y los avisos se dibujan translúcidos"
                   : "Sin compositor: el panel y los avisos se recortan a su contorno y se dibujan opacos");
    if (changed_)
        changed_(active);
}

} // namespace brisa
