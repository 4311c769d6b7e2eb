// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"

#include <QObject>

#include <unordered_map>

class QTimer;

namespace brisa {

/// The application's scheduler: QTimers on the main thread's event loop.
class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit QtScheduler(QObject* parent = nullptr);
    ~QtScheduler() override;

    TimePoint now() const override { return std::chrono::system_clock::now(); }
    TaskId runAfter(Duration delay, std::function<void()> fn) override;
    TaskId repeat(Duration interval, std::function<void()> fn) override;
    void cancel(TaskId id) override;
    void post(std::function<void()> fn) override;

private:
    TaskId start(Duration interval, bool single, std::function<void()> fn);

    TaskId nextId_ = 1;
    std::unordered_map<TaskId, QTimer*> timers_;
};

} // namespace brisa
