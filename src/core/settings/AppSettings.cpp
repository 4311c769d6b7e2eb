// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/AppSettings.h"

#include "core/support/Utf8.h"
#include "core/support/Log.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace brisa {

namespace {

constexpr std::string_view historyLimitKey = "historyLimit";
constexpr std::string_view launchAtLoginKey = "launchAtLogin";
constexpr std::string_view blockedBundleIDsKey = "blockedBundleIDs";
constexpr std::string_view themeKey = "appTheme";
constexpr std::string_view notchActivationKey = "notchActivation";
constexpr std::string_view autoDeleteDaysKey = "autoDeleteDays";
constexpr std::string_view libraryViewModeKey = "libraryViewMode";
constexpr std::string_view panelPositionKey = "panelPosition";
constexpr std::string_view panelScaleKey = "panelScale";
constexpr std::string_view defaultTabKey = "defaultTab";
constexpr std::string_view recordPrimarySelectionKey = "recordPrimarySelection";

std::optional<std::int64_t> readInt64(const UserDefaults& d, std::string_view key)
{
    auto v = d.value(key);
    if (!v)
        return std::nullopt;
    if (v->is_number_integer() && !v->is_number_unsigned())
        return v->get<std::int64_t>();
    if (v->is_number_unsigned() && v->get<std::uint64_t>() <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))
        return static_cast<std::int64_t>(v->get<std::uint64_t>());
    return std::nullopt;
}

std::optional<bool> readBool(const UserDefaults& d, std::string_view key)
{
    auto v = d.value(key);
    if (!v || !v->is_boolean())
        return std::nullopt;
    return v->get<bool>();
}

std::optional<double> readDouble(const UserDefaults& d, std::string_view key)
{
    auto v = d.value(key);
    if (!v || !v->is_number())
        return std::nullopt;
    return v->get<double>();
}

std::optional<std::vector<std::string>> readStrings(const UserDefaults& d, std::string_view key)
{
    auto v = d.value(key);
    if (!v || !v->is_array())
        return std::nullopt;
    std::vector<std::string> out;
    out.reserve(v->size());
    for (const auto& e : *v) {
        if (!e.is_string())
            return std::nullopt;
        out.push_back(e.get<std::string>());
    }
    return out;
}

template <typename Enum>
Enum readEnum(const UserDefaults& d, std::string_view key, std::optional<Enum> (*fromRaw)(std::string_view),
              Enum fallback)
{
    auto v = d.value(key);
    if (!v || !v->is_string())
        return fallback;
    return fromRaw(v->get_ref<const std::string&>()).value_or(fallback);
}


std::set<std::string> asSet(const std::vector<std::string>& ids) { return {ids.begin(), ids.end()}; }

} // namespace

const std::vector<std::string>& AppSettings::defaultBlockedBundleIDs()
{
    // The class part of WM_CLASS, which the monitor records; several programs changed it between
    // releases, so both spellings are listed where they differ.
    static const std::vector<std::string> ids{
        "KeePassXC",              // KeePassXC
        "Bitwarden",              // Bitwarden
        "1Password",              // 1Password
        "Enpass",                 // Enpass
        "Proton Pass",            // Proton Pass
        "secrets",                // GNOME Secrets (7.x)
        "org.gnome.World.Secrets", // GNOME Secrets, later releases
        "kwalletmanager5",        // KWalletManager
        "Seahorse",               // Seahorse ("Contraseñas y claves")
    };
    return ids;
}

AppSettings::AppSettings(UserDefaults& defaults, SettingsEffects* effects)
    : defaults_(defaults)
    , effects_(effects)
{
    historyLimit_ = std::clamp(readInt64(defaults_, historyLimitKey).value_or(defaultHistoryLimit), std::int64_t{0},
                               maxHistoryLimit);
    launchAtLogin_ = readBool(defaults_, launchAtLoginKey).value_or(defaultLaunchAtLogin);
    if (auto ids = readStrings(defaults_, blockedBundleIDsKey)) {
        blockedBundleIDs_ = std::move(*ids);
    } else if (defaults_.isFresh() && !defaults_.contains(blockedBundleIDsKey)) {
        // Written, not only assumed: from the next start on the file exists and its list is the user's.
        blockedBundleIDs_ = defaultBlockedBundleIDs();
        defaults_.set(blockedBundleIDsKey, blockedBundleIDs_);
    }
    theme_ = readEnum(defaults_, themeKey, appThemeFromRaw, AppTheme::Dark);
    notchActivation_ = readEnum(defaults_, notchActivationKey, notchActivationFromRaw, NotchActivation::Hover);
    autoDeleteDays_ = std::clamp(readInt64(defaults_, autoDeleteDaysKey).value_or(defaultAutoDeleteDays),
                                 std::int64_t{0}, maxAutoDeleteDays);
    libraryViewMode_ = readEnum(defaults_, libraryViewModeKey, libraryViewModeFromRaw, LibraryViewMode::Card);
    panelPosition_ = readEnum(defaults_, panelPositionKey, panelPositionFromRaw, PanelPosition::TopCenter);
    panelScale_ = std::clamp(readDouble(defaults_, panelScaleKey).value_or(defaultPanelScale), minPanelScale,
                             maxPanelScale);
    defaultTab_ = readEnum(defaults_, defaultTabKey, notchTabFromRaw, NotchTab::History);
    recordPrimarySelection_ = readBool(defaults_, recordPrimarySelectionKey).value_or(false);
}

