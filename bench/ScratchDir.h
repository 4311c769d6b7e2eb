// SPDX-License-Identifier: GPL-3.0-or-later
// A benchmark's scratch folder under $TMPDIR, removed however the program ends: at the end of its
// scope or at exit, and on the signals that cut a run short (Ctrl-C, a time limit's SIGTERM, an
// abort, a crash). A store of a hundred thousand clips left behind fills /tmp run after run.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace brisa::bench {

class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "brisa-bench-XXXXXX").string();
        if (char* made = mkdtemp(pattern.data())) {
            path_ = made;
            slot_ = claimSlot(pattern);
        }
    }
    ~ScratchDir()
    {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
        if (slot_) {
            slot_->ready.store(false);
            slot_->claimed.store(false);
        }
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    /// Empty when the folder could not be made.
    const std::filesystem::path& path() const { return path_; }

private:
    // What the signal handler may touch: fixed storage, no allocation.
    struct Slot {
        std::atomic<bool> claimed{false};
        std::atomic<bool> ready{false}; ///< the path is whole: the handler may use it
        pid_t owner = 0;
        char path[PATH_MAX] = {};
    };
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS};

    static std::array<Slot, 16>& slots()
    {
        static std::array<Slot, 16> s;
        return s;
    }

    static Slot* claimSlot(const std::string& path)
    {
        if (path.size() >= PATH_MAX)
            return nullptr;
        installHandlers();
        for (Slot& slot : slots()) {
            bool expected = false;
            if (!slot.claimed.compare_exchange_strong(expected, true))
                continue;
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.owner = ::getpid();
            slot.ready.store(true);
            return &slot;
        }
        return nullptr; // more folders than slots: the destructor still removes this one
    }

    static void installHandlers()
    {
        static const bool installed = [] {
            for (int sig : kSignals) {
                struct sigaction current {};
                if (sigaction(sig, nullptr, &current) != 0 || current.sa_handler != SIG_DFL)
                    continue; // someone else's handler stays
                struct sigaction action {};
                action.sa_handler = onSignal;
                sigemptyset(&action.sa_mask);
                action.sa_flags = SA_RESETHAND; // back to the default, which the re-raise then takes
                sigaction(sig, &action, nullptr);
            }
            return true;
        }();
        (void)installed;
    }

    /// Removes the folders with rm (only async-signal-safe calls from here on), then dies of sig.
    static void onSignal(int sig)
    {
        const pid_t self = ::getpid();
        for (Slot& slot : slots()) {
            if (!slot.ready.load() || slot.owner != self)
                continue; // a forked child's copy of its parent's folder is the parent's to remove
            char rm[] = "/bin/rm";
            char flags[] = "-rf";
            char dashes[] = "--";
            char* argv[] = {rm, flags, dashes, slot.path, nullptr};
            char* envp[] = {nullptr};
            const pid_t child = ::vfork();
            if (child == 0) {
                ::execve(rm, argv, envp);
                ::_exit(127);
            }
            if (child > 0) {
                int status = 0;
                while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
                }
            }
        }
        ::raise(sig);
    }

    std::filesystem::path path_;
    Slot* slot_ = nullptr;
};

} // namespace brisa::bench
