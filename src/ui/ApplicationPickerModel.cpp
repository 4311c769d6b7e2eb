// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ApplicationPickerModel.h"

#include "ui/AppIconImageProvider.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace brisa {
namespace {

QString qstr(const std::string& s) { return QString::fromStdString(s); }

} // namespace

ApplicationPickerModel::ApplicationPickerModel(std::vector<std::filesystem::path> applicationDirs,
                                               FrontmostApplication* windows, QObject* parent)
    : QAbstractListModel(parent), applicationDirs_(std::move(applicationDirs)),
      windows_(windows)
{
}

std::vector<ApplicationPickerModel::Application> ApplicationPickerModel::collect(
    const DesktopEntries& entries, const std::vector<std::string>& windows)
{
    std::vector<Application> apps;
    std::vector<std::string> unmatched;
    // A window names its entry as the monitor's lookup does: StartupWMClass, else the desktop id.
    std::map<const DesktopEntries::Entry*, std::string> windowOf;
    for (const auto& cls : windows) {
        if (const auto* entry = entries.find(cls))
            windowOf.try_emplace(entry, cls);
        else
            unmatched.push_back(cls);
    }
    for (const auto& entry : entries.entries()) {
        Application app{entry.name, entry.startupWMClass, entry.id, entry.id};
        if (app.identifier.empty())
            if (auto it = windowOf.find(&entry); it != windowOf.end())
                app.identifier = it->second;
        apps.push_back(std::move(app));
    }
    for (auto& cls : unmatched)
        apps.push_back({cls, cls, cls, {}});
    const auto key = [](const Application& a) { return QString::fromStdString(a.name).toCaseFolded(); };
    std::stable_sort(apps.begin(), apps.end(),
                     [&](const Application& a, const Application& b) { return key(a) < key(b); });
    return apps;
}

void ApplicationPickerModel::refresh()
{
    const auto entries =
        DesktopEntries::scan(applicationDirs_.empty() ? DesktopEntries::applicationDirs() : applicationDirs_);
    auto windows = windows_ ? windows_->openApplications() : std::vector<std::string>{};
    // Brisa's own windows (the settings window) are no application to pick.
    std::erase_if(windows, [](const std::string& c) {
        return QString::fromStdString(c).compare(QCoreApplication::applicationName(), Qt::CaseInsensitive) == 0;
    });
    beginResetModel();
    all_ = collect(entries, windows);
    applyFilter();
    endResetModel();
}

int ApplicationPickerModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

QVariant ApplicationPickerModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const auto& app = all_[shown_[static_cast<std::size_t>(index.row())]];
    switch (role) {
    case NameRole:
        return qstr(app.name);
    case IdentifierRole:
        return qstr(app.identifier);
    case IconRole:
        return AppIconImageProvider::urlFor(qstr(app.iconId));
    case DetailRole:
        if (app.identifier.empty())
            return QStringLiteral("sin identificador: ábrela y vuelve a buscarla");
        return app.desktopId.empty() ? QStringLiteral("%1 · ventana abierta").arg(qstr(app.identifier))
                                     : qstr(app.identifier);
    default:
        return {};
    }
}

QHash<int, QByteArray> ApplicationPickerModel::roleNames() const
{
    return {{NameRole, "name"}, {IdentifierRole, "identifier"}, {IconRole, "iconUrl"}, {DetailRole, "detail"}};
}

void ApplicationPickerModel::setFilter(const QString& filter)
{
    if (filter_ == filter)
        return;
    beginResetModel();
    filter_ = filter;
    applyFilter();
    endResetModel();
    Q_EMIT filterChanged();
}

QString ApplicationPickerModel::identifierAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(shown_.size()))
        return {};
    return qstr(all_[shown_[static_cast<std::size_t>(row)]].identifier);
}

QString ApplicationPickerModel::desktopFileAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(shown_.size()))
        return {};
    const std::string& id = all_[shown_[static_cast<std::size_t>(row)]].desktopId;
    if (id.empty())
        return {};
    // The first folder that has the file, as the entries were read in precedence order.
    for (const auto& dir : applicationDirs_.empty() ? DesktopEntries::applicationDirs() : applicationDirs_) {
        std::error_code ec;
        const auto file = dir / (id + ".desktop");
        if (std::filesystem::is_regular_file(file, ec))
            return qstr(file.string());
    }
    return {};
}

void ApplicationPickerModel::applyFilter()
{
    shown_.clear();
    const QString needle = filter_.trimmed();
    for (std::size_t i = 0; i < all_.size(); ++i) {
        const auto& app = all_[i];
        if (needle.isEmpty() || qstr(app.name).contains(needle, Qt::CaseInsensitive) ||
            qstr(app.identifier).contains(needle, Qt::CaseInsensitive) ||
            qstr(app.desktopId).contains(needle, Qt::CaseInsensitive))
            shown_.push_back(i);
    }
}

} // namespace brisa
