// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

namespace brisa {

/// Whether the desktop composites windows, for every view at once: with a compositor Brisa's overlay
/// windows are translucent around and inside their outline; without one they are cut to the outline
/// and drawn opaque (`Compositing.active` in QML). The app keeps it current; true until told.
class Compositing : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool active READ active NOTIFY activeChanged)

public:
    /// The one instance, shared by every engine.
    static Compositing& instance();
    static Compositing* create(QQmlEngine*, QJSEngine*);

    bool active() const { return active_; }
    void setActive(bool active);

Q_SIGNALS:
    void activeChanged();

private:
    Compositing() = default;
    bool active_ = true;
};

} // namespace brisa
