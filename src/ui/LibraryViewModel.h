// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipType.h"
#include "core/search/SearchQuery.h"
#include "core/support/Uuid.h"
#include "ui/ClipMenu.h"
#include "ui/LibraryBoardModel.h"
#include "ui/LibraryClipModel.h"
#include "ui/ModalLoops.h"

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

class QMenu;

namespace brisa {

class AppSettings;
class ClipLibrary;
class BulkCopyService;
class ImageClipOperations;
class PasteService;
class Scheduler;
class SpaceStore;
class Storage;

/// What the library window's views read and call: the search and type filter, the layout, the
/// clips shown (a list, or board columns), the selection and its bulk actions, the spaces and the
/// clip menu. The views only lay things out.
class LibraryViewModel final : public QObject, private ClipActions {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the library window")
    Q_PROPERTY(QString theme READ theme NOTIFY themeChanged)
    Q_PROPERTY(QString search READ search WRITE setSearch NOTIFY searchChanged)
    /// The type filter as an index of typeFilterLabels: 0 "Todos", then the kinds.
    Q_PROPERTY(int typeFilter READ typeFilter WRITE setTypeFilter NOTIFY typeFilterChanged)
    Q_PROPERTY(QStringList typeFilterLabels READ typeFilterLabels CONSTANT)
    /// The layout: 0 cards, 1 list, 2 board; kept in the settings.
    Q_PROPERTY(int viewMode READ viewMode WRITE setViewMode NOTIFY viewModeChanged)
    Q_PROPERTY(QStringList viewModeLabels READ viewModeLabels CONSTANT)
    Q_PROPERTY(QStringList viewModeSymbols READ viewModeSymbols CONSTANT)
    Q_PROPERTY(bool selectionMode READ selectionMode WRITE setSelectionMode NOTIFY selectionModeChanged)
    Q_PROPERTY(int selectedCount READ selectedCount NOTIFY selectionChanged)
    /// "%lld elementos": how many clips the filters keep.
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(QString countText READ countText NOTIFY countChanged)
    Q_PROPERTY(QString selectedText READ selectedText NOTIFY selectionChanged)
    Q_PROPERTY(brisa::LibraryClipModel* clips READ clips CONSTANT)
    Q_PROPERTY(brisa::LibraryBoardModel* board READ board CONSTANT)
    /// The spaces' names, in order.
    Q_PROPERTY(QStringList spaceNames READ spaceNames NOTIFY spacesChanged)
    Q_PROPERTY(QStringList spaceSymbols READ spaceSymbols NOTIFY spacesChanged)
    Q_PROPERTY(bool showSpacesPopover READ showSpacesPopover WRITE setShowSpacesPopover NOTIFY showSpacesPopoverChanged)
    Q_PROPERTY(QString newSpaceName READ newSpaceName WRITE setNewSpaceName NOTIFY newSpaceNameChanged)
    Q_PROPERTY(bool canAddSpace READ canAddSpace NOTIFY newSpaceNameChanged)
    /// A bulk delete runs on another thread: the bulk bar's actions wait for it.
    Q_PROPERTY(bool deleting READ deleting NOTIFY deletingChanged)
    /// The clip the keyboard is on (upper-case id), "" when none.
    Q_PROPERTY(QString currentId READ currentId NOTIFY currentChanged)

public:
    /// Everything it acts through; all must outlive it.
    struct Services {
        ClipLibrary& library;
        Storage& storage;
        PasteService& paster;
        BulkCopyService& bulkCopy;
        AppSettings& settings;
        SpaceStore& spaces;
        Scheduler& clock; ///< the time, and the look for other programs' changes while shown
        /// The image operations of the clip menu; none: their entries are greyed.
        ImageClipOperations* images = nullptr;
        /// Runs a job on another thread: the history's searched fields are read there ahead of
        /// the first search, and a bulk delete runs there. None: both run on this thread.
        std::function<void(std::function<void()>)> elsewhere{};
    };

    explicit LibraryViewModel(Services services, QObject* parent = nullptr);
    ~LibraryViewModel() override;

    QString theme() const;
    QString search() const { return search_; }
    void setSearch(const QString& text);
    int typeFilter() const;
    void setTypeFilter(int index);
    static QStringList typeFilterLabels();
    int viewMode() const;
    void setViewMode(int mode);
    static QStringList viewModeLabels();
    static QStringList viewModeSymbols();
    bool selectionMode() const { return selectionMode_; }
    void setSelectionMode(bool on);
    int selectedCount() const { return static_cast<int>(selected_.size()); }
    bool deleting() const { return deleting_; }
    int count() const { return clips_->total(); }
    QString countText() const;
    QString selectedText() const;
    LibraryClipModel* clips() const { return clips_; }
    LibraryBoardModel* board() const { return board_; }
    QStringList spaceNames() const;
    QStringList spaceSymbols() const;
    bool showSpacesPopover() const { return showSpacesPopover_; }
    void setShowSpacesPopover(bool on);
    QString newSpaceName() const { return newSpaceName_; }
    void setNewSpaceName(const QString& name);
    bool canAddSpace() const;
    QString currentId() const { return current_ ? QString::fromStdString(current_->toString()) : QString(); }

