// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/NotchTab.h"
#include "core/settings/SettingsEnums.h"
#include "core/settings/UserDefaults.h"
#include "core/support/Signal.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace brisa {

/// Where settings reach the services that keep their own copy of a value. Each method runs once
/// its value is stored; the defaults do nothing.
class SettingsEffects {
public:
    virtual ~SettingsEffects() = default;
    /// The clip store's history limit (0: no limit).
    virtual void setHistoryLimit(std::int64_t limit) { (void)limit; }
    /// The clip store's auto-delete age in days (0: never).
    virtual void setAutoDeleteDays(std::int64_t days) { (void)days; }
    /// The clipboard monitor's blocked applications, each once.
    virtual void setBlockedBundleIDs(const std::set<std::string>& ids) { (void)ids; }
    /// The login item.
    virtual void setLaunchAtLogin(bool enabled) { (void)enabled; }
    /// The notch controller's reaction to a new position or scale.
    virtual void applyPositionChange() {}
};

/// The user's preferences. Each is loaded from its own user-defaults key at construction (without
/// writing anything), and written back the moment it is assigned, even with an equal value.
///
/// Loading is strict: a value of the wrong JSON type gives the default. Integers must be JSON
/// integers within range (3.0 is a fraction in JSON terms and gives the default: Brisa always
/// writes integers, so a fraction means a hand edit we would only be guessing about); booleans must
/// be JSON booleans; the scale takes any JSON number; enumeration strings must match a raw value exactly.
/// Numbers, loaded or assigned, are clamped to the range the settings window offers: a hand-edited
/// scale of 100 would otherwise ask the window system for a panel a hundred times too large.
class AppSettings {
public:
    /// The settings, in declaration order; observers are told which one changed.
    enum class Field {
        HistoryLimit,
        LaunchAtLogin,
        BlockedBundleIDs,
        Theme,
        NotchActivation,
        AutoDeleteDays,
        LibraryViewMode,
        PanelPosition,
        PanelScale,
        DefaultTab,
        RecordPrimarySelection,
    };

    static constexpr std::int64_t defaultHistoryLimit = 100;
    static constexpr bool defaultLaunchAtLogin = true;
    static constexpr std::int64_t defaultAutoDeleteDays = 0;
    static constexpr double defaultPanelScale = 1.0;
    static constexpr std::int64_t maxHistoryLimit = 100000;
    static constexpr std::int64_t maxAutoDeleteDays = 365;
    static constexpr double minPanelScale = 0.7;
    static constexpr double maxPanelScale = 1.3;

    /// The blocked applications a new settings file starts with: password managers that do not
    /// mark their copies as secret, by the window class they report (checked on their X11 windows).
    static const std::vector<std::string>& defaultBlockedBundleIDs();

    /// effects may be null (nothing beyond the stored value) and must outlive the settings. A fresh
    /// settings file (UserDefaults::isFresh) gets defaultBlockedBundleIDs written into it at once,
    /// where the user sees them and can take them out; an existing file keeps the list it has.
    explicit AppSettings(UserDefaults& defaults, SettingsEffects* effects = nullptr);

    /// Replaces the effects (the services may be created after the settings); null: none.
    void setEffects(SettingsEffects* effects) { effects_ = effects; }

    /// Pushes the history limit, the blocked applications, the auto-delete days and the login item
    /// into their services, in that order. Writes nothing, leaves the panel alone.
    void apply();

    /// f runs after every assignment, once its value is stored and its hook has run.
    void onChanged(std::function<void(Field)> f) { changed_.connect(std::move(f)); }

    /// Maximum number of clips kept; 0 means no limit.
    std::int64_t historyLimit() const { return historyLimit_; }
    void setHistoryLimit(std::int64_t value);

    bool launchAtLogin() const { return launchAtLogin_; }
    void setLaunchAtLogin(bool value);

    /// Applications whose copies are never stored, as the user listed them (duplicates kept).
    const std::vector<std::string>& blockedBundleIDs() const { return blockedBundleIDs_; }
    void setBlockedBundleIDs(std::vector<std::string> value);

    AppTheme theme() const { return theme_; }
    void setTheme(AppTheme value);

    NotchActivation notchActivation() const { return notchActivation_; }
    void setNotchActivation(NotchActivation value);

    /// Age in days after which unpinned clips are deleted; 0 means never.
    std::int64_t autoDeleteDays() const { return autoDeleteDays_; }
    void setAutoDeleteDays(std::int64_t value);

    LibraryViewMode libraryViewMode() const { return libraryViewMode_; }
    void setLibraryViewMode(LibraryViewMode value);

    PanelPosition panelPosition() const { return panelPosition_; }
    void setPanelPosition(PanelPosition value);

    /// Size factor of the panel; 1.0 is normal size.
    double panelScale() const { return panelScale_; }
    /// A value that is not finite is refused (it could not be stored and would break the geometry).
    void setPanelScale(double value);

    /// Tab selected when the panel opens.
    NotchTab defaultTab() const { return defaultTab_; }
    void setDefaultTab(NotchTab value);

    /// Whether the mouse selection (PRIMARY) is recorded too, once a drag has ended; off by default.
    bool recordPrimarySelection() const { return recordPrimarySelection_; }
    void setRecordPrimarySelection(bool value);

private:
    UserDefaults& defaults_;
    SettingsEffects* effects_;
    Signal<Field> changed_;

    std::int64_t historyLimit_ = defaultHistoryLimit;
    bool launchAtLogin_ = defaultLaunchAtLogin;
    std::vector<std::string> blockedBundleIDs_;
    AppTheme theme_ = AppTheme::Dark;
    NotchActivation notchActivation_ = NotchActivation::Hover;
    std::int64_t autoDeleteDays_ = defaultAutoDeleteDays;
    LibraryViewMode libraryViewMode_ = LibraryViewMode::Card;
    PanelPosition panelPosition_ = PanelPosition::TopCenter;
    double panelScale_ = defaultPanelScale;
    NotchTab defaultTab_ = NotchTab::History;
    bool recordPrimarySelection_ = false;
};

} // namespace brisa
