// SPDX-License-Identifier: GPL-3.0-or-later
// Stored shortcuts and settings as found in the defaults file: any value must read as "none" or
// the default, never throw.
#include "core/settings/AppSettings.h"
#include "core/settings/KeyboardShortcuts.h"
#include "core/settings/UserDefaults.h"
#include "core/support/Log.h"

#include <cstdint>
#include <string>

namespace {

constexpr const char* settingsKeys[] = {"historyLimit",    "launchAtLogin", "blockedBundleIDs", "appTheme",
                                        "notchActivation", "autoDeleteDays", "libraryViewMode", "panelPosition",
                                        "panelScale",      "defaultTab"};

void exercise(const nlohmann::json& value)
{
    using namespace brisa;
    UserDefaults d;
    for (const auto& name : shortcutNames::all())
        d.set(KeyboardShortcuts::storageKey(name), value);
    for (auto key : settingsKeys)
        d.set(key, value);

    KeyboardShortcuts shortcuts(d);
    shortcuts.ensureApplicationDefaults();
    if (auto s = shortcuts.shortcut(shortcutNames::togglePanel())) {
        (void)symbolicForm(*s);
        shortcuts.setShortcut(shortcutNames::quickNote(), *s);
    }
    shortcuts.setShortcut(shortcutNames::togglePanel(), std::nullopt);

    AppSettings settings(d);
    settings.apply();
    settings.setBlockedBundleIDs(settings.blockedBundleIDs());
    settings.setPanelScale(settings.panelScale());
    settings.setHistoryLimit(settings.historyLimit());
    (void)label(settings.theme());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    brisa::setLogSink([](std::string_view) {});
    const std::string text(reinterpret_cast<const char*>(data), size);
    exercise(nlohmann::json(text));
    auto raw = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!raw.is_discarded())
        exercise(raw);
    return 0;
}
