// SPDX-License-Identifier: GPL-3.0-or-later
// Time from a copy to its row in the store, as a user's copy goes: xclip takes the clipboard, and the
// clock starts when the X server tells of the new owner (XFixes) and stops when the running Brisa's
// store holds the text. Prints each round and the median.
// Usage: capture_latency STORE [ROUNDS]   (STORE: $XDG_DATA_HOME/Brisa/Brisa.store of the running Brisa)
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

/// Starts xclip with text on its standard input (it keeps the clipboard in a child of its own); the
/// process id, to be waited for, or -1.
pid_t xclipCopy(const std::string& text)
{
    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("xclip"), const_cast<char*>("-selection"), const_cast<char*>("clipboard"),
                    nullptr};
    pid_t pid = -1;
    const bool started = posix_spawnp(&pid, "xclip", &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    if (started)
        [[maybe_unused]] auto n = ::write(in[1], text.data(), text.size());
    close(in[1]);
    return started ? pid : -1;
}

bool stored(sqlite3_stmt* query, const std::string& text)
{
    sqlite3_reset(query);
    sqlite3_bind_text(query, 1, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return sqlite3_step(query) == SQLITE_ROW;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "uso: capture_latency STORE [RONDAS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    Display* display = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0;
    if (!display || !XFixesQueryExtension(display, &eventBase, &errorBase)) {
        std::fprintf(stderr, "capture_latency: sin pantalla X con XFixes\n");
        return 2;
    }
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XFixesSelectSelectionInput(display, window, clipboard, XFixesSetSelectionOwnerNotifyMask);
    XSync(display, False);

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "capture_latency: no se puede abrir %s\n", argv[1]);
        return 2;
    }
    sqlite3_busy_timeout(db, 100);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM ClipItem WHERE textContent = ?1", -1, &query, nullptr);

    std::mt19937 random(std::random_device{}());
    std::vector<double> times;
    std::vector<double> fromStart;
    for (int i = 0; i < rounds; ++i) {
        // A pause of random length, so that the rounds do not fall in step with a poll timer.
        std::this_thread::sleep_for(std::chrono::milliseconds(400 + random() % 400));
        const std::string text = "latencia " + std::to_string(i) + " " + std::to_string(random());
        const auto launched = Clock::now();
        const pid_t xclip = xclipCopy(text);
        if (xclip < 0)
            return 2;
        // The clock starts when the server tells of the new owner (xclip has just taken the clipboard).
        XEvent event;
        Clock::time_point start;
        for (;;) {
            XNextEvent(display, &event);
            if (event.type == eventBase + XFixesSelectionNotify) {
                start = Clock::now();
                break;
            }
        }
        waitpid(xclip, nullptr, 0); // the foreground xclip hands the clipboard to a child and returns
        const auto deadline = start + std::chrono::seconds(5);
        while (!stored(query, text) && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (Clock::now() >= deadline) {
            std::fprintf(stderr, "capture_latency: la copia %d no llegó al almacén\n", i);
            return 1;
        }
        times.push_back(ms);
        fromStart.push_back(std::chrono::duration<double, std::milli>(Clock::now() - launched).count());
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    XCloseDisplay(display);

    const auto report = [](const char* what, std::vector<double> values) {
        std::sort(values.begin(), values.end());
        const std::size_t n = values.size();
        const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
        std::printf("%s over %zu copies: median %.1f ms (min %.1f, max %.1f)\n", what, n, median, values.front(),
                    values.back());
    };
    report("owner change to stored row", times);
    report("xclip started to stored row", fromStart);
    return 0;
}
