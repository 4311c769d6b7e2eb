// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/ExpandedPanelState.h"
#include "core/notch/StripScroll.h"
#include "core/store/StoreChanges.h"
#include "core/support/Clock.h"
#include "core/support/Uuid.h"
#include "ui/ClipMenu.h"
#include "ui/ClipStripModel.h"
#include "ui/ModalLoops.h"
#include "ui/PanelTabsModel.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QMenu;

namespace brisa {

class AppSettings;
class Scheduler;
class BulkCopyService;
class ClipLibrary;
class ImageClipOperations;
class Uuid;
class ColorSampler;
class NotchController;
class ShareTargets;
struct ShareContent;
struct ShareTarget;
class PasteService;
class SpaceStore;
class Storage;
struct ClipItem;

/// What the open panel's views read and call: the controller's flags, the tab, favourites switch
/// and selection, the card strip, and the actions on cards. The views only lay things out.
class NotchPanelViewModel final : public QObject, private ClipActions {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the application around its NotchController")
    Q_PROPERTY(bool canPickColor READ canPickColor CONSTANT)
    Q_PROPERTY(bool expanded READ expanded NOTIFY flagsChanged)
    Q_PROPERTY(bool pinned READ pinned NOTIFY flagsChanged)
    Q_PROPERTY(bool keyboardActive READ keyboardActive NOTIFY flagsChanged)
    Q_PROPERTY(bool activeHasNotch READ activeHasNotch NOTIFY flagsChanged)
    Q_PROPERTY(QString theme READ theme NOTIFY themeChanged)
    /// The tab chips: title, symbol and count of each tab.
    Q_PROPERTY(brisa::PanelTabsModel* tabs READ tabs CONSTANT)
    Q_PROPERTY(int selectedTab READ selectedTab NOTIFY selectedTabChanged)
    Q_PROPERTY(bool onlyFavorites READ onlyFavorites NOTIFY onlyFavoritesChanged)
    Q_PROPERTY(int selectedIndex READ selectedIndex NOTIFY selectedIndexChanged)
    Q_PROPERTY(int scrollReset READ scrollReset NOTIFY scrollResetChanged)
    Q_PROPERTY(brisa::ClipStripModel* strip READ strip CONSTANT)
    Q_PROPERTY(int stripCount READ stripCount NOTIFY stripChanged)
    Q_PROPERTY(bool listHasFocus READ listHasFocus NOTIFY listFocusChanged)
    Q_PROPERTY(double stripLeadingInset READ stripLeadingInset CONSTANT)
    /// How long the strip glides to centre the selected card, and after a wheel step, in ms.
    Q_PROPERTY(int centreScrollMs READ centreScrollMs CONSTANT)
    Q_PROPERTY(int wheelScrollMs READ wheelScrollMs CONSTANT)

public:
    /// Everything it acts through; all must outlive it.
    struct Services {
        NotchController& controller;
        PasteService& paster;
        Storage& storage;
        BulkCopyService& bulkCopy;
        AppSettings& settings;
        SpaceStore& spaces;
        Scheduler& clock; ///< the time, and the panel's timers while it is open
        /// The image operations of image and screenshot cards; none: not offered.
        ImageClipOperations* images = nullptr;
    };

    explicit NotchPanelViewModel(Services services, QObject* parent = nullptr);
    ~NotchPanelViewModel() override;

    bool expanded() const;
    bool pinned() const;
    bool keyboardActive() const;
    bool activeHasNotch() const;
    QString theme() const;
    PanelTabsModel* tabs() const { return tabs_; }
    int selectedTab() const { return static_cast<int>(state_.selectedTab()); }
    bool onlyFavorites() const { return state_.onlyFavorites(); }
    int selectedIndex() const { return state_.selectedIndex(); }
    int scrollReset() const { return state_.scrollReset(); }
    ClipStripModel* strip() const { return strip_; }
    int stripCount() const;
    bool listHasFocus() const { return state_.listHasFocus(); }
    /// Space before the first card, from the strip's own left edge, which starts where the
    /// panel's body does (inside the outline's top flares).
    static double stripLeadingInset();
    static int centreScrollMs() { return static_cast<int>(StripScroll::kCentreAnimationSeconds * 1000); }
    static int wheelScrollMs() { return static_cast<int>(StripScroll::kWheelAnimationSeconds * 1000); }

