// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/launcher/AppLauncher.h"

#include "fakes/FakeWindowActivation.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"

#include <gmock/gmock.h>

#include <fstream>

using namespace brisa;
using namespace brisa::test;
using ::testing::ElementsAre;
using ::testing::StartsWith;

namespace {

struct FakeSpawner final : ProcessSpawner {
    std::vector<Request> requests;
    std::function<void(const std::string&)> failed;
    void spawn(const Request& request, std::function<void(const std::string&)> onFailed) override
    {
        requests.push_back(request);
        failed = std::move(onFailed);
    }
};

LauncherApp tile(std::string command, std::optional<std::string> bundlePath = std::nullopt)
{
    LauncherApp app;
    app.name = "Tile";
    app.command = std::move(command);
    app.bundlePath = std::move(bundlePath);
    return app;
}

} // namespace

TEST(AppLauncher, WhatEachKindOfTileRuns)
{
    TempDir dir;
    const auto write = [&](const char* name, const char* text) {
        std::ofstream(dir.path() / name) << text;
        return (dir.path() / name).string();
    };
    const auto plain = write("plain.desktop", "[Desktop Entry]\nType=Application\nName=P\nExec=touch /tmp/x %U\n");
    const auto term = write("term.desktop", "[Desktop Entry]\nType=Application\nName=T\nExec=htop\nTerminal=true\nPath=/srv\n");
    const auto broken = write("broken.desktop", "[Desktop Entry]\nType=Application\nName=B\nExec=\"open\n");
    struct Case {
        LauncherApp app;
        std::optional<std::vector<std::string>> argv;
        std::string workingDirectory;
    };
    const std::vector<Case> cases = {
        {tile("echo hola > /tmp/y"), std::vector<std::string>{"/bin/sh", "-c", "echo hola > /tmp/y"}, ""},
        {tile("ignored", plain), std::vector<std::string>{"touch", "/tmp/x"}, ""},
        {tile("", term), std::vector<std::string>{"x-terminal-emulator", "-e", "htop"}, "/srv"},
        {tile("", "/usr/bin/xterm"), std::vector<std::string>{"/usr/bin/xterm"}, ""},
        {tile("", broken), std::nullopt, ""},
        {tile(""), std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const auto plan = AppLauncher::plan(c.app);
        ASSERT_EQ(plan.has_value(), c.argv.has_value()) << c.app.command;
        if (plan) {
            EXPECT_EQ(plan->request.argv, *c.argv);
            EXPECT_EQ(plan->request.workingDirectory, c.workingDirectory);
        }
    }
}

TEST(AppLauncher, StartsWithAStartupIdCarryingTheTime)
{
    FakeSpawner spawner;
    AppLauncher launcher(spawner);
    test::FakeWindowActivation windows;
    windows.time = 123456;
    launcher.windows = &windows;
    EXPECT_TRUE(launcher.launch(tile("true")));
    ASSERT_EQ(spawner.requests.size(), 1u);
    const auto& env = spawner.requests[0].environment;
    ASSERT_EQ(env.size(), 1u);
    EXPECT_EQ(env[0].first, "DESKTOP_STARTUP_ID");
    EXPECT_THAT(env[0].second, StartsWith("brisa-"));
    EXPECT_TRUE(env[0].second.ends_with("-sh-1_TIME123456")) << env[0].second;
}

TEST(AppLauncher, FailuresAreLoggedWithTheLaunchersLine)
{
    LogCapture log;
    FakeSpawner spawner;
    AppLauncher launcher(spawner);
    EXPECT_TRUE(launcher.launch(tile("exit 3")));
    spawner.failed("terminó con el código 3");
    EXPECT_FALSE(launcher.launch(tile("", "/nonexistent/app.desktop")));
    EXPECT_FALSE(launcher.launch(tile("")));
    EXPECT_THAT(log.lines(), ElementsAre("LauncherStore: fallo al ejecutar «exit 3»: terminó con el código 3",
                                         "LauncherStore: fallo al ejecutar «/nonexistent/app.desktop»: no es una "
                                         "aplicación que se pueda abrir"));
}
