// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/SymbolImageProvider.h"

#include <QQmlEngine>
#include <QQuickView>
#include <QTest>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace brisa::test {

/// Shows a scene written for a test (qml, saved as dir/scene.qml) in view, with `import Brisa.Ui`
/// available and the symbols drawn; properties are the root's required properties. Providers the
/// scene needs beyond the symbols are added to the view's engine before the call.
inline ::testing::AssertionResult showScene(QQuickView& view, const std::filesystem::path& dir, const char* qml,
                                            const QVariantMap& properties)
{
    view.engine()->addImportPath(QStringLiteral("qrc:/qt/qml")); // where "import Brisa.Ui" is
    view.engine()->addImageProvider(QString::fromLatin1(SymbolImageProvider::kProviderId), new SymbolImageProvider);
    view.setInitialProperties(properties);
    const auto scene = dir / "scene.qml";
    std::ofstream(scene) << qml;
    view.setSource(QUrl::fromLocalFile(QString::fromStdString(scene.string())));
    if (view.status() != QQuickView::Ready)
        return ::testing::AssertionFailure() << view.errors().value(0).toString().toStdString();
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return ::testing::AssertionFailure() << "the scene's window was never exposed";
    return ::testing::AssertionSuccess();
}

} // namespace brisa::test
