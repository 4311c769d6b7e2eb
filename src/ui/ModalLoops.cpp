// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ModalLoops.h"

#include <QCursor>
#include <QMenu>
#include <QMetaObject>

#include <utility>

namespace brisa {

ModalLoops::ModalLoops(QObject* owner, std::function<void()> reread) : owner_(owner), reread_(std::move(reread)) {}

void ModalLoops::rereadWhenFree()
{
    if (running_)
        rereadAfter_ = true;
    else
        reread_();
}

void ModalLoops::run(const std::function<void()>& loop)
{
    // A menu or a drag runs its own event loop: the rows stay put until it is over, and whatever
    // changed meanwhile is read once afterwards.
    const bool outer = !std::exchange(running_, true);
    loop();
    if (!outer)
        return;
    running_ = false;
    if (std::exchange(rereadAfter_, false))
        reread_();
}

void ModalLoops::runLater(std::function<void()> loop)
{
    // Asked for by a card's or a row's signal handler: run from there, the nested loop would hand
    // out the deferred deletes posted meanwhile (a delete from the menu, a reload, the panel
    // closing) with the handler still on the stack, and the QML engine aborts on a delegate
    // destroyed inside its own handler. Queued, the loop starts once the handler is over.
    QMetaObject::invokeMethod(owner_, [this, loop = std::move(loop)] { run(loop); }, Qt::QueuedConnection);
}

void ModalLoops::runMenuLater(std::unique_ptr<QMenu> menu)
{
    runLater([menu = std::shared_ptr<QMenu>(std::move(menu))] { menu->exec(QCursor::pos()); });
}

} // namespace brisa
