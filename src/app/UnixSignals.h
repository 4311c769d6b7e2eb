// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace brisa {

/// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main thread, so quitting runs the
/// normal shutdown path (stores closed, nothing in flight lost) instead of dying mid-write.
class UnixSignals final : public QObject {
    Q_OBJECT
public:
    explicit UnixSignals(QObject* parent = nullptr);
    ~UnixSignals() override;

Q_SIGNALS:
    /// A termination signal arrived; the number is the signal.
    void terminationRequested(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace brisa