    Q_INVOKABLE void selectTab(int tab);
    Q_INVOKABLE void toggleFavorites();
    /// The close button: the panel closes and the focus goes back where it was.
    Q_INVOKABLE void close();
    /// Sampling a colour from the screen: greyed out where the session offers no sampler.
    bool canPickColor() const { return colorSampler != nullptr; }
    Q_INVOKABLE void pickColor();
    /// A click on a card: selects it and pastes it at once.
    Q_INVOKABLE void clickCard(int row);
    /// The screen's colour sampler, set before the view loads; null where there is none.
    ColorSampler* colorSampler = nullptr;
    /// Asks for a reminder's date (initial value, minimum); nullopt when cancelled. The reminder
    /// dialog unless a test replaces it.
    std::function<std::optional<TimePoint>(TimePoint, TimePoint)> reminderPrompt;
    /// Where "Enviar…" can send a clip besides "Guardar como…"; null: nowhere else.
    ShareTargets* shareTargets = nullptr;
    /// Asks where "Guardar como…" writes, proposing a file name; empty when cancelled. A file
    /// dialog unless a test replaces it.
    std::function<QString(const QString& suggestedName)> savePrompt;
    /// Shows the History tab with the clip id selected (when it is among the cards loaded).
    void showClip(const Uuid& id);
    /// Runs the card menu of a row at the pointer.
    Q_INVOKABLE void openCardMenu(int row);
    /// The card menu of a row, dressed in the panel's theme; null when the row has no clip.
    std::unique_ptr<QMenu> cardMenu(int row);
    /// The card's share button: the targets of "Enviar…" at the pointer.
    Q_INVOKABLE void openShareMenu(int row);
    /// The targets of "Enviar…" for a row, as they are now; null when the row has nothing to send.
    std::unique_ptr<QMenu> shareMenu(int row);
    /// A hover action of an image card: "compress" or "remove-background" makes a new clip.
    Q_INVOKABLE void imageAction(int row, const QString& action);
    /// The hover menus of an image card, at the pointer: "resize" (Redimensionar) or "convert"
    /// (Convertir formato).
    Q_INVOKABLE void openImageMenu(int row, const QString& which);
    /// The menu openImageMenu runs; null when the row is not a processable clip or which is unknown.
    std::unique_ptr<QMenu> imageMenu(int row, const QString& which);
    /// Starts dragging a card's clip out of Brisa: a file, an image or text.
    Q_INVOKABLE void startDrag(int row);
    /// A key pressed while the card list has the focus (a Qt::Key); false when not handled.
    Q_INVOKABLE bool handleKey(int qtKey);
    /// The strip's scroll position that centres a card in a viewport of this width.
    Q_INVOKABLE double centredOffset(int index, double viewportWidth) const;
    /// Where a plain mouse wheel of this many units (per axis) moves the strip from origin.
    Q_INVOKABLE double wheelTarget(double origin, double unitsX, double unitsY, double viewportWidth) const;
    /// Reads the history again (a new capture, a change by another program).
    Q_INVOKABLE void reload();

Q_SIGNALS:
    void flagsChanged();
    void themeChanged();
    void selectedTabChanged();
    void onlyFavoritesChanged();
    void selectedIndexChanged();
    void scrollResetChanged();
    void stripChanged();
    void listFocusChanged();

private:
    std::optional<ClipItem> clipAt(int row) const;
    /// Starts or stops the once-a-second look at the store while the panel is open.
    void setLiveCheck(bool on);
    void paste(int row);
    /// The clip of the row when the image operations can take it.
    std::optional<ClipItem> processableAt(int row) const;
    void deleteRow(int row);
    void deleteClip(const ClipItem& item);
    /// One entry per target the session offers now, "Guardar como…" last.
    void fillShareMenu(QMenu& menu, const ShareContent& content);
    /// Sends content to target; a target that fails says why in the log, and nothing else happens.
    void share(const ShareContent& content, const ShareTarget& target);
    void saveAs(const ShareContent& content);
    /// "Poner/Cambiar recordatorio…": the dialog, then the date stored on the clip.
    void promptReminder(const ClipItem& item) override;
    // The rest of what the card menu does here.
    void pasteClip(const ClipItem& clip) override;
    void removeClip(const ClipItem& clip) override { deleteClip(clip); }
    void clipChanged() override { reload(); }
    bool offersShare() const override { return true; }
    void fillShare(QMenu& menu, const ClipItem& clip) override;
    /// Opening: the rows read afresh from the first card (see the call).
    void reloadFromStart();
    /// Emits whatever changed in the panel state since before.
    template <typename Change>
    void changeState(Change&& change);

    Services services_;
    /// Pins, moves and deletes, as the library window and the command line do them.
    std::unique_ptr<ClipLibrary> library_;
    ExpandedPanelState state_;
    ClipStripModel* strip_;
    PanelTabsModel* tabs_;
    bool lastExpanded_ = false;
    bool unreadChanges_ = false; ///< the store changed since the rows were last read
    StoreChanges::Subscription storeChanges_;
    /// While open: looks for other programs' changes each second and refreshes the ages.
    std::optional<std::uint64_t> liveCheck_;
    int liveTicks_ = 0;
    ModalLoops modal_{this, [this] { reload(); }}; ///< menus, drags and dialogs; the rows stay put meanwhile
    bool lastKeyboardActive_ = false;
};

} // namespace brisa
