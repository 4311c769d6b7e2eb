// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LibraryClipModel.h"

#include "core/store/Storage.h"
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

LibraryClipModel::LibraryClipModel(Storage& store, const Clock& clock, IsSelected isSelected, QObject* parent)
    : QAbstractListModel(parent), store_(store), clock_(clock), isSelected_(std::move(isSelected))
{
}

int LibraryClipModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

bool LibraryClipModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && rows_.size() < ids_.size();
}

std::optional<ClipItem> LibraryClipModel::read(const Uuid& id) const { return store_.fetch(id, false); }

void LibraryClipModel::fetchMore(const QModelIndex& parent)
{
    // A view (or a model checker) may ask for more while a change is being announced: later.
    if (parent.isValid() || fetching_ || rows_.size() >= ids_.size())
        return;
    const QScopedValueRollback<bool> busy(fetching_, true);
    const int totalBefore = total();
    std::vector<ClipItem> page;
    const std::size_t first = rows_.size();
    // A clip deleted since the ids were taken is left out here; the next list of ids drops it too.
    std::size_t at = first;
    while (at < ids_.size() && page.size() < static_cast<std::size_t>(kPageSize)) {
        if (auto item = read(ids_[at])) {
            page.push_back(std::move(*item));
            ++at;
        } else {
            ids_.erase(ids_.begin() + static_cast<std::ptrdiff_t>(at));
        }
    }
    if (!page.empty()) {
        beginInsertRows({}, static_cast<int>(first), static_cast<int>(first + page.size()) - 1);
        std::move(page.begin(), page.end(), std::back_inserter(rows_));
        endInsertRows();
    }
    if (total() != totalBefore)
        Q_EMIT totalChanged();
}

void LibraryClipModel::setIds(std::vector<Uuid> ids)
{
    const int totalBefore = total();
    const QScopedValueRollback<bool> busy(fetching_, true);
    const std::size_t wanted = std::min(std::max(rows_.size(), static_cast<std::size_t>(kPageSize)), ids.size());
    std::vector<ClipItem> fresh;
    fresh.reserve(wanted);
    for (std::size_t i = 0; i < ids.size() && fresh.size() < wanted;) {
        if (auto item = read(ids[i])) {
            fresh.push_back(std::move(*item));
            ++i;
        } else {
            ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(i)); // gone meanwhile
        }
    }
    ids_ = std::move(ids);

    // Rows whose clip is no longer listed, a run at a time from the back.
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

int LibraryClipModel::rowOf(const QString& text)
{
    const auto id = Uuid::parse(text.toStdString());
    if (!id)
        return -1;
    const auto at = std::find(ids_.begin(), ids_.end(), *id);
    if (at == ids_.end())
        return -1;
    const auto row = static_cast<std::size_t>(at - ids_.begin());
    while (rows_.size() <= row && canFetchMore({})) {
        const auto before = rows_.size();
        fetchMore({});
        if (rows_.size() == before)
            break;
    }
    for (std::size_t i = 0; i < rows_.size(); ++i)
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
