// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <functional>
#include <utility>

namespace brisa::test {

/// The process's event loop without a GUI (the D-Bus and Wayland tests must not load a window
/// system), created on first use.
inline QCoreApplication& ensureCoreApp()
{
    static int argc = 1;
    static char name[] = "brisa-test";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);
    return *app;
}

/// Runs the event loop until done() holds or five seconds pass.
inline bool waitUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(5000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

/// What a fake D-Bus service was asked, one line per call, written from the service's thread and
/// read from the test's.
class CallLog {
public:
    void add(const QString& line)
    {
        QMutexLocker lock(&mutex_);
        lines_ << line;
    }
    QStringList take()
    {
        QMutexLocker lock(&mutex_);
        return std::exchange(lines_, {});
    }
    QStringList peek()
    {
        QMutexLocker lock(&mutex_);
        return lines_;
    }

private:
    QMutex mutex_;
    QStringList lines_;
};

} // namespace brisa::test
