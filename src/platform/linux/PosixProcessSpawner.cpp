// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/PosixProcessSpawner.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace brisa {
namespace {

int pidfdOpen(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    errno = ENOSYS;
    return -1;
#endif
}

std::string exitReason(int status)
{
    if (WIFEXITED(status))
        return "terminó con el código " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "terminó por la señal " + std::to_string(WTERMSIG(status));
    return "terminó con el estado " + std::to_string(status);
}

} // namespace

PosixProcessSpawner::PosixProcessSpawner(QObject* parent)
    : QObject(parent)
{
}

void PosixProcessSpawner::spawn(const Request& request, std::function<void(const std::string&)> failed)
{
    auto report = [this, failed](std::string why) {
        if (failed)
            QTimer::singleShot(0, this, [failed, why = std::move(why)] { failed(why); });
    };
    if (request.argv.empty() || request.argv.front().empty()) {
        report("no hay programa que ejecutar");
        return;
    }
    std::vector<char*> argv;
    for (const auto& arg : request.argv)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    std::map<std::string, std::string> env;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry(*e);
        const auto eq = entry.find('=');
        if (eq != std::string::npos)
            env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [name, value] : request.environment)
        env[name] = value;
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : env)
        envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // A session of its own: Brisa's signals and its end do not reach the program. Signals Qt
    // blocked or caught are given back their defaults.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!request.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, request.workingDirectory.c_str());

    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv.front(), &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (error != 0) {
        report(std::strerror(error));
        return;
    }

    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    // Reaped whenever it ends; reported only when that is at once and a failure.
    auto finish = [report, started, pid](int status) {
        if (started->elapsed() <= kQuickExitMs && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            report(exitReason(status));
    };
    const int pidfd = pidfdOpen(pid);
    if (pidfd >= 0) {
        auto* notifier = new QSocketNotifier(pidfd, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [notifier, pidfd, pid, finish] {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == 0)
                return;
            notifier->setEnabled(false);
            notifier->deleteLater();
            ::close(pidfd);
            finish(status);
        });
        return;
    }
    // Without pidfds (old kernels): looked at now and then until it has ended.
    auto* timer = new QTimer(this);
    timer->setInterval(200);
    connect(timer, &QTimer::timeout, this, [timer, pid, finish] {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == 0)
            return;
        timer->stop();
        timer->deleteLater();
        if (done == pid)
            finish(status);
    });
    timer->start();
}

} // namespace brisa
