// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/InotifyDirectoryWatcher.h"

#include "core/support/Log.h"

#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace brisa {
namespace {

std::string errnoText(int error) { return std::error_code(error, std::generic_category()).message(); }

} // namespace

InotifyDirectoryWatcher::InotifyDirectoryWatcher(QObject* parent)
    : QObject(parent)
{
}

InotifyDirectoryWatcher::~InotifyDirectoryWatcher() { stop(); }

bool InotifyDirectoryWatcher::watch(const std::filesystem::path& folder, Changed changed)
{
    stop();
    error_.clear();
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        error_ = errnoText(errno);
        return false;
    }
    // IN_CREATE alone would report files before they hold anything; the close after writing and the
    // move in (tools that write a temporary file and rename it) say when they are complete.
    // Deletions matter too: a file deleted and saved again under its name is new.
    wd_ = inotify_add_watch(fd_, folder.c_str(),
                            IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_DELETE_SELF
                                | IN_ONLYDIR);
    if (wd_ < 0) {
        error_ = errnoText(errno);
        stop();
        return false;
    }
    folder_ = folder;
    changed_ = std::move(changed);
    notifier_ = new QSocketNotifier(static_cast<qintptr>(fd_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readEvents(); });
    return true;
}

void InotifyDirectoryWatcher::stop()
{
    if (notifier_) {
        notifier_->setEnabled(false);
        // stop() may run inside the notifier's own signal.
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    if (fd_ >= 0)
        ::close(fd_); // removes the watch with it
    fd_ = -1;
    wd_ = -1;
    changed_ = nullptr;
}

void InotifyDirectoryWatcher::readEvents()
{
    bool changed = false;
    bool gone = false;
    std::set<std::string> removed;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // EAGAIN: everything queued was read
        const char* p = buffer;
        const char* const end = buffer + n;
        while (end - p >= static_cast<std::ptrdiff_t>(sizeof(inotify_event))) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            if (event->len > static_cast<std::size_t>(end - p) - sizeof(inotify_event))
                break; // never happens with a kernel that keeps its word; do not read past the end
            if (event->mask & (IN_DELETE_SELF | IN_IGNORED))
                gone = true;
            // An overflowed queue lost events: a look at the folder finds what they were about.
            else if (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_Q_OVERFLOW))
                changed = true;
            else if (event->mask & (IN_DELETE | IN_MOVED_FROM)) {
                changed = true;
                if (event->len > 0)
                    removed.insert(std::string(event->name)); // the kernel pads the name with NULs
            }
            p += sizeof(inotify_event) + event->len;
        }
    }
    if (gone) {
        logf(LogCategory::Platform, "Carpeta vigilada eliminada: {}", folder_.string());
        stop();
        return;
    }
    if (changed && changed_) {
        const Changed callback = changed_; // the callback may call watch() and replace changed_
        callback(removed);
    }
}

} // namespace brisa
