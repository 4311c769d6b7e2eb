// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LibraryViewModel.h"

#include "core/clips/ClipLibrary.h"
#include "core/paste/PasteService.h"
#include "core/remind/ReminderScheduler.h"
#include "core/search/SearchQuery.h"
#include "core/settings/AppSettings.h"
#include "core/store/Storage.h"
#include "core/stores/SpaceStore.h"
#include "core/image/ImageClipOperations.h"
#include "core/image/ImageLibrary.h"
#include "core/image/ImageProcessor.h"
#include "core/model/ClipDragPayload.h"
#include "core/support/Log.h"
#include "ui/ClipMenu.h"
#include "ui/ClipMimeData.h"
#include "ui/MenuTheme.h"
#include "ui/ReminderDialog.h"

#include <QMenu>
#include <QPointer>

#include <algorithm>

namespace brisa {
namespace {

std::optional<Uuid> parseId(const QString& text) { return Uuid::parse(text.toStdString()); }

/// Records read at a time while looking through the history for the clips the filters keep.
constexpr std::size_t kScanChunk = 2000;

} // namespace

LibraryViewModel::LibraryViewModel(Services services, QObject* parent)
    : QObject(parent), services_(services)
{
    auto isSelected = [this](const Uuid& id) { return selected_.contains(id); };
    clips_ = new LibraryClipModel(services_.library, services_.clock, isSelected, this);
    board_ = new LibraryBoardModel(services_.library, services_.clock, isSelected, this);
    connect(clips_, &LibraryClipModel::totalChanged, this, &LibraryViewModel::countChanged);

    services_.settings.onChanged([self = QPointer<LibraryViewModel>(this)](AppSettings::Field field) {
        if (!self)
            return;
        if (field == AppSettings::Field::Theme)
            Q_EMIT self->themeChanged();
        if (field == AppSettings::Field::LibraryViewMode) {
            self->updateBoard();
            Q_EMIT self->viewModeChanged();
        }
    });
    services_.spaces.onChanged([self = QPointer<LibraryViewModel>(this)] {
        if (!self)
            return;
        Q_EMIT self->spacesChanged();
        self->updateBoard();
    });
    // A copy captured, text recognised, a change made here: one refresh follows a burst of them.
    services_.storage.onChanged([self = QPointer<LibraryViewModel>(this)] {
        if (self)
            self->scheduleRefresh();
    });
    refresh(); // starts reading the searched fields, while the window is being made
}

LibraryViewModel::~LibraryViewModel() { setShown(false); }

void LibraryViewModel::loadAhead()
{
    if (!services_.elsewhere)
        return;
    services_.library.loadAhead(services_.elsewhere, services_.clock, [self = QPointer<LibraryViewModel>(this)] {
        if (self && std::exchange(self->awaitingColumn_, false))
            self->refresh();
    });
}

void LibraryViewModel::scheduleRefresh()
{
    // A hidden window reads the history again when it is shown.
    if (!shown_ || std::exchange(refreshQueued_, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (refreshQueued_) // else refreshed meanwhile
                modal_.rereadWhenFree();
        },
        Qt::QueuedConnection);
}

void LibraryViewModel::setShown(bool shown)
{
    if (liveCheck_)
        services_.clock.cancel(*liveCheck_);
    liveCheck_.reset();
    shown_ = shown;
    if (!shown)
        return;
    // Another program's change (the command line, a second Brisa) shows within a second; asking
    // the store's data version costs next to nothing and leaves other watchers theirs.
    dataVersion_ = services_.storage.dataVersion();
    refresh();
    liveCheck_ = services_.clock.repeat(std::chrono::seconds(1), [this] {
        const auto version = services_.storage.dataVersion();
        if (version != dataVersion_) {
            dataVersion_ = version;
            scheduleRefresh();
        }
    });
}

QString LibraryViewModel::theme() const
{
    const auto raw = rawValue(services_.settings.theme());
    return QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
}

void LibraryViewModel::setSearch(const QString& text)
{
    if (text == search_)
        return;
    search_ = text;
    query_ = SearchQuery(search_.toStdString());
    refresh();
    Q_EMIT searchChanged();
}

int LibraryViewModel::typeFilter() const
{
    if (!typeFilter_)
        return 0;
    const auto at = std::find(allClipTypes.begin(), allClipTypes.end(), *typeFilter_);
    return static_cast<int>(at - allClipTypes.begin()) + 1;
}

void LibraryViewModel::setTypeFilter(int index)
{
    if (index < 0 || index > static_cast<int>(allClipTypes.size()) || index == typeFilter())
        return;
    typeFilter_ = index == 0 ? std::nullopt : std::optional(allClipTypes[static_cast<std::size_t>(index - 1)]);
    refresh();
    Q_EMIT typeFilterChanged();
}

QStringList LibraryViewModel::typeFilterLabels()
{
    QStringList labels{QStringLiteral("Todos")};
    for (auto type : allClipTypes)
        labels << libraryKindLabel(std::string(rawValue(type)));
    return labels;
}

int LibraryViewModel::viewMode() const
{
    const auto mode = services_.settings.libraryViewMode();
    return static_cast<int>(std::find(allLibraryViewModes.begin(), allLibraryViewModes.end(), mode) -
                            allLibraryViewModes.begin());
}

void LibraryViewModel::setViewMode(int mode)
{
    if (mode < 0 || mode >= static_cast<int>(allLibraryViewModes.size()))
        return;
    // The settings tell every reader, this one included, which updates the board and the views.
    services_.settings.setLibraryViewMode(allLibraryViewModes[static_cast<std::size_t>(mode)]);
}

QStringList LibraryViewModel::viewModeLabels()
{
    QStringList out;
    for (auto mode : allLibraryViewModes)
        out << QString::fromUtf8(label(mode).data(), static_cast<qsizetype>(label(mode).size()));
    return out;
}

QStringList LibraryViewModel::viewModeSymbols()
{
    QStringList out;
    for (auto mode : allLibraryViewModes)
        out << QString::fromUtf8(symbol(mode).data(), static_cast<qsizetype>(symbol(mode).size()));
    return out;
}

void LibraryViewModel::setSelectionMode(bool on)
{
    if (on == selectionMode_)
        return;
    selectionMode_ = on;
    if (!on && !selected_.empty()) { // leaving selection mode lets go of the selection
        selected_.clear();
        noteSelectionChanged();
    }
    Q_EMIT selectionModeChanged();
}

QString LibraryViewModel::countText() const { return QStringLiteral("%1 elementos").arg(count()); }

QString LibraryViewModel::selectedText() const { return QStringLiteral("%1 seleccionados").arg(selectedCount()); }

QStringList LibraryViewModel::spaceNames() const
{
    QStringList out;
    for (const auto& space : services_.spaces.spaces())
        out << QString::fromStdString(space.name);
    return out;
}

QStringList LibraryViewModel::spaceSymbols() const
{
    QStringList out;
    for (const auto& space : services_.spaces.spaces())
        out << QString::fromStdString(space.symbol);
    return out;
}

void LibraryViewModel::setShowSpacesPopover(bool on)
{
    if (on == showSpacesPopover_)
        return;
    showSpacesPopover_ = on;
    Q_EMIT showSpacesPopoverChanged();
}

void LibraryViewModel::setNewSpaceName(const QString& name)
{
    if (name == newSpaceName_)
        return;
    newSpaceName_ = name;
    Q_EMIT newSpaceNameChanged();
}

bool LibraryViewModel::canAddSpace() const { return !newSpaceName_.trimmed().isEmpty(); }

void LibraryViewModel::addSpace()
{
    if (!canAddSpace())
        return;
    services_.spaces.add(newSpaceName_.toStdString(), "folder");
    setNewSpaceName({});
}

void LibraryViewModel::removeSpace(int index)
{
    const auto& spaces = services_.spaces.spaces();
    if (index < 0 || index >= static_cast<int>(spaces.size()))
        return;
    const ClipSpace space = spaces[static_cast<std::size_t>(index)]; // the list changes under remove
    services_.spaces.remove(space);
}

ClipFilter LibraryViewModel::filter() const { return {.kind = typeFilter_, .search = search_.toStdString()}; }

bool LibraryViewModel::shows(const ClipItem& item) const
{
    return (!typeFilter_ || item.type() == *typeFilter_) && query_.matches(item);
}

void LibraryViewModel::refresh()
{
    refreshQueued_ = false;
    if (current_) { // the keyboard leaves a clip that went or that the filters now hide
        const auto item = services_.library.find(*current_);
        if (!item || !shows(*item)) {
            current_.reset();
            Q_EMIT currentChanged();
        }
    }
    // The searched fields are read on the other thread when they are not in memory (the first
    // time, or after another program's change); a search waits for them with the rows shown so
    // far rather than reading them here and holding the window up.
    loadAhead();
    const bool board = services_.settings.libraryViewMode() == LibraryViewMode::Board;
    if (services_.library.loadingAhead() && (board || services_.library.searches(filter()))) {
        awaitingColumn_ = true;
        return;
    }
    clips_->setFilter(filter());
    updateBoard();
}

void LibraryViewModel::updateBoard()
{
    // Only the layout on screen is kept current; the board catches up when it is chosen.
    if (services_.settings.libraryViewMode() != LibraryViewMode::Board)
        return;
    if (services_.library.loadingAhead()) { // its columns read the searched fields
        awaitingColumn_ = true;
        return;
    }
    board_->set(services_.spaces.spaces(), filter());
}

bool LibraryViewModel::isSelected(const QString& id) const
{
    const auto parsed = parseId(id);
    return parsed && selected_.contains(*parsed);
}

void LibraryViewModel::noteSelectionChanged()
{
    clips_->selectionChanged();
    board_->selectionChanged();
    Q_EMIT selectionChanged();
}

void LibraryViewModel::tap(const QString& text)
{
    const auto id = parseId(text);
    if (!id)
        return;
    setCurrent(text);
    if (!selectionMode_) {
        paste(*id);
        return;
    }
    if (!selected_.erase(*id))
        selected_.insert(*id);
    noteSelectionChanged();
}

void LibraryViewModel::cardClicked(const QString& id)
{
    if (selectionMode_)
        tap(id);
    else
        setCurrent(id);
}

void LibraryViewModel::cardDoubleClicked(const QString& id)
{
    if (!selectionMode_)
        tap(id);
}

void LibraryViewModel::paste(const Uuid& id)
{
    const auto item = services_.library.find(id);
    if (!item)
        return;
    if (restoreFocus)
        restoreFocus();
    services_.paster.paste(*item);
}

std::vector<Uuid> LibraryViewModel::selectedShown()
{
    // Selected clips the filters hide now are left alone, and stay selected. Thousands may be
    // selected: the search already in memory says which are shown, without reading each clip.
    const std::vector<Uuid> selected(selected_.begin(), selected_.end());
    return services_.library.keptAmong(filter(), selected);
}

void LibraryViewModel::pinSelection(bool pinned)
{
    if (deleting_)
        return;
    services_.library.setPinned(selectedShown(), pinned);
    refresh();
}

void LibraryViewModel::moveSelection(int spaceIndex)
{
    const auto& spaces = services_.spaces.spaces();
    if (deleting_ || spaceIndex < -1 || spaceIndex >= static_cast<int>(spaces.size()))
        return;
    const auto space =
        spaceIndex < 0 ? std::nullopt : std::optional(spaces[static_cast<std::size_t>(spaceIndex)].id);
    services_.library.moveToSpace(selectedShown(), space);
    refresh();
}

void LibraryViewModel::openMoveMenu()
{
    auto menu = std::make_unique<QMenu>();
    menu->addAction(QStringLiteral("Sin categoría"), this, [this] { moveSelection(-1); });
    const auto& spaces = services_.spaces.spaces();
    for (std::size_t i = 0; i < spaces.size(); ++i)
        menu->addAction(menuItemTitle(QString::fromStdString(spaces[i].name)), this,
                        [this, i] { moveSelection(static_cast<int>(i)); });
    applyMenuTheme(*menu, services_.settings.theme());
    modal_.runMenuLater(std::move(menu));
}

void LibraryViewModel::deleteSelection()
{
    if (deleting_)
        return; // one at a time: the next selection is acted on once this one is gone
    auto ids = selectedShown();
    // Unlike the other bulk actions, this lets go of the hidden clips too: the user asked for a
    // fresh start. Selection mode stays on.
    selected_.clear();
    noteSelectionChanged();
    if (!services_.elsewhere || ids.empty()) {
        services_.library.remove(ids); // one transaction, then the images
        refresh();
        return;
    }
    // Thousands of clips and their thumbnails take longer than a frame: the transaction runs on
    // another thread, and the window stays live meanwhile.
    deleting_ = true;
    Q_EMIT deletingChanged();
    services_.library.removeElsewhere(
        ids, services_.elsewhere, services_.clock,
        [self = QPointer<LibraryViewModel>(this), ids](std::optional<std::size_t> count) {
            if (!self)
                return;
            self->deleting_ = false;
            Q_EMIT self->deletingChanged();
            if (count)
                self->deleted(ids);
            else
                self->modal_.rereadWhenFree(); // nothing was deleted: the rows stay as they are
        });
}

void LibraryViewModel::deleted(const std::vector<Uuid>& ids)
{
    // The history changed under the store's data version, so the searched fields are read again
    // on the other thread and a search waits for them: meanwhile no deleted clip stays on screen.
    // Under a menu or a drag the rows stay put until it is over, as for any change.
    if (!modal_.running()) {
        const std::unordered_set<Uuid> gone(ids.begin(), ids.end());
        clips_->forget(gone);
        for (int i = 0; i < board_->columnCount(); ++i)
            board_->column(i)->forget(gone);
    }
    modal_.rereadWhenFree();
}

void LibraryViewModel::deleteClip(const Uuid& id)
{
    services_.library.remove(id);
    if (selected_.erase(id))
        noteSelectionChanged();
    refresh();
}

void LibraryViewModel::promptReminder(const ClipItem& item)
{
    const auto now = services_.clock.now();
    const auto initial = reminderProposal(item.reminderDate, now);
    const auto chosen = reminderPrompt ? reminderPrompt(initial, now) : askReminderDate(initial, now);
    if (chosen)
        services_.storage.setReminder(item.id, chosen);
}

std::unique_ptr<QMenu> LibraryViewModel::menu(const QString& text)
{
    const auto id = parseId(text);
    const auto item = id ? services_.library.find(*id) : std::nullopt;
    if (!item)
        return nullptr;
    const ClipMenu menu{*this, services_.paster, services_.storage, services_.bulkCopy, services_.spaces,
                        services_.images, services_.settings.theme()};
    return menu.build(*item, this);
}

void LibraryViewModel::openMenu(const QString& id)
{
    auto built = menu(id);
    if (!built)
        return;
    setCurrent(id);
    modal_.runMenuLater(std::move(built));
}

void LibraryViewModel::imageAction(const QString& text, const QString& action)
{
    const auto id = parseId(text);
    const auto item = id ? services_.library.find(*id) : std::nullopt;
    if (!item || !ImageProcessor::isProcessable(*item))
        return;
    if (!services_.images) {
        logLine(LogCategory::Ui, "Operaciones de imagen no disponibles en esta sesión");
        return;
    }
    if (action == QLatin1String("compress")) {
        services_.images->compressToNewClip(item->id);
    } else if (action == QLatin1String("remove-background")) {
        services_.images->removeBackgroundToNewClip(item->id);
    } else if (action == QLatin1String("resize") || action == QLatin1String("convert")) {
        auto menu = std::make_unique<QMenu>();
        if (action == QLatin1String("resize"))
            ClipMenu::fillResize(*menu, services_.images, item->id, this);
        else
            ClipMenu::fillConvert(*menu, services_.images, item->id, this);
        applyMenuTheme(*menu, services_.settings.theme());
        modal_.runMenuLater(std::move(menu));
    }
}

void LibraryViewModel::startDrag(const QString& text)
{
    const auto id = parseId(text);
    const auto item = id ? services_.library.find(*id) : std::nullopt;
    const auto payload = item ? ClipDragPayload::from(*item) : std::nullopt;
    if (!payload)
        return; // a clip with nothing to hand over cannot be dragged
    const ImageLibrary* images = services_.images ? &services_.images->library() : nullptr;
    modal_.runLater([this, images, payload = *payload] {
        execClipDrag(payload, services_.storage.imagesDir(), images, this);
    });
}

void LibraryViewModel::setCurrent(const QString& text)
{
    const auto id = parseId(text);
    if (id == current_)
        return;
    current_ = id;
    Q_EMIT currentChanged();
}

std::vector<LibraryClipModel*> LibraryViewModel::layoutModels() const
{
    if (services_.settings.libraryViewMode() != LibraryViewMode::Board)
        return {clips_};
    std::vector<LibraryClipModel*> columns;
    for (int i = 0; i < board_->columnCount(); ++i)
        columns.push_back(board_->column(i));
    return columns;
}

bool LibraryViewModel::handleKey(int qtKey, int columns)
{
    switch (qtKey) {
    case Qt::Key_Escape:
        if (!search_.isEmpty())
            setSearch({});
        else
            Q_EMIT hideRequested();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!current_)
            return false;
        tap(currentId());
        return true;
    case Qt::Key_Delete:
        if (!current_)
            return false;
        {
            // The keyboard stays where it was: on the clip that takes the deleted one's place.
            std::optional<Uuid> next;
            for (auto* model : layoutModels()) {
                const auto row = model->loadedIds();
                const auto at = std::find(row.begin(), row.end(), *current_);
                if (at == row.end())
                    continue;
                if (at + 1 != row.end())
                    next = *(at + 1);
                else if (at != row.begin())
                    next = *(at - 1);
            }
            deleteClip(*current_);
            setCurrent(next ? QString::fromStdString(next->toString()) : QString());
        }
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: break;
    default: return false;
    }

