// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalHotkeys.h"

#include <memory>
#include <string>

namespace brisa {

class Scheduler;

/// Global hotkeys as passive key grabs on the X root window. A connection and a thread of their own
/// read the key events (every X call happens on that thread); events reach the handler through
/// Scheduler::post, so on the main thread. Auto-repeat never shows as a release: a held combination
/// gives one press and one release.
class X11GlobalHotkeys final : public GlobalHotkeys {
public:
    /// Connects to displayName (empty: $DISPLAY); nullptr, with a log line, when that fails.
    /// scheduler must outlive the object.
    static std::unique_ptr<X11GlobalHotkeys> create(Scheduler& scheduler, const std::string& displayName = {});
    /// Releases every grab and stops the thread; events still queued for the main thread are dropped.
    ~X11GlobalHotkeys() override;
    X11GlobalHotkeys(const X11GlobalHotkeys&) = delete;
    X11GlobalHotkeys& operator=(const X11GlobalHotkeys&) = delete;

    /// Grabs the key that produces keysym on the current keyboard map, once for every mix of
    /// CapsLock, NumLock and ScrollLock; fails (status 10, BadAccess) when another client holds any
    /// of them, and then keeps none. Blocks until the server answered.
    GrabResult grab(std::uint32_t keysym, std::uint32_t modifiers, HotkeyId id) override;
    void ungrab(HotkeyId id) override;
    void setHandler(Handler handler) override;

    struct Impl;

private:
    explicit X11GlobalHotkeys(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> impl_;
};

} // namespace brisa
