// SPDX-License-Identifier: GPL-3.0-or-later
// The `brisa` program: answers --version and --help and asks a running Brisa to act by itself;
// the rest lives in private modules loaded only for it (libbrisa-store for the store and snippet
// commands, libbrisa-app for the resident program), so that the commands bound to keyboard
// shortcuts load no Qt and the store commands no Qt and no image library.
#include "app/BusClient.h"
#include "app/CommandLine.h"
#include "app/StoreCommands.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

// The folder of the running program, through /proc so that a symlink to it still finds the modules.
std::string programFolder()
{
    char path[PATH_MAX];
    const auto n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string s(path, static_cast<std::size_t>(n));
    return s.substr(0, s.rfind('/'));
}

int runModule(const char* name, const char* entryName, int argc, char** argv)
{
    // Beside the program in the build, in the private library folder once installed.
    const std::string folder = programFolder();
    void* library = nullptr;
    std::string tried;
    for (const std::string& candidate : {folder + "/" + name, folder + "/" BRISA_MODULES_FROM_BIN "/" + name}) {
        if (access(candidate.c_str(), F_OK) != 0)
            continue;
        library = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library)
            break;
        tried = dlerror();
    }
    if (!library) {
        std::fprintf(stderr, "brisa: no se pudo cargar %s: %s\n", name,
                     tried.empty() ? "no está junto al programa ni en su carpeta de bibliotecas" : tried.c_str());
        return 1;
    }
    using Entry = int (*)(int, char**);
    auto entry = reinterpret_cast<Entry>(dlsym(library, entryName));
    if (!entry) {
        std::fprintf(stderr, "brisa: %s no es la de este programa: %s\n", name, dlerror());
        return 1;
    }
    return entry(argc, argv);
}

} // namespace

int main(int argc, char** argv)
{
    const auto cl = brisa::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (cl.action) {
    case brisa::CommandLine::Action::Version:
        std::printf("brisa %s\n", BRISA_VERSION);
        return 0;
    case brisa::CommandLine::Action::Help:
        std::fputs(brisa::helpText().c_str(), stdout);
        return 0;
    case brisa::CommandLine::Action::Error:
        std::fprintf(stderr, "brisa: %s\nPrueba «brisa --help».\n", cl.error.c_str());
        return 2;
    case brisa::CommandLine::Action::Remote: {
        std::string error;
        if (!brisa::sendOverBus(cl.remote, error)) {
            std::fprintf(stderr, "brisa: %s\n", error.c_str());
            return brisa::StoreCommandExit::NotRunning;
        }
        return 0;
    }
    case brisa::CommandLine::Action::Store:
    case brisa::CommandLine::Action::Snippet:
        return runModule("libbrisa-store.so", "brisa_store_main", argc, argv);
    case brisa::CommandLine::Action::Run:
        break;
    }
    return runModule("libbrisa-app.so", "brisa_app_main", argc, argv);
}
