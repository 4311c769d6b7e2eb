// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtScheduler.h"

#include <QMetaObject>
#include <QTimer>

namespace brisa {

QtScheduler::QtScheduler(QObject* parent)
    : QObject(parent)
{
}

QtScheduler::~QtScheduler() = default; // timers are children and go with us

Scheduler::TaskId QtScheduler::start(Duration interval, bool single, std::function<void()> fn)
{
    auto id = nextId_++;
    auto* timer = new QTimer(this);
    timer->setSingleShot(single);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(static_cast<int>(interval.count()));
    connect(timer, &QTimer::timeout, this, [this, id, single, fn = std::move(fn)] {
        if (single)
            cancel(id);
        fn();
    });
    timers_[id] = timer;
    timer->start();
    return id;
}

Scheduler::TaskId QtScheduler::runAfter(Duration delay, std::function<void()> fn)
{
    return start(delay, true, std::move(fn));
}

Scheduler::TaskId QtScheduler::repeat(Duration interval, std::function<void()> fn)
{
    return start(interval, false, std::move(fn));
}

void QtScheduler::cancel(TaskId id)
{
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    it->second->stop();
    it->second->deleteLater(); // we may be inside its timeout signal
    timers_.erase(it);
}

void QtScheduler::post(std::function<void()> fn)
{
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

} // namespace brisa
