// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/NotchPanelViewModel.h"

#include "core/clips/ClipLibrary.h"
#include "core/image/ImageClipOperations.h"
#include "core/image/ImageLibrary.h"
#include "core/image/ImageProcessor.h"
#include "core/capture/SampledColor.h"
#include "core/remind/ReminderScheduler.h"
#include "core/share/ShareFiles.h"
#include "core/share/ShareMenu.h"
#include "core/support/Log.h"
#include "platform/ColorSampler.h"
#include "platform/ShareTargets.h"
#include "ui/ReminderDialog.h"
#include "core/model/ClipDragPayload.h"
#include "core/support/Clock.h"
#include "core/notch/NotchController.h"
#include "core/notch/StripScroll.h"
#include "core/paste/BulkCopyService.h"
#include "core/paste/PasteService.h"
#include "core/paste/PasteTargets.h"
#include "core/settings/AppSettings.h"
#include "core/store/Storage.h"
#include "core/stores/SpaceStore.h"
#include "ui/ClipMenu.h"
#include "ui/ClipMimeData.h"
#include "ui/ClipStripModel.h"
#include "ui/MenuTheme.h"
#include "ui/PanelTrace.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>

#include <utility>

namespace brisa {
namespace {

PanelKey panelKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Left: return PanelKey::Left;
    case Qt::Key_Right: return PanelKey::Right;
    case Qt::Key_Up: return PanelKey::Up;
    case Qt::Key_Down: return PanelKey::Down;
    case Qt::Key_Return:
    case Qt::Key_Enter: return PanelKey::Return;
    case Qt::Key_Escape: return PanelKey::Escape;
    case Qt::Key_Delete: return PanelKey::Delete;
    case Qt::Key_Backspace: return PanelKey::Backspace;
    default: return PanelKey::Other;
    }
}

} // namespace

NotchPanelViewModel::NotchPanelViewModel(Services services, QObject* parent)
    : QObject(parent), services_(services), library_(std::make_unique<ClipLibrary>(services.storage)),
      strip_(new ClipStripModel(services.storage, services.clock, this)),
      tabs_(new PanelTabsModel(*strip_, this))
{
    services_.controller.onChanged([this](NotchController::Flag) {
        auto* trace = PanelTrace::fromEnvironment();
        if (trace && !expanded() && (pinned() || keyboardActive()))
            trace->openRequested(); // the shortcut's opening raises these first
        Q_EMIT flagsChanged();
        const bool keyboard = keyboardActive();
        if (keyboard != lastKeyboardActive_) {
            lastKeyboardActive_ = keyboard;
            changeState([&] { state_.onKeyboardActiveChanged(keyboard, services_.settings.defaultTab()); });
        }
        const bool open = expanded();
        if (open != lastExpanded_) {
            lastExpanded_ = open;
            if (trace)
                trace->expandedChanged(open);
            // What was copied (here or by another program) since the last look, in one reset
            // rather than row by row: the strip of a panel never opened since the start has not
            // been laid out (its layout waits while hidden), and rows inserted above the cards it
            // holds would move its origin only after the scroll reset below had read it, leaving
            // the new cards off screen to the left.
            if (open)
                reloadFromStart();
            setLiveCheck(open);
            changeState([&] { state_.onExpandedChanged(open); });
        }
    });
    services_.settings.onChanged([this](AppSettings::Field field) {
        if (field == AppSettings::Field::Theme)
            Q_EMIT themeChanged();
    });
    // The open panel follows the history as it changes: a copy, a screenshot, text recognised
    // later. Changes come in bursts (a capture, then its retention), so one reload follows them,
    // and none when the panel's own action (a delete, a pin) has read the rows already.
    // The notices are shared with the library window: another process's change that it polled
    // first reaches the panel too.
    auto& changes = services_.storage.changes();
    storeChanges_ = changes.subscribe([self = QPointer<NotchPanelViewModel>(this)](StoreChanges::Origin) {
        if (!self || std::exchange(self->unreadChanges_, true) || !self->expanded())
            return;
        QMetaObject::invokeMethod(
            self, [self] {
                if (self->expanded() && self->unreadChanges_)
                    self->modal_.rereadWhenFree();
            },
            Qt::QueuedConnection);
    });
    connect(strip_, &QAbstractItemModel::modelReset, this, &NotchPanelViewModel::stripChanged);
    connect(strip_, &QAbstractItemModel::rowsInserted, this, &NotchPanelViewModel::stripChanged);
    connect(strip_, &QAbstractItemModel::rowsRemoved, this, &NotchPanelViewModel::stripChanged);
}

