// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/AppSettings.h"
#include "ui/ShortcutRecorder.h"

#include <QAbstractListModel>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace brisa {

class DesktopEntries;
class TextSnippetStore;

/// One stepper of the settings window: a whole-number value kept within [min, max], moved by step,
/// and its label. The value shown is the stored one clamped to the range; nothing is written until
/// the user steps.
class SettingsStepper : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by SettingsViewModel")
    Q_PROPERTY(qint64 value READ value NOTIFY changed)
    Q_PROPERTY(QString label READ label NOTIFY changed)
    Q_PROPERTY(bool canDecrease READ canDecrease NOTIFY changed)
    Q_PROPERTY(bool canIncrease READ canIncrease NOTIFY changed)

public:
    struct Range {
        qint64 min = 0;
        qint64 max = 0;
        qint64 step = 1;
    };
    using Read = std::function<qint64()>;
    using Write = std::function<void(qint64)>;
    using Label = std::function<QString(qint64)>;

    SettingsStepper(Range range, Read read, Write write, Label label, QObject* parent = nullptr);

    qint64 value() const;
    QString label() const { return label_(value()); }
    bool canDecrease() const { return value() > range_.min; }
    bool canIncrease() const { return value() < range_.max; }
    Range range() const { return range_; }

    /// One step down or up, stopping at the ends (a step at an end writes nothing).
    Q_INVOKABLE void decrement() { moveTo(value() - range_.step); }
    Q_INVOKABLE void increment() { moveTo(value() + range_.step); }

    /// The stored value changed (by this stepper or elsewhere).
    void refresh() { Q_EMIT changed(); }

Q_SIGNALS:
    void changed();

private:
    void moveTo(qint64 value);

    Range range_;
    Read read_;
    Write write_;
    Label label_;
};

/// The blocked applications as the settings hold them, in stored order, each with the name and icon
/// of the installed application whose windows report that identifier.
class BlockedAppsModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by SettingsViewModel")

public:
    enum Role { IdentifierRole = Qt::UserRole + 1, NameRole, IconRole };

    /// entries names the identifiers; it may be null (identifiers only) and must outlive the model.
    BlockedAppsModel(const AppSettings& settings, const DesktopEntries* entries, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    /// Reads the list again.
    void reload();

private:
    const AppSettings& settings_;
    const DesktopEntries* entries_;
    std::vector<std::string> ids_;
};

/// The text snippets in the store's order.
class SnippetListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by SettingsViewModel")

public:
    enum Role { ShortcutRole = Qt::UserRole + 1, ContentRole };

    explicit SnippetListModel(const TextSnippetStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    void reload();

private:
    const TextSnippetStore& store_;
};

/// What the settings window shows and changes. Every control writes through AppSettings (or the
/// snippet store) the moment the user changes it, so its effect is immediate; opening the window
/// writes nothing.
class SettingsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the settings window")
    Q_PROPERTY(brisa::SettingsStepper* historyLimit READ historyLimit CONSTANT)
    Q_PROPERTY(brisa::SettingsStepper* autoDeleteDays READ autoDeleteDays CONSTANT)
    /// The panel's size in whole percents (70 to 130 in steps of 5).
    Q_PROPERTY(brisa::SettingsStepper* panelScale READ panelScale CONSTANT)
    /// The five positions' labels, in the order the picker lists them.
    Q_PROPERTY(QStringList positionLabels READ positionLabels CONSTANT)
    Q_PROPERTY(int positionIndex READ positionIndex NOTIFY positionIndexChanged)
    /// The tabs' raw values, as the "Pestaña al abrir" picker lists them.
    Q_PROPERTY(QStringList tabLabels READ tabLabels CONSTANT)
    Q_PROPERTY(int defaultTabIndex READ defaultTabIndex NOTIFY defaultTabIndexChanged)
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin NOTIFY launchAtLoginChanged)
    /// The theme's raw value, for the window's colours.
    Q_PROPERTY(QString theme READ theme NOTIFY themeChanged)
    Q_PROPERTY(brisa::BlockedAppsModel* blockedApps READ blockedApps CONSTANT)
    Q_PROPERTY(brisa::SnippetListModel* snippets READ snippets CONSTANT)
    /// The snippet being typed: kept while Brisa runs, even when the window is closed.
    Q_PROPERTY(QString newShortcut READ newShortcut WRITE setNewShortcut NOTIFY newSnippetChanged)
    Q_PROPERTY(QString newContent READ newContent WRITE setNewContent NOTIFY newSnippetChanged)
    /// False while either field, trimmed of whitespace, is empty.
    Q_PROPERTY(bool canAddSnippet READ canAddSnippet NOTIFY newSnippetChanged)
    /// True when "Borrar historial…" can be offered.
    Q_PROPERTY(bool canClearHistory READ canClearHistory CONSTANT)
    /// The recorder of the panel's shortcut; null where shortcuts cannot be recorded.
    Q_PROPERTY(brisa::ShortcutRecorder* recorder READ recorder CONSTANT)

