// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayMenu.h"

#include "core/settings/AppSettings.h"
#include "ui/MenuTheme.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPointer>

namespace brisa {
namespace {

QString qstr(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

} // namespace

TrayMenu::TrayMenu(AppSettings& settings, AppCommands& commands, QObject* parent)
    : QObject(parent)
    , settings_(settings)
    , commands_(commands)
    , menu_(new QMenu)
{
    buildMenu();
    applyMenuTheme(*menu_, settings_.theme());
    // The menu dresses like the panel, whoever changes the theme.
    settings_.onChanged([self = QPointer<TrayMenu>(this)](AppSettings::Field field) {
        if (self && field == AppSettings::Field::Theme)
            applyMenuTheme(*self->menu_, self->settings_.theme());
    });
}

TrayMenu::~TrayMenu() { delete menu_; }

QAction* TrayMenu::addAction(const char* title, AppCommand command)
{
    auto* action = menu_->addAction(QString::fromUtf8(title));
    // An item whose window does not exist yet shows greyed rather than doing nothing when chosen.
    if (!commands_.isAvailable(command)) {
        action->setEnabled(false);
        return action;
    }
    connect(action, &QAction::triggered, this, [this, command] { commands_.run(command); });
    return action;
}

void TrayMenu::buildMenu()
{
    addAction("Abrir panel", AppCommand::TogglePanel);
    addAction("Biblioteca…", AppCommand::OpenLibrary);
    addAction("Quick Note…", AppCommand::OpenQuickNote);
    addAction("Bulk Copy (Multi-Clip)", AppCommand::ToggleBulkCopy);
    menu_->addSeparator();

    auto* themeMenu = menu_->addMenu(QStringLiteral("Tema"));
    themeMenu->setTitle(QStringLiteral("Tema"));
    themeMenuItems_.clear();
    // Exclusive groups draw radio marks: one theme, one way of opening, at a time.
    auto* themeGroup = new QActionGroup(themeMenu);
    for (auto theme : allAppThemes) {
        auto* item = themeMenu->addAction(qstr(label(theme)));
        item->setData(qstr(rawValue(theme)));
        item->setCheckable(true);
        item->setChecked(theme == settings_.theme());
        themeGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { changeTheme(item); });
        themeMenuItems_[theme] = item;
    }

    auto* activationMenu = menu_->addMenu(QStringLiteral("Abrir panel con"));
    activationMenuItems_.clear();
    auto* activationGroup = new QActionGroup(activationMenu);
    for (auto activation : allNotchActivations) {
        auto* item = activationMenu->addAction(qstr(label(activation)));
        item->setData(qstr(rawValue(activation)));
        item->setCheckable(true);
        item->setChecked(activation == settings_.notchActivation());
        activationGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { changeActivation(item); });
        activationMenuItems_[activation] = item;
    }
    menu_->addSeparator();

    pauseItem_ = menu_->addAction(QStringLiteral("Pausar captura"));
    pauseItem_->setCheckable(true);
    if (commands_.isAvailable(AppCommand::PauseCapture))
        connect(pauseItem_, &QAction::triggered, this, [this](bool on) {
            commands_.run(on ? AppCommand::PauseCapture : AppCommand::ResumeCapture);
        });
    else
        pauseItem_->setEnabled(false);

    auto* settingsItem = addAction("Ajustes…", AppCommand::OpenSettings);
    settingsItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    menu_->addSeparator();

    auto* quitItem = addAction("Salir de Brisa", AppCommand::Quit);
    quitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

void TrayMenu::showCapturePaused(bool paused)
{
    if (pauseItem_)
        pauseItem_->setChecked(paused);
}

/// Applies the choice named by the item's data (a raw value) and moves the checkmark to it.
/// A checkable item toggles itself before we see it, so an unknown value puts the mark back.
template <typename Enum, typename FromRaw, typename Setter>
static void applyChoice(QAction* sender, const std::map<Enum, QAction*>& items, Enum current, FromRaw fromRaw,
                        Setter set)
{
    const QVariant data = sender ? sender->data() : QVariant();
    std::optional<Enum> chosen;
    if (data.typeId() == QMetaType::QString)
        chosen = fromRaw(data.toString().toStdString());
    if (chosen)
        set(*chosen);
    for (const auto& [value, item] : items)
        item->setChecked(value == chosen.value_or(current));
}

void TrayMenu::changeTheme(QAction* sender)
{
    applyChoice(sender, themeMenuItems_, settings_.theme(), appThemeFromRaw,
                [this](AppTheme t) { settings_.setTheme(t); });
}

void TrayMenu::changeActivation(QAction* sender)
{
    applyChoice(sender, activationMenuItems_, settings_.notchActivation(), notchActivationFromRaw,
                [this](NotchActivation a) { settings_.setNotchActivation(a); });
}

} // namespace brisa
