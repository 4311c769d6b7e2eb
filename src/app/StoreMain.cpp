// SPDX-License-Identifier: GPL-3.0-or-later
// libbrisa-store: the store and snippet commands, loaded by `brisa` for them. It links neither Qt
// nor the image libraries: those come with libbrisa-image, loaded beside it when an image is met.
#include "app/BusClient.h"
#include "app/CommandLine.h"
#include "app/ImageModule.h"
#include "app/SnippetCommands.h"
#include "app/StoreCommands.h"
#include "core/settings/UserDefaults.h"
#include "core/support/XdgPaths.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

extern "C" __attribute__((visibility("default"))) int brisa_store_main(int argc, char** argv)
{
    using namespace brisa;
    const auto cl = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (cl.action == CommandLine::Action::Snippet) {
        auto tellRunning = [] {
            std::string error;
            bool notRunning = false;
            // Nobody to tell when no Brisa runs: the next one reads the file at its start.
            if (!sendOverBus({RemoteCommand::Kind::ReloadSnippets, 0}, error, &notRunning) && !notRunning)
                std::fprintf(stderr, "brisa: el Brisa en marcha no releyó los snippets: %s\n", error.c_str());
        };
        return runSnippetCommand(cl.snippet, {std::cout, std::cerr, std::cin, UserDefaults::defaultFile(), tellRunning});
    }
    if (cl.action != CommandLine::Action::Store) {
        std::fprintf(stderr, "brisa: libbrisa-store no hace esa orden\n");
        return StoreCommandExit::Usage;
    }
    return runStoreCommand(cl.store, {std::cout, std::cerr, std::cin, xdgDataHome(), UserDefaults::defaultFile(),
                                      isatty(STDERR_FILENO) == 1, &loadedImageLibrary()});
}