NotchPanelViewModel::~NotchPanelViewModel() { setLiveCheck(false); }

void NotchPanelViewModel::setLiveCheck(bool on)
{
    if (liveCheck_)
        services_.clock.cancel(*liveCheck_);
    liveCheck_.reset();
    if (!on)
        return;
    liveTicks_ = 0;
    // Another program's change (the command line, a second Brisa) shows within a second; ages
    // ("hace 5 s") move on every ten. PRAGMA data_version costs next to nothing.
    liveCheck_ = services_.clock.repeat(std::chrono::seconds(1), [this] {
        if (services_.storage.changes().poll())
            modal_.rereadWhenFree();
        else if (++liveTicks_ % 10 == 0)
            strip_->refreshAges();
    });
}

bool NotchPanelViewModel::expanded() const { return services_.controller.expanded(); }
bool NotchPanelViewModel::pinned() const { return services_.controller.pinned(); }
bool NotchPanelViewModel::keyboardActive() const { return services_.controller.keyboardActive(); }
bool NotchPanelViewModel::activeHasNotch() const { return services_.controller.activeHasNotch(); }
QString NotchPanelViewModel::theme() const { return QString::fromUtf8(rawValue(services_.settings.theme()).data()); }

int NotchPanelViewModel::stripCount() const { return strip_->count(); }

template <typename Change>
void NotchPanelViewModel::changeState(Change&& change)
{
    const ExpandedPanelState before = state_;
    change();
    if (state_.selectedTab() != before.selectedTab()) {
        strip_->setTab(static_cast<int>(state_.selectedTab()));
        Q_EMIT selectedTabChanged();
    }
    if (state_.onlyFavorites() != before.onlyFavorites()) {
        strip_->setOnlyFavorites(state_.onlyFavorites());
        Q_EMIT onlyFavoritesChanged();
    }
    if (state_.selectedIndex() != before.selectedIndex())
        Q_EMIT selectedIndexChanged();
    if (state_.scrollReset() != before.scrollReset())
        Q_EMIT scrollResetChanged();
    if (state_.listHasFocus() != before.listHasFocus())
        Q_EMIT listFocusChanged();
}

void NotchPanelViewModel::selectTab(int tab)
{
    if (tab < 0 || tab >= static_cast<int>(allNotchTabs.size()))
        return;
    changeState([&] { state_.setSelectedTab(allNotchTabs[static_cast<std::size_t>(tab)]); });
}

void NotchPanelViewModel::toggleFavorites()
{
    changeState([&] { state_.toggleOnlyFavorites(); });
    changeState([&] { state_.clampSelection(stripCount()); }); // the list is shorter or longer now
}

void NotchPanelViewModel::close() { services_.controller.closeAndRestoreFocus(); }

void NotchPanelViewModel::pickColor()
{
    if (!colorSampler)
        return;
    colorSampler->pick([this](std::optional<ColorSampler::Sample> sample) {
        if (!sample)
            return; // cancelled
        // No toast and no clipboard write: the new clip just shows in the history.
        if (saveSampledColor(services_.storage, services_.clock, sample->red, sample->green, sample->blue, sample->alpha))
            reload();
    });
}

std::optional<ClipItem> NotchPanelViewModel::clipAt(int row) const
{
    const QVariant text = strip_->idAt(row);
    if (!text.isValid())
        return std::nullopt;
    const auto id = Uuid::parse(text.toString().toStdString());
    if (!id)
        return std::nullopt;
    return services_.storage.fetch(*id, false);
}

void NotchPanelViewModel::paste(int row)
{
    if (auto item = clipAt(row))
        services_.paster.paste(*item);
}

void NotchPanelViewModel::deleteRow(int row)
{
    if (auto item = clipAt(row))
        deleteClip(*item);
}

void NotchPanelViewModel::deleteClip(const ClipItem& item)
{
    library_->remove(item.id);
    reload();
    changeState([&] { state_.clampSelection(stripCount()); });
}

void NotchPanelViewModel::promptReminder(const ClipItem& item)
{
    const auto now = services_.clock.now();
    std::optional<TimePoint> chosen;
    modal_.run([&] {
        chosen = reminderPrompt ? reminderPrompt(reminderProposal(item.reminderDate, now), now)
                                : askReminderDate(reminderProposal(item.reminderDate, now), now);
    });
    if (!chosen)
        return;
    services_.storage.setReminder(item.id, chosen);
    reload();
}

