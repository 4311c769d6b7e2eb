// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ProcessSpawner.h"

#include <QObject>

namespace brisa {

/// posix_spawn, with the child watched through a pidfd (so it is reaped without a SIGCHLD handler
/// of ours) and reported when it fails within kQuickExitMs.
class PosixProcessSpawner final : public QObject, public ProcessSpawner {
    Q_OBJECT
public:
    static constexpr int kQuickExitMs = 1000;

    explicit PosixProcessSpawner(QObject* parent = nullptr);
    void spawn(const Request& request, std::function<void(const std::string& why)> failed) override;
};

} // namespace brisa
