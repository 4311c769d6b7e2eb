// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UnixSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisa {
namespace {

int pipeFds[2] = {-1, -1};

void onSignal(int sig)
{
    // Only async-signal-safe work here: hand the number to the event loop.
    const unsigned char b = static_cast<unsigned char>(sig);
    [[maybe_unused]] auto n = ::write(pipeFds[1], &b, 1);
}

} // namespace

UnixSignals::UnixSignals(QObject* parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeFds) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        unsigned char b = 0;
        while (::read(pipeFds[0], &b, 1) == 1)
            Q_EMIT terminationRequested(b);
    });
    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

UnixSignals::~UnixSignals()
{
    struct sigaction sa{};
    sa.sa_handler = SIG_DFL;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

} // namespace brisa
