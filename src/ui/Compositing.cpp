// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Compositing.h"

#include <QJSEngine>

namespace brisa {

Compositing& Compositing::instance()
{
    static Compositing* compositing = new Compositing(); // outlives every engine that refers to it
    return *compositing;
}

Compositing* Compositing::create(QQmlEngine*, QJSEngine*)
{
    QJSEngine::setObjectOwnership(&instance(), QJSEngine::CppOwnership);
    return &instance();
}

void Compositing::setActive(bool active)
{
    if (active_ == active)
        return;
    active_ = active;
    Q_EMIT activeChanged();
}

} // namespace brisa
