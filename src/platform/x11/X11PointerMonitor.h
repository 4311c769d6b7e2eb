// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PointerMonitor.h"
#include "platform/x11/X11EventSource.h"

#include <QObject>

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>


namespace brisa {

class X11Display;

/// PointerMonitor on XInput 2 raw events (motion, button press, key press) selected on the root
/// window of a connection of its own. The connection is read from the main thread's event loop when
/// the server has sent something, so an idle desktop costs nothing: no timer, no thread. Raw events
/// arrive even while another client grabs the pointer or keyboard (XInput 2.1 and later).
/// Moves that arrive together are reported once, at the pointer position read after them; a move
/// that leaves the pointer where it was (a scroll wheel's valuators) is not reported.
class X11PointerMonitor final : public X11EventSource, public PointerMonitor {
    Q_OBJECT
public:
    /// Turns a root-window pixel (origin top-left, y down) into a global point.
    using ToGlobal = std::function<Point(double x, double y)>;

    /// The pixel's bottom-left corner, x unchanged and y = primaryHeight() - y - 1, so that the top
    /// row of pixels lands inside the screen. Right when the primary screen's top-left corner is the
    /// root window's origin; primaryHeight is asked at every conversion (screens come and go).
    static ToGlobal flipAgainst(std::function<double()> primaryHeight);

    /// Connects to displayName (empty: $DISPLAY) and selects the raw events. toGlobal empty: y is
    /// flipped against the root window's height, which is only right with a single screen. nullptr,
    /// with a log line, without a display or an XInput 2 server.
    static std::unique_ptr<X11PointerMonitor> create(ToGlobal toGlobal = {}, const std::string& displayName = {});
    ~X11PointerMonitor() override;
    X11PointerMonitor(const X11PointerMonitor&) = delete;
    X11PointerMonitor& operator=(const X11PointerMonitor&) = delete;

    void setHandlers(Handlers handlers) override;
    /// Asks the server (one round trip); the last position known when it cannot answer.
    Point pointerPosition() override;

    /// How many times the connection woke the monitor up; for tests that check an idle one sleeps.
    std::uint64_t wakeCount() const { return wakes_; }

private:
    X11PointerMonitor(std::unique_ptr<X11Display> display, int xiOpcode, ToGlobal toGlobal);

    void readEvents() override;
    void findEscapeKeys();
    Point position();

    int xiOpcode_ = 0;
    ToGlobal toGlobal_;
    Handlers handlers_;
    /// Keycodes that give Escape on the current keyboard map.
    std::bitset<256> escapeKeys_;
    bool hasLastMoved_ = false;
    Point lastMoved_;
    std::uint64_t wakes_ = 0;
    /// Expires with the monitor: tells a running readEvents that a receiver destroyed it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace brisa
