// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <initializer_list>
#include <memory>
#include <optional>

class QSocketNotifier;
struct _XDisplay; // Xlib's Display: its header's macros stay out of the users of this one

namespace brisa {

class X11Display;

/// A connection of its own read on the main thread's event loop: the socket wakes readEvents()
/// when the server has sent something (no timer, no thread), and events Xlib already queued while
/// reading a reply get a read of their own through scheduleQueuedRead().
class X11EventSource : public QObject {
    Q_OBJECT
protected:
    explicit X11EventSource(std::unique_ptr<X11Display> display);
    ~X11EventSource() override;

    /// Reads everything pending on the connection.
    virtual void readEvents() = 0;
    /// After a request that read a reply (and last in the constructor): reads the events that came
    /// with it, which the socket will not announce again.
    void scheduleQueuedRead();

    std::unique_ptr<X11Display> display_;

private:
    QSocketNotifier* notifier_ = nullptr;
    bool readScheduled_ = false;
};

namespace x11 {

/// XInput's opcode and the version the server speaks (2.2 asked for; major 0 when it does not say).
struct XInputVersion {
    int opcode = 0;
    int major = 0;
    int minor = 0;
    /// 2.1 is the first version that delivers raw events during another client's grab.
    bool rawDuringGrabs() const { return major > 2 || (major == 2 && minor >= 1); }
};
/// nullopt when the server has no XInput extension.
std::optional<XInputVersion> queryXInput(_XDisplay* display);

/// Selects the raw events named (XI_RawKeyPress, ...) on the root window, from master devices
/// only: each slave's events would arrive a second time through its master.
void selectRawEvents(_XDisplay* display, std::initializer_list<int> events);

} // namespace x11
} // namespace brisa
