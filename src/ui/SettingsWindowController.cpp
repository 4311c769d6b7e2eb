// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsWindowController.h"

#include "core/settings/KeyboardShortcuts.h"
#include "core/store/Storage.h"
#include "core/support/DesktopEntries.h"
#include "core/support/Log.h"
#include "ui/AppIconImageProvider.h"
#include "ui/AppWindows.h"
#include "ui/ApplicationPickerModel.h"
#include "ui/SettingsViewModel.h"
#include "ui/SymbolImageProvider.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>

namespace brisa {
namespace {

const QUrl viewUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/SettingsWindow.qml"));

} // namespace

/// "Borrar historial…" over the store: the unpinned clips go, the pinned stay.
class SettingsWindowController::StoredHistory final : public SettingsViewModel::HistoryClearing {
public:
    explicit StoredHistory(Storage& storage) : storage_(storage) {}
    std::int64_t countUnpinned() override { return storage_.countClearable(); }
    void clearUnpinned() override
    {
        if (!storage_.clearHistory())
            logLine(LogCategory::Ui, "No se pudo borrar el historial: sigue como estaba");
    }

private:
    Storage& storage_;
};

SettingsWindowController::SettingsWindowController(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services))
{
}

SettingsWindowController::~SettingsWindowController()
{
    // The view's items belong to the engine's types, and read the view model: the window goes first.
    delete window_;
    delete viewModel_;
    delete applications_;
}

QString SettingsWindowController::title() { return QStringLiteral("Brisa — Ajustes"); }

QQuickWindow* SettingsWindowController::window() const { return window_; }

void SettingsWindowController::show()
{
    if (!window_ && !createWindow())
        return;
    bringToFront(*window_);
}

bool SettingsWindowController::createWindow()
{
    engine_ = std::make_unique<QQmlEngine>();
    engine_->addImageProvider(QString::fromLatin1(SymbolImageProvider::kProviderId), new SymbolImageProvider());
    engine_->addImageProvider(QString::fromLatin1(AppIconImageProvider::kProviderId), new AppIconImageProvider());
    entries_ = std::make_unique<DesktopEntries>(DesktopEntries::scan(DesktopEntries::applicationDirs()));

    auto* recorder = new ShortcutRecorder(services_.shortcuts, shortcutNames::togglePanel(), services_.grabs);
    viewModel_ = new SettingsViewModel(services_.settings, services_.snippets, entries_.get(), recorder);
    if (services_.history) {
        history_ = std::make_unique<StoredHistory>(*services_.history);
        viewModel_->setHistoryClearing(history_.get());
    }
    applications_ = new ApplicationPickerModel({}, services_.windows);

    auto* view = new QQuickView(engine_.get(), nullptr);
    view->setInitialProperties({{QStringLiteral("settings"), QVariant::fromValue<QObject*>(viewModel_)},
                                {QStringLiteral("applications"), QVariant::fromValue<QObject*>(applications_)}});
    view->setResizeMode(QQuickView::SizeRootObjectToView);
    if (!loadView(*view, viewUrl, "la ventana de ajustes")) {
        delete view;
        return false;
    }
    view->setTitle(title());
    // Title bar with close and minimise controls; fixed size, so no maximise.
    view->setFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
    const QSize size(width, height);
    view->resize(size);
    view->setMinimumSize(size);
    view->setMaximumSize(size);

    centreOnPointerScreen(*view, size);
    window_ = view;
    return true;
}

} // namespace brisa
