// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeyWatcher.h"
#include "platform/x11/X11EventSource.h"
#include "platform/x11/XkbKeyReader.h"

#include <QObject>

#include <array>
#include <cstdint>
#include <memory>
#include <string>


namespace brisa {

class X11Display;

/// KeyWatcher on XInput 2 raw key events selected on the root window of a connection of its own:
/// keys are seen, never taken, whichever window has the focus (a grab included). The connection is
/// read from the main thread's event loop when the server has sent something: no timer, no thread.
/// Key codes are read with the keyboard's real layout through xkbcommon, which follows layout
/// switches and new keymaps (XKB state and keyboard notifications); the focus through the root
/// window's _NET_ACTIVE_WINDOW; clicks from raw button events (the wheel left out).
class X11KeyWatcher final : public X11EventSource, public KeyWatcher {
    Q_OBJECT
public:
    /// Connects to displayName (empty: $DISPLAY). nullptr, with a log line, without a display, an
    /// XInput 2.1 or an XKB server.
    static std::unique_ptr<X11KeyWatcher> create(const std::string& displayName = {});
    ~X11KeyWatcher() override;
    X11KeyWatcher(const X11KeyWatcher&) = delete;
    X11KeyWatcher& operator=(const X11KeyWatcher&) = delete;

    void setHandlers(Handlers handlers) override;

    /// How many times the connection woke the watcher up; for tests that check an idle one sleeps.
    std::uint64_t wakeCount() const { return wakes_; }

private:
    X11KeyWatcher(std::unique_ptr<X11Display> display, int xiOpcode, int xkbEventBase);

    void readEvents() override;
    bool loadKeymap();
    void readState();
    unsigned long activeWindow();
    /// True when a key held for this long (ms) has started repeating.
    bool repeatedAfter(unsigned long held);

    int xiOpcode_ = 0;
    int xkbEventBase_ = 0;
    unsigned long activeAtom_ = 0;
    unsigned long lastActive_ = 0;
    XkbKeyReader reader_;
    Handlers handlers_;
    /// When each key went down (server time, ms), to tell a key held until it repeated.
    std::array<unsigned long, 256> pressedAt_{};
    std::uint64_t wakes_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace brisa
