// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ReminderDialog.h"

#include <QEventLoop>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>

#include <memory>

namespace brisa {
namespace {

QDateTime toLocal(TimePoint t)
{
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count());
}

/// The picker shows no seconds: its value is on a whole minute.
QDateTime wholeMinute(QDateTime v)
{
    v.setTime(QTime(v.time().hour(), v.time().minute()));
    return v;
}

} // namespace

ReminderDialogModel::ReminderDialogModel(TimePoint initial, TimePoint minimum, QObject* parent)
    : QObject(parent), value_(wholeMinute(toLocal(initial))), minimum_(toLocal(minimum))
{
    // A past reminder is proposed as it is; only a change brings it up to the minimum.
}

QString ReminderDialogModel::dateText() const { return value_.toString(QStringLiteral("dd/MM/yyyy HH:mm")); }

TimePoint ReminderDialogModel::value() const
{
    return TimePoint(std::chrono::milliseconds(value_.toMSecsSinceEpoch()));
}

void ReminderDialogModel::setValue(QDateTime v)
{
    if (!v.isValid())
        return;
    if (v < minimum_)
        v = wholeMinute(minimum_);
    if (v == value_)
        return;
    value_ = v;
    Q_EMIT valueChanged();
}

void ReminderDialogModel::step(const QString& field, int delta)
{
    QDateTime v = value_;
    if (field == QLatin1String("year"))
        v = v.addYears(delta);
    else if (field == QLatin1String("month"))
        v = v.addMonths(delta);
    else if (field == QLatin1String("day"))
        v = v.addDays(delta);
    else if (field == QLatin1String("hour"))
        v = v.addSecs(3600LL * delta);
    else if (field == QLatin1String("minute"))
        v = v.addSecs(60LL * delta);
    setValue(v);
}

void ReminderDialogModel::setField(const QString& field, int value)
{
    QDate d = value_.date();
    QTime t = value_.time();
    if (field == QLatin1String("year"))
        d = QDate(value, d.month(), std::min(d.day(), QDate(value, d.month(), 1).daysInMonth()));
    else if (field == QLatin1String("month"))
        d = QDate(d.year(), value, std::min(d.day(), QDate(d.year(), value, 1).daysInMonth()));
    else if (field == QLatin1String("day"))
        d = QDate(d.year(), d.month(), value);
    else if (field == QLatin1String("hour"))
        t = QTime(value, t.minute());
    else if (field == QLatin1String("minute"))
        t = QTime(t.hour(), value);
    if (!d.isValid() || !t.isValid())
        return;
    setValue(QDateTime(d, t));
}

void ReminderDialogModel::schedule()
{
    chosen_ = value();
    Q_EMIT finished();
}

void ReminderDialogModel::cancel()
{
    chosen_.reset();
    Q_EMIT finished();
}

std::optional<TimePoint> askReminderDate(TimePoint initial, TimePoint minimum)
{
    ReminderDialogModel model(initial, minimum);
    QQmlEngine engine;
    QQuickView view(&engine, nullptr);
    view.setInitialProperties({{QStringLiteral("model"), QVariant::fromValue<QObject*>(&model)}});
    view.setSource(QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/ReminderDialog.qml")));
    if (view.status() != QQuickView::Ready)
        return std::nullopt;
    view.setTitle(ReminderDialogModel::title());
    view.setResizeMode(QQuickView::SizeViewToRootObject);
    view.setFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
    QEventLoop loop;
    QObject::connect(&model, &ReminderDialogModel::finished, &loop, &QEventLoop::quit);
    QObject::connect(&view, &QWindow::visibleChanged, &loop, [&loop](bool visible) {
        if (!visible)
            loop.quit(); // closed by the window manager: as "Cancelar"
    });
    view.show();
    view.raise();
    view.requestActivate();
    loop.exec();
    return model.chosen();
}

} // namespace brisa