void NotchPanelViewModel::showClip(const Uuid& id)
{
    changeState([&] {
        state_.setSelectedTab(NotchTab::History);
        state_.setOnlyFavorites(false);
    });
    reload();
    // Reminders are mostly on older clips: read further pages until the clip is loaded, unless it
    // is gone (then paging through the whole history would find nothing).
    if (!services_.storage.fetch(id, false))
        return;
    for (int row = 0;; ++row) {
        if (row == stripCount()) {
            if (!strip_->canFetchMore({}))
                return;
            strip_->fetchMore({});
            if (row == stripCount())
                return;
        }
        if (const auto item = clipAt(row); item && item->id == id) {
            changeState([&] { state_.selectCard(row, stripCount()); });
            return;
        }
    }
}

void NotchPanelViewModel::clickCard(int row)
{
    changeState([&] { state_.selectCard(row, stripCount()); });
    paste(row);
}

bool NotchPanelViewModel::handleKey(int qtKey)
{
    PanelKeyResult result;
    changeState([&] { result = state_.handleKey(panelKey(qtKey), stripCount()); });
    // Moving towards the end of what is loaded reads the next page, so the arrows never hit a wall.
    if (selectedIndex() >= stripCount() - 5 && strip_->canFetchMore({}))
        strip_->fetchMore({});
    switch (result.action) {
    case PanelAction::None: break;
    case PanelAction::PasteSelected: paste(selectedIndex()); break;
    case PanelAction::DeleteSelected: deleteRow(selectedIndex()); break;
    case PanelAction::CloseAndRestoreFocus: close(); break;
    }
    return result.handled;
}

namespace {
/// The strip starts this far in from the panel's edge: past the outline's top flare (28) and the
/// reach of its rounded bottom corners at the cards' lower edge.
constexpr double kStripEdge = 33;
} // namespace

double NotchPanelViewModel::stripLeadingInset() { return StripScroll::kLeadingInset - kStripEdge; }

double NotchPanelViewModel::centredOffset(int index, double viewportWidth) const
{
    const double inset = stripLeadingInset();
    const double document = StripScroll::documentWidth(StripScroll::contentWidth(stripCount(), inset), viewportWidth);
    return StripScroll::centredOffset(index, viewportWidth, document, StripScroll::kItemWidth, StripScroll::kSpacing,
                                      inset)
        .value_or(0);
}

double NotchPanelViewModel::wheelTarget(double origin, double unitsX, double unitsY, double viewportWidth) const
{
    const double document =
        StripScroll::documentWidth(StripScroll::contentWidth(stripCount(), stripLeadingInset()), viewportWidth);
    return StripScroll::wheelTarget(origin, unitsX, unitsY, document, viewportWidth);
}

void NotchPanelViewModel::reload()
{
    unreadChanges_ = false;
    strip_->reload();
    changeState([&] { state_.clampSelection(stripCount()); });
    Q_EMIT stripChanged();
}

void NotchPanelViewModel::reloadFromStart()
{
    // Reading the rows afresh rebuilds every card, most of the first frame's cost: only when the
    // history changed (here or in another program) since they were read.
    services_.storage.changes().poll(); // another process's change marks the rows unread
    const bool changed = std::exchange(unreadChanges_, false);
    if (changed || stripCount() == 0)
        strip_->resetToStart();
    else
        strip_->refreshAges(); // no clock ticks while the panel is closed
    changeState([&] { state_.clampSelection(stripCount()); });
    Q_EMIT stripChanged();
}

void NotchPanelViewModel::startDrag(int row)
{
    const auto item = clipAt(row);
    const auto payload = item ? ClipDragPayload::from(*item) : std::nullopt;
    if (!payload)
        return; // a clip with nothing to hand over cannot be dragged
    const ImageLibrary* images = services_.images ? &services_.images->library() : nullptr;
    modal_.runLater([this, images, payload = *payload] {
        execClipDrag(payload, services_.storage.imagesDir(), images, this);
    });
}

void NotchPanelViewModel::openCardMenu(int row)
{
    if (auto menu = cardMenu(row))
        modal_.runMenuLater(std::move(menu));
}

