// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ReminderDialog.h"
#include "fakes/TempDir.h"
#include "GuiApp.h"
#include "QmlScene.h"

#include <QQuickItem>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace brisa;
using namespace std::chrono_literals;

namespace {

// 2026-06-01 10:00:00 UTC: 12:00 in Madrid, the tests' time zone.
const TimePoint kNow = fromUnixSeconds(1'780'308'000.0);

} // namespace

TEST(ReminderDialogModel, ShowsTheTextsAndProposesTheGivenTimeOnAWholeMinute)
{
    test::guiApp();
    ReminderDialogModel model(kNow + 1h + 25s, kNow);
    EXPECT_EQ(model.title(), QStringLiteral("Poner recordatorio"));
    EXPECT_EQ(model.message(), QString::fromUtf8("Se te notificará en la fecha/hora elegida."));
    EXPECT_EQ(model.scheduleText(), QStringLiteral("Programar"));
    EXPECT_EQ(model.cancelText(), QStringLiteral("Cancelar"));
    EXPECT_EQ(model.dateText(), QStringLiteral("01/06/2026 13:00"));
    EXPECT_EQ(model.value(), kNow + 1h);
    // A past reminder is proposed as it is.
    EXPECT_EQ(ReminderDialogModel(kNow - 24h, kNow).dateText(), QStringLiteral("31/05/2026 12:00"));
}

TEST(ReminderDialogModel, FieldsMoveButNeverBeforeTheMinimum)
{
    test::guiApp();
    struct Case {
        const char* field;
        int step;     // 0: set the value instead
        int value;
        const char* shown;
    };
    const Case cases[] = {
        {"minute", 1, 0, "01/06/2026 13:01"},  {"hour", 1, 0, "01/06/2026 14:00"},
        {"day", -1, 0, "01/06/2026 12:00"},    {"month", 1, 0, "01/07/2026 13:00"},
        {"year", 1, 0, "01/06/2027 13:00"},    {"day", 0, 24, "24/06/2026 13:00"},
        {"hour", 0, 9, "01/06/2026 12:00"},    {"day", 0, 31, "01/06/2026 13:00"}, // June has 30: refused
        {"minute", 0, 75, "01/06/2026 13:00"},
    };
    for (const auto& c : cases) {
        ReminderDialogModel model(kNow + 1h, kNow);
        if (c.step)
            model.step(QString::fromLatin1(c.field), c.step);
        else
            model.setField(QString::fromLatin1(c.field), c.value);
        EXPECT_EQ(model.dateText(), QString::fromLatin1(c.shown)) << c.field << " " << c.step << " " << c.value;
    }
}

TEST(ReminderDialogModel, TheViewSchedulesOrCancels)
{
    test::guiApp();
    test::TempDir dir;
    for (const bool schedule : {true, false}) {
        ReminderDialogModel model(kNow + 1h, kNow);
        QSignalSpy finished(&model, &ReminderDialogModel::finished);
        QQuickView view;
        ASSERT_TRUE(test::showScene(view, dir.path(), "import Brisa.Ui\nReminderDialog {}\n",
                                    {{"model", QVariant::fromValue<QObject*>(&model)}}));
        auto* hour = view.rootObject()->findChild<QObject*>(QStringLiteral("hour"));
        ASSERT_NE(hour, nullptr);
        EXPECT_EQ(hour->property("value").toInt(), 13);
        if (const char* shots = std::getenv("BRISA_SCREENSHOT_DIR"); shots && *shots && schedule)
            view.grabWindow().save(QString::fromUtf8(shots) + QStringLiteral("/reminder-dialog.png"));
        auto* button = view.rootObject()->findChild<QObject*>(QString::fromLatin1(schedule ? "schedule" : "cancel"));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->property("text").toString(), schedule ? "Programar" : "Cancelar");
        QMetaObject::invokeMethod(button, "clicked");
        EXPECT_EQ(finished.count(), 1);
        EXPECT_EQ(model.chosen(), schedule ? std::optional(kNow + 1h) : std::nullopt);
    }
}
