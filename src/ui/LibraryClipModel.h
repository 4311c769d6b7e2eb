// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/support/Clock.h"
#include "core/support/Uuid.h"

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <vector>

namespace brisa {

class Storage;

/// Clips of the library in the order they are shown: a list of ids known in full, whose records
/// are read from the store a page at a time as the view scrolls. The list, a board column: each
/// is one of these over its own ids.
class LibraryClipModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the library's view model")
    /// How many clips it holds, loaded or not.
    Q_PROPERTY(int total READ total NOTIFY totalChanged)

public:
    /// The card roles of ClipStripModel, and these after them.
    enum Role {
        SelectedRole = Qt::UserRole + 100,
        ClipIdRole,
        RowTitleRole,
        KindSymbolRole,
        HasReminderRole,
    };
    Q_ENUM(Role)

    /// Records read from the store at a time.
    static constexpr int kPageSize = 60;

    /// Whether a clip is in the selection; set by the owner.
    using IsSelected = std::function<bool(const Uuid&)>;

    /// store and clock must outlive the model.
    LibraryClipModel(Storage& store, const Clock& clock, IsSelected isSelected, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    int total() const { return static_cast<int>(ids_.size()); }
    const std::vector<Uuid>& ids() const { return ids_; }
    /// The id of row (upper-case UUID text), or "" outside the loaded rows.
    Q_INVOKABLE QString idAt(int row) const;
    /// The row of id among the loaded rows, loading further pages if it is beyond them; -1 if absent.
    Q_INVOKABLE int rowOf(const QString& id);
    /// The loaded record of row, or null.
    const ClipItem* itemAt(int row) const;

    /// Takes a new list of ids: loaded rows whose clip stays are kept (and read again), the others
    /// removed, moved or inserted, so that a view keeps its place; at least one page is loaded.
    void setIds(std::vector<Uuid> ids);
    /// Tells the views that the selection marks of every loaded row may have changed.
    void selectionChanged();

Q_SIGNALS:
    void totalChanged();

private:
    std::optional<ClipItem> read(const Uuid& id) const;

    Storage& store_;
    const Clock& clock_;
    IsSelected isSelected_;
    std::vector<Uuid> ids_;
    std::vector<ClipItem> rows_; ///< the first rows_.size() of ids_, read
    bool fetching_ = false;
};

/// "Texto", "Código", ... for a kind's raw value ("text" for one Brisa does not know).
QString libraryKindLabel(const std::string& typeRaw);
/// The list row's symbol of a kind.
QString libraryKindSymbol(const std::string& typeRaw);

} // namespace brisa
