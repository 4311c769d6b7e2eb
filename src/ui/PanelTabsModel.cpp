// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PanelTabsModel.h"

#include "ui/ClipStripModel.h"

namespace brisa {
namespace {

QString symbolName(NotchTab tab)
{
    switch (tab) {
    case NotchTab::History: return QStringLiteral("clock");
    case NotchTab::Prompts: return QStringLiteral("text.bubble");
    case NotchTab::Colors: return QStringLiteral("paintpalette");
    case NotchTab::Assets: break;
    }
    return QStringLiteral("square.grid.2x2");
}

} // namespace

PanelTabsModel::PanelTabsModel(const ClipStripModel& strip, QObject* parent) : QAbstractListModel(parent), strip_(strip)
{
    connect(&strip, &ClipStripModel::tabCountsChanged, this,
            [this] { Q_EMIT dataChanged(index(0), index(rowCount() - 1), {CountRole}); });
}

int PanelTabsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(allNotchTabs.size());
}

QVariant PanelTabsModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const NotchTab tab = allNotchTabs[static_cast<std::size_t>(index.row())];
    switch (role) {
    case TitleRole: return QString::fromUtf8(rawValue(tab).data(), static_cast<qsizetype>(rawValue(tab).size()));
    case SymbolNameRole: return symbolName(tab);
    case CountRole: return strip_.countFor(index.row());
    default: return {};
    }
}

QHash<int, QByteArray> PanelTabsModel::roleNames() const
{
    return {{TitleRole, "title"}, {SymbolNameRole, "symbolName"}, {CountRole, "count"}};
}

} // namespace brisa
