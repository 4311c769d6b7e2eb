// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"
#include "platform/Clipboard.h"

#include <QObject>

#include <cstddef>
#include <deque>
#include <list>
#include <memory>
#include <optional>
#include <string>

struct wl_proxy;

namespace brisa {

class WaylandConnection;

/// The clipboard (or the primary selection) of a Wayland seat, through the compositor's data-control
/// protocol. Everything runs on the main thread's event loop: offers are read through non-blocking
/// pipes a chunk at a time, and what Brisa wrote is served the same way, so a slow or hung program
/// never blocks Brisa. What retain() was given is offered on when the program that copied it quits
/// (the compositor then empties the clipboard).
class WaylandClipboard final : public Clipboard {
public:
    struct Options {
        /// The primary (mouse) selection instead of the clipboard; it never keeps content after its owner quits.
        bool primary = false;
        /// Longest wait for any answer of the clipboard's owner (the next bytes of a transfer included).
        Duration timeout{2000};
        /// Longest time one transfer may take in all.
        Duration transferLimit{30000};
        /// Targets whose data is larger are left out of snapshots.
        std::size_t maxBytes = 50u * 1024 * 1024;
    };

    /// nullptr with a log line when the compositor offers no data control (or, for the primary
    /// selection, no primary selection through it). Callbacks are posted to scheduler.
    static std::unique_ptr<WaylandClipboard> create(std::shared_ptr<WaylandConnection> connection,
                                                    Scheduler& scheduler, const Options& options);
    static std::unique_ptr<WaylandClipboard> create(std::shared_ptr<WaylandConnection> connection,
                                                    Scheduler& scheduler)
    {
        return create(std::move(connection), scheduler, Options{});
    }
    /// Reads still queued are dropped without calling their callbacks.
    ~WaylandClipboard() override;

    std::int64_t changeCount() const override { return changes_; }
    void read(Chooser choose, ReadDone done) override;
    bool write(std::vector<std::pair<std::string, Bytes>> targets) override;
    bool notifiesChanges() const override { return true; }
    void setChangeHandler(std::function<void()> handler) override { changeHandler_ = std::move(handler); }
    void retain(std::int64_t change, Targets targets) override;
    bool mirrorToPrimary() override;

    // Event handlers of the protocol's objects (called by libwayland through plain function tables).
    struct OfferState;
    struct SourceState;
    void onDataOffer(wl_proxy* offer);
    void onSelection(wl_proxy* offer, bool primary);
    void onFinished();
    void onSend(SourceState* source, const char* mimeType, int fd);
    void onCancelled(SourceState* source);

private:
    struct Data;
    struct Request {
        Chooser choose;
        ReadDone done;
    };
    struct Reading;
    struct Outgoing;

    WaylandClipboard(std::shared_ptr<WaylandConnection> connection, Scheduler& scheduler, const Options& options);
    /// Takes the selection with a source offering data; counted says whether it is a change of its own.
    bool offer(std::shared_ptr<const Data> data, bool primarySelection, bool counted);
    void takeOver();
    void startNextRead();
    void receiveNext();
    void onPipeReadable();
    void finishRead(std::optional<ClipboardSnapshot> snapshot);
    void dropTransfer(Outgoing* transfer);
    void serve(Outgoing* transfer);
    void notifyChange();

    std::shared_ptr<WaylandConnection> connection_;
    Scheduler& scheduler_;
    const Options options_;
    /// Parent of the notifiers and timers, so that none outlives the clipboard.
    QObject context_;
    wl_proxy* device_ = nullptr;
    OfferState* current_ = nullptr;
    /// Bumped by every selection event: a read that sees it move was overtaken by a new copy.
    std::uint64_t selectionSerial_ = 0;
    std::int64_t changes_ = 0;
    /// Selection events still to come from Brisa's own takes that are not changes (offering on).
    int uncountedTakes_ = 0;
    bool initialised_ = false;
    std::list<std::unique_ptr<SourceState>> sources_;
    /// What Brisa last wrote, while the selection is still that.
    std::shared_ptr<const Data> owned_;
    std::optional<std::pair<std::int64_t, std::shared_ptr<const Data>>> retained_;
    std::list<std::unique_ptr<Outgoing>> transfers_;

    std::deque<Request> queue_;
    std::unique_ptr<Reading> reading_;
    std::function<void()> changeHandler_;
    bool changePosted_ = false;
    /// Shared with posted tasks, which must do nothing once the clipboard is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace brisa
