// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

namespace brisa {

/// The reminder dialog's fields: a local date and time to the minute, never before the minimum.
/// The view only shows them; the rules are here.
class ReminderDialogModel final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the reminder dialog")
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString message READ message CONSTANT)
    Q_PROPERTY(QString scheduleText READ scheduleText CONSTANT)
    Q_PROPERTY(QString cancelText READ cancelText CONSTANT)
    Q_PROPERTY(int year READ year NOTIFY valueChanged)
    Q_PROPERTY(int month READ month NOTIFY valueChanged)
    Q_PROPERTY(int day READ day NOTIFY valueChanged)
    Q_PROPERTY(int hour READ hour NOTIFY valueChanged)
    Q_PROPERTY(int minute READ minute NOTIFY valueChanged)
    Q_PROPERTY(QString dateText READ dateText NOTIFY valueChanged)

public:
    ReminderDialogModel(TimePoint initial, TimePoint minimum, QObject* parent = nullptr);

    static QString title() { return QStringLiteral("Poner recordatorio"); }
    static QString message() { return QString::fromUtf8("Se te notificará en la fecha/hora elegida."); }
    static QString scheduleText() { return QStringLiteral("Programar"); }
    static QString cancelText() { return QStringLiteral("Cancelar"); }

    int year() const { return value_.date().year(); }
    int month() const { return value_.date().month(); }
    int day() const { return value_.date().day(); }
    int hour() const { return value_.time().hour(); }
    int minute() const { return value_.time().minute(); }
    QString dateText() const;

    /// Moves one field ("day", "month", "year", "hour", "minute") by delta, as a stepper does;
    /// a value before the minimum becomes the minimum.
    Q_INVOKABLE void step(const QString& field, int delta);
    /// Sets one field to value (typed in); out-of-range values are refused.
    Q_INVOKABLE void setField(const QString& field, int value);

    Q_INVOKABLE void schedule();
    Q_INVOKABLE void cancel();

    /// The chosen time once "Programar" was pressed; nullopt until then or after "Cancelar".
    std::optional<TimePoint> chosen() const { return chosen_; }
    TimePoint value() const;

Q_SIGNALS:
    void valueChanged();
    void finished();

private:
    void setValue(QDateTime v);

    QDateTime value_;
    QDateTime minimum_;
    std::optional<TimePoint> chosen_;
};

/// Runs the dialog modally; the chosen time, or nullopt when it was cancelled or closed.
std::optional<TimePoint> askReminderDate(TimePoint initial, TimePoint minimum);

} // namespace brisa
