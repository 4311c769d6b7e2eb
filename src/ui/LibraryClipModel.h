// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/clips/ClipLibrary.h"
#include "core/model/ClipItem.h"
#include "core/support/Clock.h"
#include "core/support/Uuid.h"

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <unordered_set>
#include <vector>

namespace brisa {

/// Clips of the library that a filter keeps, in the order they are shown (pinned first, then
/// newest), read a page at a time as the view scrolls: never the whole history. The list and each
/// board column are one of these, each with its own filter.
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

    /// library and clock must outlive the model. It starts empty: see setFilter().
    LibraryClipModel(ClipLibrary& library, const Clock& clock, IsSelected isSelected, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    int total() const { return static_cast<int>(total_); }
    const ClipFilter& filter() const { return filter_; }
    /// The ids of the rows read so far, in order.
    std::vector<Uuid> loadedIds() const;
    /// The id of row (upper-case UUID text), or "" outside the loaded rows.
    Q_INVOKABLE QString idAt(int row) const;
    /// The row of id among the loaded rows; -1 if it is not among them.
    Q_INVOKABLE int rowOf(const QString& id) const;
    /// The loaded record of row, or null.
    const ClipItem* itemAt(int row) const;

    /// Shows what filter keeps, and reads the rows again (after a change of the history): rows
    /// whose clip stays are kept, the others removed, moved or inserted, so that a view keeps its
    /// place; as many rows as were loaded, at least one page.
    void setFilter(const ClipFilter& filter);
    void refresh() { setFilter(filter_); }
    /// Removes the loaded rows of ids, clips known to be gone, without reading the store: the
    /// next setFilter() brings the rest (and the total) up to date.
    void forget(const std::unordered_set<Uuid>& ids);
    /// Tells the views that the selection marks of every loaded row may have changed.
    void selectionChanged();

Q_SIGNALS:
    void totalChanged();

private:
    /// Whether a page now would wait for the search's fields, being read on another thread.
    bool waitsForColumn() const;

    ClipLibrary& library_;
    const Clock& clock_;
    IsSelected isSelected_;
    ClipFilter filter_;
    std::size_t total_ = 0;
    std::vector<ClipItem> rows_; ///< the first rows of those the filter keeps
    bool fetching_ = false;
};

/// "Texto", "Código", ... for a kind's raw value ("text" for one Brisa does not know).
QString libraryKindLabel(const std::string& typeRaw);
/// The list row's symbol of a kind.
QString libraryKindSymbol(const std::string& typeRaw);

} // namespace brisa
