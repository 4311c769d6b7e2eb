// SPDX-License-Identifier: GPL-3.0-or-later
// libbrisa-store: the store and snippet commands, loaded by `brisa` for them. It links neither Qt
// nor the image libraries: those come with libbrisa-image, loaded beside it when an image is met.
#include "app/BusClient.h"
#include "app/CommandLine.h"
#include "app/SnippetCommands.h"
#include "app/StoreCommands.h"
#include "core/settings/UserDefaults.h"
#include "core/support/Log.h"
#include "core/support/XdgPaths.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

extern "C" int brisa_store_main(int argc, char** argv);

namespace brisa {
namespace {

/// Forwards to libbrisa-image, loaded on the first call; with no library every answer is "no image".
class LoadedStoreImages final : public StoreImages {
public:
    std::optional<Bytes> toPng(const Bytes& encoded) const override
    {
        return loaded() ? loaded()->toPng(encoded) : std::nullopt;
    }
    std::optional<Bytes> thumbnail(const Bytes& image) const override
    {
        return loaded() ? loaded()->thumbnail(image) : std::nullopt;
    }
    std::optional<std::string> recognize(const Bytes& image) const override
    {
        return loaded() ? loaded()->recognize(image) : std::nullopt;
    }
    std::optional<ProcessedImage> process(const ImageOperation& operation, const Bytes& source,
                                          const std::optional<std::string>& sourceAppName) const override
    {
        return loaded() ? loaded()->process(operation, source, sourceAppName) : std::nullopt;
    }

private:
    const StoreImages* loaded() const
    {
        if (!tried_) {
            tried_ = true;
            images_ = load();
        }
        return images_;
    }

    static const StoreImages* load()
    {
        // Beside this library, wherever it was loaded from.
        Dl_info self{};
        std::string path = "libbrisa-image.so";
        if (dladdr(reinterpret_cast<void*>(&brisa_store_main), &self) && self.dli_fname) {
            const std::string own = self.dli_fname;
            path = own.substr(0, own.rfind('/') + 1) + path;
        }
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        using Entry = const StoreImages* (*)(void (*)(const char*, std::size_t));
        auto entry = library ? reinterpret_cast<Entry>(dlsym(library, "brisa_store_images")) : nullptr;
        if (!entry) {
            std::fprintf(stderr, "brisa: no se pudo cargar %s, sin él no hay imágenes: %s\n", path.c_str(), dlerror());
            return nullptr;
        }
        // Its lines join this library's log, which the command shows only when it fails.
        return entry([](const char* line, std::size_t size) { logRaw(std::string_view(line, size)); });
    }

    mutable bool tried_ = false;
    mutable const StoreImages* images_ = nullptr;
};

} // namespace
} // namespace brisa

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
    static const LoadedStoreImages images;
    return runStoreCommand(cl.store, {std::cout, std::cerr, std::cin, xdgDataHome(), UserDefaults::defaultFile(),
                                      isatty(STDERR_FILENO) == 1, &images});
}
