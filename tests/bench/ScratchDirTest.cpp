// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScratchDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

using brisa::bench::ScratchDir;
namespace fs = std::filesystem;

namespace {

enum class End { Scope, Exit, Abort, Terminate, Interrupt, Crash };

/// Runs a child that makes a scratch folder with a file in it and then ends as end says; gives the
/// folder's path.
std::string folderOfChildEndingBy(End end)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        static std::optional<ScratchDir> kept; // exit() destroys statics
        std::optional<ScratchDir> local;
        const ScratchDir& dir = end == End::Exit ? kept.emplace() : local.emplace();
        std::ofstream(dir.path() / "store.sqlite") << "datos";
        const std::string path = dir.path().string() + "\n";
        if (write(fds[1], path.data(), path.size()) != static_cast<ssize_t>(path.size()))
            _exit(2);
        switch (end) {
        case End::Scope: break;
        case End::Exit: std::exit(0);
        case End::Abort: std::abort();
        case End::Terminate: raise(SIGTERM); break;
        case End::Interrupt: raise(SIGINT); break;
        case End::Crash: raise(SIGSEGV); break;
        }
        local.reset(); // what leaving the scope does, without returning into the test runner
        _exit(0);
    }
    close(fds[1]);
    std::string path;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        path += c;
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return path;
}

class ScratchDirEnd : public testing::TestWithParam<End> {};

TEST_P(ScratchDirEnd, LeavesNothingBehind)
{
    const std::string path = folderOfChildEndingBy(GetParam());
    ASSERT_FALSE(path.empty());
    EXPECT_FALSE(fs::exists(path)) << path;
}

std::string endName(const testing::TestParamInfo<End>& info)
{
    static const char* const names[] = {"Scope", "Exit", "Abort", "Terminate", "Interrupt", "Crash"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryWayOut, ScratchDirEnd,
                         testing::Values(End::Scope, End::Exit, End::Abort, End::Terminate, End::Interrupt,
                                         End::Crash),
                         endName);

TEST(ScratchDir, AForkedChildThatDiesLeavesItsParentsFolder)
{
    const ScratchDir dir;
    const pid_t child = fork();
    if (child == 0)
        std::abort();
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(fs::is_directory(dir.path()));
}

} // namespace
