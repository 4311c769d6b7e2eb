// SPDX-License-Identifier: GPL-3.0-or-later
// The defaults file as found on disk, read the way a start reads it: any bytes (any nesting, size or
// types) must load or be set aside, the settings and shortcuts read from it must stay in their ranges,
// and writing it back must work, without a crash.
#include "core/settings/AppSettings.h"
#include "core/settings/KeyboardShortcuts.h"
#include "core/settings/UserDefaults.h"
#include "core/support/AtomicFile.h"
#include "core/support/Log.h"
#include "ScratchFolder.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const brisa::fuzz::ScratchFolder scratch("brisa-fuzz-defaults-");
    static brisa::SystemClock clock;
    scratch.clear();
    auto file = scratch.path() / "defaults.json";
    brisa::writeFileAtomically(file, std::string_view(reinterpret_cast<const char*>(data), size));
    brisa::setLogSink([](std::string_view) {});

    brisa::UserDefaults d(file, clock);
    brisa::AppSettings settings(d);
    if (settings.panelScale() < brisa::AppSettings::minPanelScale ||
        settings.panelScale() > brisa::AppSettings::maxPanelScale || settings.historyLimit() < 0 ||
        settings.historyLimit() > brisa::AppSettings::maxHistoryLimit || settings.autoDeleteDays() < 0 ||
        settings.autoDeleteDays() > brisa::AppSettings::maxAutoDeleteDays)
        std::abort();
    // What a start does next: the shortcut defaults write the whole file back.
    brisa::KeyboardShortcuts shortcuts(d);
    shortcuts.ensureApplicationDefaults();
    for (const auto& name : brisa::shortcutNames::all())
        (void)shortcuts.shortcut(name);
    settings.setHistoryLimit(settings.historyLimit());
    // What was written must read back as the same values.
    brisa::UserDefaults again(file, clock);
    if (again.serialized() != d.serialized())
        std::abort();
    return 0;
}
