// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsViewModel.h"

#include "core/model/NotchTab.h"
#include "core/stores/TextSnippetStore.h"
#include "core/support/DesktopEntries.h"
#include "ui/AppIconImageProvider.h"
#include "ui/ShortcutRecorder.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace brisa {
namespace {

QString qstr(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

template <typename Enum, std::size_t N>
int indexOf(const std::array<Enum, N>& all, Enum value)
{
    const auto it = std::find(all.begin(), all.end(), value);
    return it == all.end() ? 0 : static_cast<int>(it - all.begin());
}

} // namespace

// --- SettingsStepper ---

SettingsStepper::SettingsStepper(Range range, Read read, Write write, Label label, QObject* parent)
    : QObject(parent), range_(range), read_(std::move(read)), write_(std::move(write)), label_(std::move(label))
{
}

qint64 SettingsStepper::value() const { return std::clamp(read_(), range_.min, range_.max); }

void SettingsStepper::moveTo(qint64 value)
{
    value = std::clamp(value, range_.min, range_.max);
    if (value == this->value())
        return; // at an end: nothing to write
    write_(value);
    Q_EMIT changed();
}

// --- BlockedAppsModel ---

BlockedAppsModel::BlockedAppsModel(const AppSettings& settings, const DesktopEntries* entries, QObject* parent)
    : QAbstractListModel(parent), settings_(settings), entries_(entries), ids_(settings.blockedBundleIDs())
{
}

int BlockedAppsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(ids_.size());
}

QVariant BlockedAppsModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const auto& id = ids_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case IdentifierRole:
        return qstr(id);
    case NameRole: {
        const auto* entry = entries_ ? entries_->find(id) : nullptr;
        return entry ? qstr(entry->name) : QString();
    }
    case IconRole:
        return AppIconImageProvider::urlFor(qstr(id));
    default:
        return {};
    }
}

QHash<int, QByteArray> BlockedAppsModel::roleNames() const
{
    return {{IdentifierRole, "identifier"}, {NameRole, "name"}, {IconRole, "iconUrl"}};
}

void BlockedAppsModel::reload()
{
    if (ids_ == settings_.blockedBundleIDs())
        return;
    beginResetModel();
    ids_ = settings_.blockedBundleIDs();
    endResetModel();
}

// --- SnippetListModel ---

SnippetListModel::SnippetListModel(const TextSnippetStore& store, QObject* parent)
    : QAbstractListModel(parent), store_(store)
{
}

int SnippetListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(store_.snippets().size());
}

QVariant SnippetListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const auto& snippet = store_.snippets()[static_cast<std::size_t>(index.row())];
    switch (role) {
    case ShortcutRole:
        return qstr(snippet.shortcut);
    case ContentRole:
        return qstr(snippet.content);
    default:
        return {};
    }
}

QHash<int, QByteArray> SnippetListModel::roleNames() const
{
    return {{ShortcutRole, "shortcut"}, {ContentRole, "content"}};
}

void SnippetListModel::reload()
{
    beginResetModel();
    endResetModel();
}

// --- SettingsViewModel ---

SettingsViewModel::SettingsViewModel(AppSettings& settings, TextSnippetStore& snippets,
                                     const DesktopEntries* entries, ShortcutRecorder* recorder, QObject* parent)
    : QObject(parent), settings_(settings), store_(snippets), recorder_(recorder)
{
    historyLimit_ = new SettingsStepper(
        {0, AppSettings::maxHistoryLimit, 100}, [this] { return settings_.historyLimit(); },
        [this](qint64 v) { settings_.setHistoryLimit(v); },
        [](qint64 v) { return v == 0 ? QStringLiteral("Sin límite") : QStringLiteral("Máximo %1 items").arg(v); },
        this);
    autoDeleteDays_ = new SettingsStepper(
        {0, AppSettings::maxAutoDeleteDays, 1}, [this] { return settings_.autoDeleteDays(); },
        [this](qint64 v) { settings_.setAutoDeleteDays(v); },
        [](qint64 v) {
            return v == 0 ? QStringLiteral("Auto-borrado desactivado")
                          : QStringLiteral("Borrar clips no fijados tras %1 días").arg(v);
        },
        this);
    // Whole percents: stepping the scale itself by 0.05 drifts (1.0 - 0.05 is 0.8999999999999999).
    panelScale_ = new SettingsStepper(
        {scalePercent(AppSettings::minPanelScale), scalePercent(AppSettings::maxPanelScale), 5},
        [this] { return qint64{scalePercent(settings_.panelScale())}; },
        [this](qint64 v) { settings_.setPanelScale(static_cast<double>(v) / 100.0); },
        [](qint64 v) { return QStringLiteral("Tamaño: %1%").arg(v); }, this);
    blockedApps_ = new BlockedAppsModel(settings_, entries, this);
    snippetList_ = new SnippetListModel(store_, this);
    if (recorder_ && !recorder_->parent())
        recorder_->setParent(this);

    std::weak_ptr<bool> alive = alive_;
    settings_.onChanged([this, alive](AppSettings::Field field) {
        if (alive.lock())
            settingChanged(field);
    });
    store_.onChanged([this, alive] {
        if (alive.lock())
            snippetList_->reload();
    });
}