public:
    /// settings, snippets and entries (may be null) must outlive the view model; recorder may be null.
    SettingsViewModel(AppSettings& settings, TextSnippetStore& snippets, const DesktopEntries* entries,
                      ShortcutRecorder* recorder, QObject* parent = nullptr);
    ~SettingsViewModel() override;

    SettingsStepper* historyLimit() const { return historyLimit_; }
    SettingsStepper* autoDeleteDays() const { return autoDeleteDays_; }
    SettingsStepper* panelScale() const { return panelScale_; }

    static QStringList positionLabels();
    int positionIndex() const;
    Q_INVOKABLE void choosePosition(int index);

    static QStringList tabLabels();
    int defaultTabIndex() const;
    Q_INVOKABLE void chooseDefaultTab(int index);

    bool launchAtLogin() const { return settings_.launchAtLogin(); }
    /// Writes or removes the autostart entry through the setting's effect.
    Q_INVOKABLE void chooseLaunchAtLogin(bool on);

    QString theme() const;

    BlockedAppsModel* blockedApps() const { return blockedApps_; }
    /// Appends identifier (trimmed) to the blocked applications; an empty one, or one already
    /// there, changes nothing. True when it was added.
    Q_INVOKABLE bool addBlockedApp(const QString& identifier);
    /// Removes every entry equal to identifier.
    Q_INVOKABLE void removeBlockedApp(const QString& identifier);

    SnippetListModel* snippets() const { return snippetList_; }
    QString newShortcut() const { return newShortcut_; }
    void setNewShortcut(const QString& text);
    QString newContent() const { return newContent_; }
    void setNewContent(const QString& text);
    bool canAddSnippet() const;
    /// Hands both fields, as typed, to the store, then empties them; nothing while canAddSnippet is false.
    Q_INVOKABLE void addSnippet();
    /// Removes the snippet shown in row.
    Q_INVOKABLE void removeSnippet(int row);

    ShortcutRecorder* recorder() const { return recorder_; }

    /// How many clips clearing the history would delete (the unpinned ones), and the clearing itself.
    class HistoryClearing {
    public:
        virtual std::int64_t countUnpinned() = 0;
        virtual void clearUnpinned() = 0;

    protected:
        ~HistoryClearing() = default;
    };
    /// Offers "Borrar historial…" through clearing, which must outlive the view model; null: not offered.
    void setHistoryClearing(HistoryClearing* clearing) { clearing_ = clearing; }
    bool canClearHistory() const { return clearing_ != nullptr; }
    /// The confirmation's question, counting the clips now: "¿Borrar 12 clips del historial? ...".
    Q_INVOKABLE QString clearHistoryQuestion() const;
    /// Deletes the unpinned clips (after the user confirmed).
    Q_INVOKABLE void clearHistory();

    /// "Tamaño: 95%": the scale as a whole percent, truncated (a scale a hair under a whole
    /// percent through floating point still counts as that percent).
    static int scalePercent(double scale);

Q_SIGNALS:
    void positionIndexChanged();
    void defaultTabIndexChanged();
    void launchAtLoginChanged();
    void themeChanged();
    void newSnippetChanged();

private:
    void settingChanged(AppSettings::Field field);

    AppSettings& settings_;
    TextSnippetStore& store_;
    ShortcutRecorder* recorder_;
    SettingsStepper* historyLimit_;
    SettingsStepper* autoDeleteDays_;
    SettingsStepper* panelScale_;
    BlockedAppsModel* blockedApps_;
    SnippetListModel* snippetList_;
    QString newShortcut_;
    QString newContent_;
    HistoryClearing* clearing_ = nullptr;
    // The settings and the store keep their observers for good: they check this first.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace brisa
