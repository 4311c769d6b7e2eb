// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LibraryClipModel.h"

#include "ui/ClipStripModel.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <unordered_set>

namespace brisa {

QString libraryKindLabel(const std::string& typeRaw)
{
    switch (clipTypeOrText(typeRaw)) {
    case ClipType::Text: break;
    case ClipType::Code: return QStringLiteral("Código");
    case ClipType::Link: return QStringLiteral("Enlace");
    case ClipType::Image: return QStringLiteral("Imagen");
    case ClipType::File: return QStringLiteral("Archivo");
    case ClipType::Color: return QStringLiteral("Color");
    case ClipType::Screenshot: return QStringLiteral("Captura");
    }
    return QStringLiteral("Texto");
}

QString libraryKindSymbol(const std::string& typeRaw)
{
    switch (clipTypeOrText(typeRaw)) {
    case ClipType::Text: break;
    case ClipType::Code: return QStringLiteral("chevron.left.forwardslash.chevron.right");
    case ClipType::Link: return QStringLiteral("link");
    case ClipType::Image: return QStringLiteral("photo");
    case ClipType::File: return QStringLiteral("doc");
    case ClipType::Color: return QStringLiteral("paintpalette");
    case ClipType::Screenshot: return QStringLiteral("camera.viewfinder");
    }
    return QStringLiteral("text.alignleft");
}

LibraryClipModel::LibraryClipModel(ClipLibrary& library, const Clock& clock, IsSelected isSelected, QObject* parent)
    : QAbstractListModel(parent), library_(library), clock_(clock), isSelected_(std::move(isSelected))
{
}

int LibraryClipModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

bool LibraryClipModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && rows_.size() < total_ && !waitsForColumn();
}

bool LibraryClipModel::waitsForColumn() const
{
    // The next page of a search would read the whole history here, on the window's thread: it
    // waits for the read on the other thread, whose take-over refreshes the rows.
    return library_.loadingAhead() && library_.searches(filter_);
}

void LibraryClipModel::fetchMore(const QModelIndex& parent)
{
    // A view (or a model checker) may ask for more while a change is being announced: later.
    if (parent.isValid() || fetching_ || rows_.size() >= total_ || waitsForColumn())
        return;
    const QScopedValueRollback<bool> busy(fetching_, true);
    const int totalBefore = total();
    auto page = library_.page(filter_, rows_.size(), LibraryClipModel::kPageSize);
    total_ = page.total;
    // Clips changed since the last read would shift the rows: the next refresh puts them right.
    if (!page.clips.empty()) {
        const int first = rowCount();
        beginInsertRows({}, first, first + static_cast<int>(page.clips.size()) - 1);
        std::move(page.clips.begin(), page.clips.end(), std::back_inserter(rows_));
        endInsertRows();
    }
    if (rows_.size() > total_)
        total_ = rows_.size();
    if (total() != totalBefore)
        Q_EMIT totalChanged();
}

void LibraryClipModel::setFilter(const ClipFilter& filter)
{
    const int totalBefore = total();
    const QScopedValueRollback<bool> busy(fetching_, true);
    filter_ = filter;
    auto page = library_.page(filter_, 0, std::max(rows_.size(), static_cast<std::size_t>(kPageSize)));
    total_ = page.total;
    std::vector<ClipItem>& fresh = page.clips;

    // Rows whose clip is no longer shown, a run at a time from the back.
    std::unordered_set<Uuid> kept;
    kept.reserve(fresh.size());
    for (const auto& item : fresh)
        kept.insert(item.id);
    for (int last = static_cast<int>(rows_.size()) - 1; last >= 0; --last) {
        if (kept.contains(rows_[static_cast<std::size_t>(last)].id))
            continue;
        int first = last;
        while (first > 0 && !kept.contains(rows_[static_cast<std::size_t>(first - 1)].id))
            --first;
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        endRemoveRows();
        last = first;
    }
    // Every row left is in fresh: walk it, moving rows that changed place and inserting new ones.
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        const int row = static_cast<int>(i);
        if (i < rows_.size() && rows_[i].id == fresh[i].id) {
            rows_[i] = std::move(fresh[i]);
            continue;
        }
        const auto found = std::find_if(rows_.begin() + row, rows_.end(),
                                        [&](const ClipItem& item) { return item.id == fresh[i].id; });
        if (found != rows_.end()) {
            const int from = static_cast<int>(found - rows_.begin());
            beginMoveRows({}, from, from, {}, row);
            std::rotate(rows_.begin() + row, found, found + 1);
            rows_[i] = std::move(fresh[i]);
            endMoveRows();
        } else {
            beginInsertRows({}, row, row);
            rows_.insert(rows_.begin() + row, std::move(fresh[i]));
            endInsertRows();
        }
    }
    if (!rows_.empty()) // a pin, a reminder, recognised text, the age at least
        Q_EMIT dataChanged(index(0), index(rowCount() - 1));
    if (total() != totalBefore)
        Q_EMIT totalChanged();
}