    const auto models = layoutModels();
    const bool board = services_.settings.libraryViewMode() == LibraryViewMode::Board;
    const bool list = services_.settings.libraryViewMode() == LibraryViewMode::List;
    // Where the current clip is: its column of the board (0 otherwise) and its place in it.
    const int perRow = list || board ? 1 : std::max(columns, 1);
    // Rows are read as the keys go down, a page before they are needed.
    for (auto* model : models) {
        if (current_ && model->canFetchMore({})) {
            const int row = model->rowOf(currentId());
            if (row >= 0 && row + 2 * perRow >= model->rowCount())
                model->fetchMore({});
        }
    }
    std::vector<std::vector<Uuid>> rows;
    for (auto* model : models)
        rows.push_back(model->loadedIds());
    std::size_t column = 0;
    std::optional<std::size_t> place;
    for (std::size_t c = 0; c < rows.size() && !place; ++c) {
        const auto at = current_ ? std::find(rows[c].begin(), rows[c].end(), *current_) : rows[c].end();
        if (at != rows[c].end()) {
            column = c;
            place = static_cast<std::size_t>(at - rows[c].begin());
        }
    }
    std::optional<Uuid> target;
    if (!place) { // the first arrow lands on the first clip shown
        for (const auto& row : rows)
            if (!row.empty()) {
                target = row.front();
                break;
            }
    } else if (board) {
        if (qtKey == Qt::Key_Up && *place > 0)
            target = rows[column][*place - 1];
        else if (qtKey == Qt::Key_Down && *place + 1 < rows[column].size())
            target = rows[column][*place + 1];
        else if (qtKey == Qt::Key_Left || qtKey == Qt::Key_Right) {
            // The nearest column with clips that way, at the same height or its last clip.
            const int step = qtKey == Qt::Key_Left ? -1 : 1;
            for (int c = static_cast<int>(column) + step; c >= 0 && c < static_cast<int>(rows.size()); c += step) {
                const auto& other = rows[static_cast<std::size_t>(c)];
                if (!other.empty()) {
                    target = other[std::min(*place, other.size() - 1)];
                    break;
                }
            }
        }
    } else {
        const auto& row = rows.front();
        std::ptrdiff_t to = static_cast<std::ptrdiff_t>(*place);
        if (qtKey == Qt::Key_Up)
            to -= perRow;
        else if (qtKey == Qt::Key_Down)
            to = std::min<std::ptrdiff_t>(to + perRow, static_cast<std::ptrdiff_t>(row.size()) - 1);
        else if (list)
            return false; // a list has no sideways
        else
            to += qtKey == Qt::Key_Left ? -1 : 1;
        if (to >= 0 && to < static_cast<std::ptrdiff_t>(row.size()))
            target = row[static_cast<std::size_t>(to)];
    }
    if (target)
        setCurrent(QString::fromStdString(target->toString()));
    return true;
}

} // namespace brisa
