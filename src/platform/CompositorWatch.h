// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace brisa {

/// Whether a compositing manager runs on the desktop: without one, a translucent window shows
/// black wherever it is not opaque, so Brisa's overlay windows are cut to their outline instead.
class CompositorWatch {
public:
    /// Runs on the main thread with the new state after a compositor started or stopped.
    using Changed = std::function<void(bool active)>;

    virtual ~CompositorWatch() = default;

    /// True while a compositing manager runs.
    virtual bool isActive() const = 0;
    /// Replaces the receiver of changes; an empty one drops them.
    virtual void onChanged(Changed changed) = 0;
};

} // namespace brisa
