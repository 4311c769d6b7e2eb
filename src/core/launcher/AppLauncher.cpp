// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/launcher/AppLauncher.h"

#include "core/launcher/DesktopExec.h"
#include "core/support/Log.h"

#include <fmt/format.h>

#include <filesystem>
#include <unistd.h>

namespace brisa {
namespace {

void logFailure(const std::string& shown, const std::string& why)
{
    logRaw(fmt::format("LauncherStore: fallo al ejecutar «{}»: {}", shown, why));
}

} // namespace

std::optional<AppLauncher::Plan> AppLauncher::plan(const LauncherApp& app, std::string* why)
{
    auto fail = [why](std::string reason) -> std::optional<Plan> {
        if (why)
            *why = std::move(reason);
        return std::nullopt;
    };
    if (app.bundlePath && !app.bundlePath->empty()) {
        const std::filesystem::path path(*app.bundlePath);
        if (path.extension() != ".desktop")
            return Plan{{{*app.bundlePath}}, *app.bundlePath};
        const auto entry = readDesktopLaunchEntry(path);
        if (!entry)
            return fail("no es una aplicación que se pueda abrir");
        auto argv = expandExec(entry->exec, *entry, *app.bundlePath);
        if (!argv)
            return fail("la línea Exec no es válida");
        Plan plan;
        plan.shown = joinArguments(*argv);
        if (entry->terminal)
            argv->insert(argv->begin(), {kTerminal, "-e"});
        plan.request.argv = std::move(*argv);
        plan.request.workingDirectory = entry->path;
        return plan;
    }
    if (!app.command.empty())
        return Plan{{{"/bin/sh", "-c", app.command}}, app.command};
    return fail({});
}

std::string AppLauncher::nextStartupId(const std::vector<std::string>& argv)
{
    // "<launcher>-<pid>-<program>-<count>_TIME<time>": unique, and the time lets the window
    // manager give the new window the focus the click asked for.
    std::string program = std::filesystem::path(argv.front()).filename().string();
    std::erase_if(program, [](char c) { return c == ' ' || c == '_'; });
    std::string id = fmt::format("brisa-{}-{}-{}", ::getpid(), program, ++launches_);
    if (windows)
        if (const auto time = windows->currentTime())
            id += fmt::format("_TIME{}", *time);
    return id;
}

bool AppLauncher::launch(const LauncherApp& app)
{
    std::string why;
    auto planned = plan(app, &why);
    if (!planned) {
        if (!why.empty())
            logFailure(app.bundlePath.value_or(app.command), why);
        return false;
    }
    planned->request.environment.emplace_back("DESKTOP_STARTUP_ID", nextStartupId(planned->request.argv));
    spawner_.spawn(planned->request, [shown = planned->shown](const std::string& reason) { logFailure(shown, reason); });
    return true;
}

} // namespace brisa
