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

    LibraryBoardModel(ClipLibrary& library, const Clock& clock, LibraryClipModel::IsSelected isSelected,
                      QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    /// Shows in each column of spaces what filter keeps of it (a new list of spaces makes the
    /// columns again), read afresh.
    void set(const std::vector<ClipSpace>& spaces, const ClipFilter& filter);
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

    ClipLibrary& library_;
    const Clock& clock_;
    LibraryClipModel::IsSelected isSelected_;
    std::vector<Column> columns_;
};

} // namespace brisa