    /// A click on a clip: a paste outside selection mode, in or out of the selection inside it.
    /// Cards take a double click outside selection mode (doubleClick), list rows a single one.
    Q_INVOKABLE void tap(const QString& id);
    /// A card's single click: selects it in selection mode, else only makes it the current clip.
    Q_INVOKABLE void cardClicked(const QString& id);
    /// A card's double click: pastes outside selection mode (and acts as a click inside it).
    Q_INVOKABLE void cardDoubleClicked(const QString& id);
    /// "Seleccionar" / "Cancelar selección".
    Q_INVOKABLE void toggleSelectionMode() { setSelectionMode(!selectionMode_); }
    Q_INVOKABLE bool isSelected(const QString& id) const;
    /// The bulk bar: "Fijar", "Quitar fijado", "Mover a categoría" (-1: "Sin categoría") and "Eliminar".
    /// Ignored while a bulk delete runs (see deleting).
    Q_INVOKABLE void pinSelection(bool pinned);
    Q_INVOKABLE void moveSelection(int spaceIndex);
    /// The bulk bar's "Mover a categoría" menu at the pointer: "Sin categoría", then each space.
    Q_INVOKABLE void openMoveMenu();
    Q_INVOKABLE void deleteSelection();
    /// "Añadir" of the spaces popover, and a space's trash button.
    Q_INVOKABLE void addSpace();
    Q_INVOKABLE void removeSpace(int index);
    /// Runs the clip menu at the pointer.
    Q_INVOKABLE void openMenu(const QString& id);
    /// The clip menu of id, or null when there is no such clip.
    std::unique_ptr<QMenu> menu(const QString& id);
    /// A card's hover action: "compress" or "remove-background" makes a new clip; "resize" and
    /// "convert" open their menu at the pointer.
    Q_INVOKABLE void imageAction(const QString& id, const QString& action);
    /// Drags a card's clip out of Brisa: a file, an image or text.
    Q_INVOKABLE void startDrag(const QString& id);
    /// Makes id the clip the keyboard is on.
    Q_INVOKABLE void setCurrent(const QString& id);
    /// A key of the window (a Qt::Key): arrows move the current clip in the layout shown (columns:
    /// cards per row of the grid), Return pastes it, Delete deletes it, Escape clears the search
    /// and then hides the window. False when not handled.
    Q_INVOKABLE bool handleKey(int qtKey, int columns = 1);
    /// Reads the history again with the filters (a change here or by another program).
    Q_INVOKABLE void refresh();
    /// The window is on screen or not: while it is, other programs' changes show within a second.
    void setShown(bool shown);

    /// Pastes through the paste service after giving the focus back to where it was; set by the window.
    std::function<void()> restoreFocus;
    /// Asks for a reminder's date (initial value, minimum); nullopt when cancelled. The reminder
    /// dialog unless a test replaces it.
    std::function<std::optional<TimePoint>(TimePoint, TimePoint)> reminderPrompt;

Q_SIGNALS:
    void themeChanged();
    void searchChanged();
    void typeFilterChanged();
    void viewModeChanged();
    void selectionModeChanged();
    void selectionChanged();
    void countChanged();
    void spacesChanged();
    void showSpacesPopoverChanged();
    void newSpaceNameChanged();
    void currentChanged();
    void deletingChanged();
    /// Escape with an empty search: the window goes.
    void hideRequested();

private:
    /// What the search and the type filter keep.
    ClipFilter filter() const;
    /// Whether the filters show item.
    bool shows(const ClipItem& item) const;
    /// The selected clips the filters show: what a bulk action acts on.
    std::vector<Uuid> selectedShown();
    void paste(const Uuid& id);
    void deleteClip(const Uuid& id);
    // The card menu's entries that act here.
    void promptReminder(const ClipItem& item) override;
    void pasteClip(const ClipItem& clip) override { paste(clip.id); }
    void removeClip(const ClipItem& clip) override { deleteClip(clip.id); }
    void clipChanged() override { scheduleRefresh(); }
    void updateBoard();
    void noteSelectionChanged();
    /// After a bulk delete on another thread: the models let go of the deleted clips at once,
    /// then read the history again.
    void deleted(const std::vector<Uuid>& ids);
    /// The models of the layout of viewMode: the list's, or the board's columns.
    std::vector<LibraryClipModel*> layoutModels() const;
    void scheduleRefresh();
    /// Starts reading the searched fields on another thread, when they are not in memory.
    void loadAhead();

    Services services_;
    QString search_;
    SearchQuery query_{""}; ///< search_ parsed, once per change of it
    std::optional<ClipType> typeFilter_;
    bool selectionMode_ = false;
    std::unordered_set<Uuid> selected_;
    bool showSpacesPopover_ = false;
    QString newSpaceName_;
    std::optional<Uuid> current_;
    LibraryClipModel* clips_;
    LibraryBoardModel* board_;
    bool shown_ = false;
    bool refreshQueued_ = false;
    bool awaitingColumn_ = false; ///< a refresh waits for the fields read ahead
    bool deleting_ = false;       ///< a bulk delete runs on another thread
    ModalLoops modal_{this, [this] { refresh(); }}; ///< menus and drags; the rows stay put meanwhile
    std::optional<std::uint64_t> liveCheck_;
    std::optional<std::int64_t> dataVersion_;
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace brisa
