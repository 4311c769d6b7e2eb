// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LibraryBoardModel.h"

#include "core/stores/ClipSpace.h"


namespace brisa {

LibraryBoardModel::LibraryBoardModel(ClipLibrary& library, const Clock& clock,
                                     LibraryClipModel::IsSelected isSelected, QObject* parent)
    : QAbstractListModel(parent), library_(library), clock_(clock), isSelected_(std::move(isSelected))
{
    // The last column, empty until set(): reading it would read every clip's searched fields,
    // which a library shown as cards or a list never needs.
    columns_.push_back({std::nullopt, QStringLiteral("Sin categoría"), QStringLiteral("tray"),
                        new LibraryClipModel(library_, clock_, isSelected_, this)});
}

int LibraryBoardModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QHash<int, QByteArray> LibraryBoardModel::roleNames() const
{
    return {{TitleRole, "title"}, {SymbolRole, "symbol"}, {ClipsRole, "clips"}, {SpaceIdRole, "spaceId"}};
}

QVariant LibraryBoardModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() >= rowCount())
        return {};
    const Column& column = columns_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case TitleRole: return column.title;
    case SymbolRole: return column.symbol;
    case ClipsRole: return QVariant::fromValue<QObject*>(column.clips);
    case SpaceIdRole: return column.space ? QString::fromStdString(column.space->toString()) : QString();
    default: return {};
    }
}

LibraryClipModel* LibraryBoardModel::column(int column) const
{
    if (column < 0 || column >= rowCount())
        return nullptr;
    return columns_[static_cast<std::size_t>(column)].clips;
}

void LibraryBoardModel::set(const std::vector<ClipSpace>& spaces, const ClipFilter& filter)
{
    auto title = [](const ClipSpace& space) { return QString::fromStdString(space.name); };
    auto symbol = [](const ClipSpace& space) { return QString::fromStdString(space.symbol); };
    bool same = columns_.size() == spaces.size() + 1;
    for (std::size_t i = 0; same && i < spaces.size(); ++i)
        same = columns_[i].space == spaces[i].id && columns_[i].title == title(spaces[i]) &&
               columns_[i].symbol == symbol(spaces[i]);
    if (!same) {
        beginResetModel();
        for (auto& column : columns_)
            column.clips->deleteLater(); // a view may still hold it until the reset reaches it
        columns_.clear();
        for (const auto& space : spaces)
            columns_.push_back(
                {space.id, title(space), symbol(space), new LibraryClipModel(library_, clock_, isSelected_, this)});
        columns_.push_back({std::nullopt, QStringLiteral("Sin categoría"), QStringLiteral("tray"),
                            new LibraryClipModel(library_, clock_, isSelected_, this)});
        endResetModel();
    }
    std::vector<Uuid> existing;
    for (const auto& space : spaces)
        existing.push_back(space.id);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        ClipFilter column = filter;
        if (i < spaces.size())
            column.space = spaces[i].id;
        else // a space deleted meanwhile leaves its clips' spaceID as it was: they show here
            column.unfiledAmong = existing;
        columns_[i].clips->setFilter(column);
    }
}

void LibraryBoardModel::selectionChanged()
{
    for (auto& column : columns_)
        column.clips->selectionChanged();
}

} // namespace brisa