SettingsViewModel::~SettingsViewModel() = default;

int SettingsViewModel::scalePercent(double scale)
{
    // Truncated as the label says, but 0.95 * 100 may come out a hair under 95.
    return static_cast<int>(std::floor(scale * 100.0 + 1e-6));
}

void SettingsViewModel::settingChanged(AppSettings::Field field)
{
    using F = AppSettings::Field;
    switch (field) {
    case F::HistoryLimit: historyLimit_->refresh(); break;
    case F::AutoDeleteDays: autoDeleteDays_->refresh(); break;
    case F::PanelScale: panelScale_->refresh(); break;
    case F::PanelPosition: Q_EMIT positionIndexChanged(); break;
    case F::DefaultTab: Q_EMIT defaultTabIndexChanged(); break;
    case F::LaunchAtLogin: Q_EMIT launchAtLoginChanged(); break;
    case F::Theme: Q_EMIT themeChanged(); break;
    case F::BlockedBundleIDs: blockedApps_->reload(); break;
    default: break;
    }
}

QStringList SettingsViewModel::positionLabels()
{
    QStringList labels;
    for (auto p : allPanelPositions)
        labels << qstr(label(p));
    return labels;
}

int SettingsViewModel::positionIndex() const { return indexOf(allPanelPositions, settings_.panelPosition()); }

void SettingsViewModel::choosePosition(int index)
{
    if (index < 0 || index >= static_cast<int>(allPanelPositions.size()))
        return;
    settings_.setPanelPosition(allPanelPositions[static_cast<std::size_t>(index)]);
}

QStringList SettingsViewModel::tabLabels()
{
    // The raw values themselves are the labels.
    QStringList labels;
    for (auto t : allNotchTabs)
        labels << qstr(rawValue(t));
    return labels;
}

int SettingsViewModel::defaultTabIndex() const { return indexOf(allNotchTabs, settings_.defaultTab()); }

void SettingsViewModel::chooseDefaultTab(int index)
{
    if (index < 0 || index >= static_cast<int>(allNotchTabs.size()))
        return;
    settings_.setDefaultTab(allNotchTabs[static_cast<std::size_t>(index)]);
}

void SettingsViewModel::chooseLaunchAtLogin(bool on) { settings_.setLaunchAtLogin(on); }

QString SettingsViewModel::theme() const { return qstr(rawValue(settings_.theme())); }

bool SettingsViewModel::addBlockedApp(const QString& identifier)
{
    const std::string id = identifier.trimmed().toStdString();
    auto ids = settings_.blockedBundleIDs();
    if (id.empty() || std::find(ids.begin(), ids.end(), id) != ids.end())
        return false;
    ids.push_back(id);
    settings_.setBlockedBundleIDs(std::move(ids));
    return true;
}

void SettingsViewModel::removeBlockedApp(const QString& identifier)
{
    const std::string id = identifier.toStdString();
    auto ids = settings_.blockedBundleIDs();
    std::erase(ids, id);
    settings_.setBlockedBundleIDs(std::move(ids));
}

void SettingsViewModel::setNewShortcut(const QString& text)
{
    if (newShortcut_ == text)
        return;
    newShortcut_ = text;
    Q_EMIT newSnippetChanged();
}

void SettingsViewModel::setNewContent(const QString& text)
{
    if (newContent_ == text)
        return;
    newContent_ = text;
    Q_EMIT newSnippetChanged();
}

bool SettingsViewModel::canAddSnippet() const
{
    return !newShortcut_.trimmed().isEmpty() && !newContent_.trimmed().isEmpty();
}

void SettingsViewModel::addSnippet()
{
    if (!canAddSnippet())
        return;
    store_.add(newShortcut_.toStdString(), newContent_.toStdString());
    newShortcut_.clear();
    newContent_.clear();
    Q_EMIT newSnippetChanged();
}

QString SettingsViewModel::clearHistoryQuestion() const
{
    const std::int64_t n = clearing_ ? clearing_->countUnpinned() : 0;
    if (n == 0)
        return QStringLiteral("No hay clips sin fijar que borrar.");
    return (n == 1 ? QStringLiteral("¿Borrar 1 clip del historial?")
                   : QStringLiteral("¿Borrar %1 clips del historial?").arg(n)) +
           QStringLiteral(" Los clips fijados se conservan. No se puede deshacer.");
}

void SettingsViewModel::clearHistory()
{
    if (clearing_)
        clearing_->clearUnpinned();
}

void SettingsViewModel::removeSnippet(int row)
{
    const auto& list = store_.snippets();
    if (row < 0 || row >= static_cast<int>(list.size()))
        return;
    const TextSnippet snippet = list[static_cast<std::size_t>(row)];
    store_.remove(snippet);
}

} // namespace brisa
