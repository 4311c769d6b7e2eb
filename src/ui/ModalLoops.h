// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

class QMenu;
class QObject;

namespace brisa {

/// The nested event loops (menus, drags, dialogs) of a view whose rows stay put while one runs:
/// a read of the history asked for meanwhile runs once, after the outermost loop.
class ModalLoops {
public:
    /// Queued loops run on owner's thread, and not at all once owner is gone; reread is the
    /// view's read of the history. Meant as a member of owner.
    ModalLoops(QObject* owner, std::function<void()> reread);

    /// Whether a loop runs: the rows are to stay put.
    bool running() const { return running_; }
    /// reread now, or once the loop that runs is over.
    void rereadWhenFree();
    /// Runs loop; nested ones are part of the outermost.
    void run(const std::function<void()>& loop);
    /// run(loop) once the caller, a QML handler, has returned.
    void runLater(std::function<void()> loop);
    /// Runs menu at the pointer, later as runLater does. Built by the caller, from the row as it
    /// is at the click.
    void runMenuLater(std::unique_ptr<QMenu> menu);

private:
    QObject* owner_;
    std::function<void()> reread_;
    bool running_ = false;
    bool rereadAfter_ = false;
};

} // namespace brisa
