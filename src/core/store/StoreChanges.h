// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <optional>
#include <vector>

namespace brisa {

/// The history's change notices, shared by everyone who shows it (the panel, the library window).
/// A write through this process's Storage is told at once; another process's commit when any
/// holder calls poll(), which compares SQLite's data_version. Whoever notices a change, every
/// subscriber hears of it: nothing is consumed by the first caller.
class StoreChanges {
public:
    enum class Origin {
        Here,      ///< written through this process's Storage
        Elsewhere, ///< committed by another connection (the command line, a script)
    };
    using Listener = std::function<void(Origin)>;
    /// The rows (by rowid) a change inserted, rewrote or deleted, and what it did to them when
    /// that was one field only, so that a holder can bring its copy up to date without rereading.
    struct Rows {
        enum class Kind {
            Written, ///< inserted or rewritten: read them again
            Deleted,
            Pinned,
            Unpinned,
            Filed, ///< moved to space (none when empty)
        };
        Kind kind = Kind::Written;
        std::vector<std::int64_t> rowids{};
        std::string space{}; ///< for Filed: the space's id as stored
    };
    /// The rows of the change, or nullopt when they are not known (another process's commit).
    using RowsListener = std::function<void(Origin, const std::optional<Rows>&)>;

    /// Ends its listener when it goes; may outlive the StoreChanges it came from.
    class Subscription {
    public:
        Subscription() = default;
        ~Subscription() { reset(); }
        Subscription(Subscription&& other) noexcept;
        Subscription& operator=(Subscription&& other) noexcept;
        Subscription(const Subscription&) = delete;
        Subscription& operator=(const Subscription&) = delete;
        /// Stops the listener now.
        void reset();

    private:
        friend class StoreChanges;
        struct State;
        Subscription(std::weak_ptr<State> state, std::uint64_t id) : state_(std::move(state)), id_(id) {}
        std::weak_ptr<State> state_;
        std::uint64_t id_ = 0;
    };

    /// dataVersion reads PRAGMA data_version of the store's connection; nullopt on failure.
    explicit StoreChanges(std::function<std::optional<std::int64_t>()> dataVersion);
    ~StoreChanges();
    StoreChanges(const StoreChanges&) = delete;
    StoreChanges& operator=(const StoreChanges&) = delete;

    /// listener runs after every change, in subscription order, on the store's thread.
    [[nodiscard]] Subscription subscribe(Listener listener);
    /// subscribe, told which rows changed where that is known.
    [[nodiscard]] Subscription subscribeRows(RowsListener listener);
    /// Looks for another process's commit since the last look; true (and every subscriber told)
    /// when there was one. Cheap: meant to run each second while a view is open.
    bool poll();
    /// Grows with every change noticed, here or elsewhere: a holder that keeps the value it saw
    /// knows, on its next look, whether anything changed meanwhile.
    std::uint64_t generation() const;
    /// Storage calls this after each of its own writes, with the rows when it knows them.
    void notifyHere(std::optional<Rows> rows = std::nullopt);

private:
    void notify(Origin origin, const std::optional<Rows>& rows);

    std::shared_ptr<Subscription::State> state_;
    std::function<std::optional<std::int64_t>()> dataVersion_;
    std::optional<std::int64_t> seenVersion_;
};

} // namespace brisa
