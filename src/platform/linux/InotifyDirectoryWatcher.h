// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DirectoryWatcher.h"

#include <QObject>

class QSocketNotifier;

namespace brisa {

/// DirectoryWatcher on inotify, read from the main thread's event loop without blocking.
class InotifyDirectoryWatcher final : public QObject, public DirectoryWatcher {
    Q_OBJECT
public:
    explicit InotifyDirectoryWatcher(QObject* parent = nullptr);
    ~InotifyDirectoryWatcher() override;

    bool watch(const std::filesystem::path& folder, Changed changed) override;
    std::string lastError() const override { return error_; }

private:
    void stop();
    void readEvents();

    int fd_ = -1;
    int wd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::filesystem::path folder_;
    Changed changed_;
    std::string error_;
};

} // namespace brisa
