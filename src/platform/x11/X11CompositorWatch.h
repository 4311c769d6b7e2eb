// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CompositorWatch.h"

#include <QObject>

#include <memory>
#include <string>

class QSocketNotifier;

namespace brisa {

class X11Display;

/// CompositorWatch on the compositing manager selection of the default screen (_NET_WM_CM_S<n>): a
/// compositor runs while that selection has an owner. XFixes reports every change of owner, and the
/// owner's going away, on a connection of its own that the main thread's event loop reads when the
/// server has sent something: no timer, no thread.
class X11CompositorWatch final : public QObject, public CompositorWatch {
    Q_OBJECT
public:
    /// Connects to displayName (empty: $DISPLAY); nullptr, with a log line, without a display or XFixes.
    static std::unique_ptr<X11CompositorWatch> create(const std::string& displayName = {});
    ~X11CompositorWatch() override;
    X11CompositorWatch(const X11CompositorWatch&) = delete;
    X11CompositorWatch& operator=(const X11CompositorWatch&) = delete;

    bool isActive() const override { return active_; }
    void onChanged(Changed changed) override { changed_ = std::move(changed); }

private:
    X11CompositorWatch(std::unique_ptr<X11Display> display, unsigned long selection, int xfixesEventBase);

    void readEvents();
    /// Asks the server who owns the selection now.
    bool ownerExists() const;

    std::unique_ptr<X11Display> display_;
    unsigned long selection_ = 0; ///< the atom _NET_WM_CM_S<n>
    int xfixesEventBase_ = 0;
    bool active_ = false;
    QSocketNotifier* notifier_ = nullptr;
    Changed changed_;
};

} // namespace brisa
