// SPDX-License-Identifier: GPL-3.0-or-later
// The defaults file as found on disk: any bytes must load (or be set aside) without a crash.
#include "core/settings/UserDefaults.h"
#include "core/support/AtomicFile.h"
#include "core/support/Log.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("brisa-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    static brisa::SystemClock clock;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    auto file = dir / "defaults.json";
    brisa::writeFileAtomically(file, std::string_view(reinterpret_cast<const char*>(data), size));
    brisa::setLogSink([](std::string_view) {});
    brisa::UserDefaults d(file, clock);
    (void)d.value("historyLimit");
    d.set("historyLimit", 1);
    return 0;
}