void AppSettings::apply()
{
    if (!effects_)
        return;
    effects_->setHistoryLimit(historyLimit_);
    effects_->setBlockedBundleIDs(asSet(blockedBundleIDs_));
    effects_->setAutoDeleteDays(autoDeleteDays_);
    effects_->setLaunchAtLogin(launchAtLogin_);
}

void AppSettings::setHistoryLimit(std::int64_t value)
{
    value = std::clamp(value, std::int64_t{0}, maxHistoryLimit);
    historyLimit_ = value;
    defaults_.set(historyLimitKey, value);
    if (effects_)
        effects_->setHistoryLimit(value);
    changed_.emit(Field::HistoryLimit);
}

void AppSettings::setRecordPrimarySelection(bool value)
{
    recordPrimarySelection_ = value;
    defaults_.set(recordPrimarySelectionKey, value);
    changed_.emit(Field::RecordPrimarySelection);
}

void AppSettings::setLaunchAtLogin(bool value)
{
    launchAtLogin_ = value;
    defaults_.set(launchAtLoginKey, value);
    if (effects_)
        effects_->setLaunchAtLogin(value);
    changed_.emit(Field::LaunchAtLogin);
}

void AppSettings::setBlockedBundleIDs(std::vector<std::string> value)
{
    // Identifiers come from the desktop; repair bad UTF-8 so that the list we keep is the one we store.
    for (auto& id : value)
        id = validUtf8(id);
    blockedBundleIDs_ = std::move(value);
    defaults_.set(blockedBundleIDsKey, blockedBundleIDs_);
    if (effects_)
        effects_->setBlockedBundleIDs(asSet(blockedBundleIDs_));
    changed_.emit(Field::BlockedBundleIDs);
}

void AppSettings::setTheme(AppTheme value)
{
    theme_ = value;
    defaults_.set(themeKey, rawValue(value));
    changed_.emit(Field::Theme);
}

void AppSettings::setNotchActivation(NotchActivation value)
{
    notchActivation_ = value;
    defaults_.set(notchActivationKey, rawValue(value));
    changed_.emit(Field::NotchActivation);
}

void AppSettings::setAutoDeleteDays(std::int64_t value)
{
    value = std::clamp(value, std::int64_t{0}, maxAutoDeleteDays);
    autoDeleteDays_ = value;
    defaults_.set(autoDeleteDaysKey, value);
    if (effects_)
        effects_->setAutoDeleteDays(value);
    changed_.emit(Field::AutoDeleteDays);
}

void AppSettings::setLibraryViewMode(LibraryViewMode value)
{
    libraryViewMode_ = value;
    defaults_.set(libraryViewModeKey, rawValue(value));
    changed_.emit(Field::LibraryViewMode);
}

void AppSettings::setPanelPosition(PanelPosition value)
{
    panelPosition_ = value;
    defaults_.set(panelPositionKey, rawValue(value));
    if (effects_)
        effects_->applyPositionChange();
    changed_.emit(Field::PanelPosition);
}

void AppSettings::setPanelScale(double value)
{
    if (!std::isfinite(value)) {
        logLine("Escala del panel no válida; se ignora");
        return;
    }
    value = std::clamp(value, minPanelScale, maxPanelScale);
    panelScale_ = value;
    defaults_.set(panelScaleKey, value);
    if (effects_)
        effects_->applyPositionChange();
    changed_.emit(Field::PanelScale);
}

void AppSettings::setDefaultTab(NotchTab value)
{
    defaultTab_ = value;
    defaults_.set(defaultTabKey, rawValue(value));
    changed_.emit(Field::DefaultTab);
}

} // namespace brisa