std::optional<ClipItem> NotchPanelViewModel::processableAt(int row) const
{
    auto item = clipAt(row);
    if (!services_.images || !item || !ImageProcessor::isProcessable(*item))
        return std::nullopt;
    return item;
}

void NotchPanelViewModel::imageAction(int row, const QString& action)
{
    const auto item = processableAt(row);
    if (!item)
        return;
    if (action == QLatin1String("compress"))
        services_.images->compressToNewClip(item->id);
    else if (action == QLatin1String("remove-background"))
        services_.images->removeBackgroundToNewClip(item->id);
}

std::unique_ptr<QMenu> NotchPanelViewModel::imageMenu(int row, const QString& which)
{
    const auto item = processableAt(row);
    if (!item || (which != QLatin1String("resize") && which != QLatin1String("convert")))
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    if (which == QLatin1String("resize"))
        ClipMenu::fillResize(*menu, services_.images, item->id, this);
    else
        ClipMenu::fillConvert(*menu, services_.images, item->id, this);
    applyMenuTheme(*menu, services_.settings.theme());
    return menu;
}

void NotchPanelViewModel::openImageMenu(int row, const QString& which)
{
    if (auto menu = imageMenu(row, which))
        modal_.runMenuLater(std::move(menu));
}

std::unique_ptr<QMenu> NotchPanelViewModel::shareMenu(int row)
{
    const auto item = clipAt(row);
    const auto content = item ? ShareContent::from(*item, services_.storage.imagesDir()) : std::nullopt;
    if (!content)
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    fillShareMenu(*menu, *content);
    applyMenuTheme(*menu, services_.settings.theme());
    return menu;
}

void NotchPanelViewModel::openShareMenu(int row)
{
    auto menu = shareMenu(row);
    if (!menu)
        return;
    services_.controller.beginModalInteraction(); // the panel stays open under the menu
    modal_.runMenuLater(std::move(menu));
}

void NotchPanelViewModel::fillShareMenu(QMenu& menu, const ShareContent& content)
{
    const ShareAvailability available = shareTargets ? shareTargets->available() : ShareAvailability{};
    for (const ShareTarget& target : brisa::shareMenu(available, content)) {
        if (target.kind == ShareTargetKind::SaveAs && !menu.isEmpty())
            menu.addSeparator();
        menu.addAction(menuItemTitle(QString::fromStdString(target.label)), this,
                       [this, content, target] { share(content, target); });
    }
}

void NotchPanelViewModel::share(const ShareContent& content, const ShareTarget& target)
{
    if (target.kind == ShareTargetKind::SaveAs) {
        saveAs(content);
        return;
    }
    if (!shareTargets) {
        logf(LogCategory::Ui, "Enviar a {}: no disponible", target.label);
        return;
    }
    // No toast either way: a target that took the content shows its own window or notice.
    shareTargets->send(target, content, [label = target.label](const std::string& error) {
        if (!error.empty())
            logf(LogCategory::Ui, "Enviar a {}: {}", label, error);
    });
}

void NotchPanelViewModel::saveAs(const ShareContent& content)
{
    const QString name = QString::fromStdString(content.fileName);
    QString chosen;
    services_.controller.beginModalInteraction();
    modal_.run([&] {
        chosen = savePrompt ? savePrompt(name)
                            : QFileDialog::getSaveFileName(nullptr, QStringLiteral("Guardar como…"),
                                                           QDir::home().filePath(name));
    });
    if (chosen.isEmpty())
        return; // cancelled
    if (const auto error = saveSharedContent(content, chosen.toStdString()))
        logf(LogCategory::Ui, "Guardar como…: {}", *error);
}

std::unique_ptr<QMenu> NotchPanelViewModel::cardMenu(int row)
{
    const auto item = clipAt(row);
    if (!item)
        return nullptr;
    const ClipMenu menu{*this, services_.paster, services_.storage, services_.bulkCopy, services_.spaces,
                        services_.images, services_.settings.theme()};
    return menu.build(*item, this);
}

void NotchPanelViewModel::pasteClip(const ClipItem& clip) { services_.paster.paste(clip); }

void NotchPanelViewModel::fillShare(QMenu& menu, const ClipItem& clip)
{
    if (const auto content = ShareContent::from(clip, services_.storage.imagesDir()))
        fillShareMenu(*menu.addMenu(QStringLiteral("Enviar…")), *content);
    else
        menu.addAction(QStringLiteral("Enviar…"))->setEnabled(false); // nothing to send
}

} // namespace brisa
