// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/LibraryClipModel.h"

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>

#include <optional>
#include <vector>

namespace brisa {

struct ClipSpace;

/// The library's board: one column per space in the spaces' order, then "Sin categoría" for clips
/// of no space or of a space that no longer exists. Each column's clips are a model of their own.
class LibraryBoardModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the library's view model")

public:
    enum Role { TitleRole = Qt::UserRole + 1, SymbolRole, ClipsRole, SpaceIdRole };
    Q_ENUM(Role)

    /// A clip shown, with the space it is filed under.
    struct Entry {
        Uuid id;
        std::optional<Uuid> spaceID;
    };

    LibraryBoardModel(Storage& store, const Clock& clock, LibraryClipModel::IsSelected isSelected,
                      QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    /// Spreads the clips (in the order shown) over the columns of spaces; a new list of spaces
    /// makes the columns again.
    void set(const std::vector<ClipSpace>& spaces, const std::vector<Entry>& clips);
    /// The clips of column (the last one is "Sin categoría"), or null.
    LibraryClipModel* column(int column) const;
    int columnCount() const { return rowCount(); }
    void selectionChanged();

private:
    struct Column {
        std::optional<Uuid> space; ///< none: "Sin categoría"
        QString title;
        QString symbol;
        LibraryClipModel* clips;
    };

    Storage& store_;
    const Clock& clock_;
    LibraryClipModel::IsSelected isSelected_;
    std::vector<Column> columns_;
};

} // namespace brisa
