// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayMenu.h"

#include "core/settings/AppSettings.h"
#include "core/support/Log.h"

#include <QAction>
#include <QMenu>

namespace brisa {
namespace {

QString qstr(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

} // namespace

TrayMenu::TrayMenu(AppSettings& settings, TrayActions actions, QObject* parent)
    : QObject(parent)
    , settings_(settings)
    , actions_(std::move(actions))
    , menu_(new QMenu)
{
    buildMenu();
}

TrayMenu::~TrayMenu() { delete menu_; }

QAction* TrayMenu::addAction(QMenu* menu, const char* title, const std::function<void()>& fn, const char* what)
{
    auto* action = menu->addAction(QString::fromUtf8(title));
    connect(action, &QAction::triggered, this, [fn, what] {
        if (fn)
            fn();
        else
            logf("{} aún no está disponible", what);
    });
    return action;
}

void TrayMenu::buildMenu()
{
    addAction(menu_, "Abrir panel", actions_.openPanel, "El panel");
    addAction(menu_, "Biblioteca…", actions_.openLibrary, "La biblioteca");
    addAction(menu_, "Quick Note…", actions_.openQuickNote, "Quick Note");
    addAction(menu_, "Bulk Copy (Multi-Clip)", actions_.toggleBulkCopy, "Bulk Copy");
    menu_->addSeparator();

    auto* themeMenu = menu_->addMenu(QStringLiteral("Tema"));
    themeMenu->setTitle(QStringLiteral("Tema"));
    themeMenuItems_.clear();
    for (auto theme : allAppThemes) {
        auto* item = themeMenu->addAction(qstr(label(theme)));
        item->setData(qstr(rawValue(theme)));
        item->setCheckable(true);
        item->setChecked(theme == settings_.theme());
        connect(item, &QAction::triggered, this, [this, item] { changeTheme(item); });
        themeMenuItems_[theme] = item;
    }

    auto* activationMenu = menu_->addMenu(QStringLiteral("Abrir panel con"));
    activationMenuItems_.clear();
    for (auto activation : allNotchActivations) {
        auto* item = activationMenu->addAction(qstr(label(activation)));
        item->setData(qstr(rawValue(activation)));
        item->setCheckable(true);
        item->setChecked(activation == settings_.notchActivation());
        connect(item, &QAction::triggered, this, [this, item] { changeActivation(item); });
        activationMenuItems_[activation] = item;
    }
    menu_->addSeparator();

    auto* settingsItem = addAction(menu_, "Ajustes…", actions_.openSettings, "Los ajustes");
    settingsItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    menu_->addSeparator();

    auto* quitItem = addAction(menu_, "Salir de Brisa", actions_.quit, "Salir");
    quitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

template <typename Enum>
static void moveCheckmark(const std::map<Enum, QAction*>& items, Enum chosen)
{
    for (const auto& [value, item] : items)
        item->setChecked(value == chosen);
}

void TrayMenu::changeTheme(QAction* sender)
{
    const QVariant data = sender ? sender->data() : QVariant();
    std::optional<AppTheme> theme;
    if (data.typeId() == QMetaType::QString)
        theme = appThemeFromRaw(data.toString().toStdString());
    if (!theme) {
        // A checkable item toggles itself before we see it: undo that.
        moveCheckmark(themeMenuItems_, settings_.theme());
        return;
    }
    settings_.setTheme(*theme);
    moveCheckmark(themeMenuItems_, *theme);
}

void TrayMenu::changeActivation(QAction* sender)
{
    const QVariant data = sender ? sender->data() : QVariant();
    std::optional<NotchActivation> activation;
    if (data.typeId() == QMetaType::QString)
        activation = notchActivationFromRaw(data.toString().toStdString());
    if (!activation) {
        moveCheckmark(activationMenuItems_, settings_.notchActivation());
        return;
    }
    settings_.setNotchActivation(*activation);
    moveCheckmark(activationMenuItems_, *activation);
}

} // namespace brisa
