// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"
#include "platform/Clipboard.h"

#include <cstddef>
#include <memory>
#include <string>

namespace brisa {

class X11ClipboardOwner;
class X11ClipboardReader;
class X11Display;

/// The CLIPBOARD selection of an X server. Owner changes are counted from XFixes events and told to the
/// change handler; reads run on a connection and thread of their own, and so does serving what Brisa
/// wrote, so a slow or hung clipboard owner never blocks the main thread. Brisa is the clipboard manager
/// of the freedesktop convention (it owns CLIPBOARD_MANAGER when no other program does): what retain() was
/// given is offered on when its owner quits, or asks for SAVE_TARGETS on its way out.
class X11Clipboard final : public Clipboard {
public:
    struct Options {
        /// Display to connect to; empty for $DISPLAY.
        std::string displayName{};
        /// The selection watched, read and written: "CLIPBOARD", or "PRIMARY" for the mouse selection (which
        /// never keeps content after its owner quits, nor becomes the clipboard manager).
        std::string selection = "CLIPBOARD";
        /// Longest wait for any single answer of a clipboard owner (and for taking ownership).
        Duration timeout{2000};
        /// Longest time one conversion may take in all, incremental transfers included.
        Duration transferLimit{30000};
        /// Targets whose data is larger are left out of snapshots.
        std::size_t maxBytes = 50u * 1024 * 1024;
        /// Data larger than this is served in increments; 0 for the server's maximum request size.
        std::size_t incrThreshold = 0;
    };

    /// Connects to the display; nullptr with a log line when it cannot be opened or lacks XFixes.
    /// Callbacks of read() are posted to scheduler, which must outlive the clipboard.
    static std::unique_ptr<X11Clipboard> create(Scheduler& scheduler, const Options& options);
    static std::unique_ptr<X11Clipboard> create(Scheduler& scheduler) { return create(scheduler, Options{}); }

    /// Stops both threads; reads still queued are dropped without calling their callbacks.
    ~X11Clipboard() override;

    /// Offering on what retain() kept is not a change: the content is the one already counted.
    std::int64_t changeCount() const override;
    void read(Chooser choose, ReadDone done) override;
    bool write(std::vector<std::pair<std::string, Bytes>> targets) override;
    bool notifiesChanges() const override { return true; }
    void setChangeHandler(std::function<void()> handler) override;
    void retain(std::int64_t change, Targets targets) override;
    bool mirrorToPrimary() override;
    bool selectionInProgress() override;

private:
    X11Clipboard(std::unique_ptr<X11ClipboardOwner> owner, std::unique_ptr<X11ClipboardReader> reader);

    std::unique_ptr<X11ClipboardOwner> owner_;
    std::unique_ptr<X11ClipboardReader> reader_;
    std::string displayName_;
    /// The main thread's own connection, for the pointer's buttons; opened when first needed.
    std::unique_ptr<X11Display> pointer_;
};

} // namespace brisa