void LibraryClipModel::forget(const std::unordered_set<Uuid>& ids)
{
    std::size_t removed = 0;
    for (int last = static_cast<int>(rows_.size()) - 1; last >= 0; --last) {
        if (!ids.contains(rows_[static_cast<std::size_t>(last)].id))
            continue;
        int first = last;
        while (first > 0 && ids.contains(rows_[static_cast<std::size_t>(first - 1)].id))
            --first;
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        endRemoveRows();
        removed += static_cast<std::size_t>(last - first + 1);
        last = first;
    }
    if (removed == 0)
        return;
    total_ -= std::min(removed, total_);
    Q_EMIT totalChanged();
}

std::vector<Uuid> LibraryClipModel::loadedIds() const
{
    std::vector<Uuid> ids;
    ids.reserve(rows_.size());
    for (const auto& item : rows_)
        ids.push_back(item.id);
    return ids;
}

void LibraryClipModel::selectionChanged()
{
    if (!rows_.empty())
        Q_EMIT dataChanged(index(0), index(rowCount() - 1), {SelectedRole});
}

QString LibraryClipModel::idAt(int row) const
{
    const ClipItem* item = itemAt(row);
    return item ? QString::fromStdString(item->id.toString()) : QString();
}

const ClipItem* LibraryClipModel::itemAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

int LibraryClipModel::rowOf(const QString& text) const
{
    const auto id = Uuid::parse(text.toStdString());
    for (std::size_t i = 0; id && i < rows_.size(); ++i)
        if (rows_[i].id == *id)
            return static_cast<int>(i);
    return -1;
}

QHash<int, QByteArray> LibraryClipModel::roleNames() const
{
    auto names = ClipStripModel::clipRoleNames();
    names.insert(SelectedRole, "inSelection");
    names.insert(ClipIdRole, "clipId");
    names.insert(RowTitleRole, "rowTitle");
    names.insert(KindSymbolRole, "kindSymbol");
    names.insert(HasReminderRole, "hasReminder");
    return names;
}

QVariant LibraryClipModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return {};
    const ClipItem* item = itemAt(index.row());
    if (!item)
        return {};
    switch (role) {
    case SelectedRole: return isSelected_ && isSelected_(item->id);
    case RowTitleRole:
        // One line of a list row: the text up to its first line break, never the whole of a long clip.
        if (item->textContent && !item->textContent->empty()) {
            const QString text =
                ClipStripModel::clipData(*item, ClipStripModel::TextRole, clock_.now()).toString().trimmed();
            const auto newline = text.indexOf(QLatin1Char('\n'));
            return newline < 0 ? text : text.left(newline);
        }
        return libraryKindLabel(item->typeRaw);
    case ClipIdRole: return QString::fromStdString(item->id.toString());
    case KindSymbolRole: return libraryKindSymbol(item->typeRaw);
    case HasReminderRole: return item->reminderDate.has_value();
    default: return ClipStripModel::clipData(*item, role, clock_.now());
    }
}

} // namespace brisa
