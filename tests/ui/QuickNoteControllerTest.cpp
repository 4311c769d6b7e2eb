// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuickNoteController.h"
#include "fakes/LogCapture.h"
#include "GuiApp.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace brisa;

namespace {

class QuickNoteControllerTest : public ::testing::Test {
protected:
    void SetUp() override { test::guiApp(); }

    std::vector<std::string> stored;
    bool storeAccepts = true;
    QuickNoteController note{[this](const std::string& text) {
        stored.push_back(text);
        return storeAccepts;
    }};
    QSignalSpy savedSpy{&note, &QuickNoteController::saved};
    QSignalSpy cancelledSpy{&note, &QuickNoteController::cancelled};
};

} // namespace

TEST_F(QuickNoteControllerTest, ShowsTheTextsOfTheWindow)
{
    EXPECT_EQ(note.title(), QStringLiteral("Quick Note"));
    EXPECT_EQ(note.hint(), QStringLiteral("Ctrl+Intro guardar · Esc cancelar"));
    EXPECT_EQ(note.cancelLabel(), QStringLiteral("Cancelar"));
    EXPECT_EQ(note.saveLabel(), QStringLiteral("Guardar"));
}

TEST_F(QuickNoteControllerTest, StartsEmptyAndUnsavable)
{
    EXPECT_TRUE(note.text().isEmpty());
    EXPECT_FALSE(note.canSave());
    EXPECT_FALSE(note.save());
    EXPECT_TRUE(stored.empty());
    EXPECT_EQ(savedSpy.count(), 0);
}

TEST_F(QuickNoteControllerTest, OnlyWhitespaceAndLineBreaksCannotBeSaved)
{
    // Spaces, tabs, line breaks, a no-break space, a line separator and an ideographic space.
    for (const QString& blank : {QStringLiteral(" "), QStringLiteral("  \n\t\r\n"), QStringLiteral("\u00a0\u2028\u3000")}) {
        note.setText(blank);
        EXPECT_FALSE(note.canSave()) << blank.toStdString();
        EXPECT_FALSE(note.save());
    }
    EXPECT_TRUE(stored.empty());
    EXPECT_EQ(savedSpy.count(), 0);
}

TEST_F(QuickNoteControllerTest, SavesTheTrimmedTextOnce)
{
    note.setText(QStringLiteral("  hola\n"));
    ASSERT_TRUE(note.canSave());
    EXPECT_TRUE(note.save());
    EXPECT_EQ(stored, std::vector<std::string>{"hola"});
    EXPECT_EQ(savedSpy.count(), 1);
    EXPECT_EQ(cancelledSpy.count(), 0);
}

TEST_F(QuickNoteControllerTest, HandsTheStoreUtf8AndKeepsInnerLineBreaks)
{
    note.setText(QStringLiteral("\nñ\n  dos líneas \t"));
    EXPECT_TRUE(note.save());
    EXPECT_EQ(stored, std::vector<std::string>{"ñ\n  dos líneas"});
}

TEST_F(QuickNoteControllerTest, ANoteTheStoreRefusesKeepsItsText)
{
    test::LogCapture log;
    storeAccepts = false;
    note.setText(QStringLiteral("importante"));
    EXPECT_FALSE(note.save());
    EXPECT_EQ(savedSpy.count(), 0);
    EXPECT_EQ(note.text(), QStringLiteral("importante"));
    EXPECT_TRUE(note.canSave());
    EXPECT_TRUE(log.contains("[Brisa] No se pudo guardar la nota rápida"));
}

TEST_F(QuickNoteControllerTest, WithoutAStoreNothingIsSaved)
{
    QuickNoteController unbound{{}};
    QSignalSpy saved(&unbound, &QuickNoteController::saved);
    unbound.setText(QStringLiteral("hola"));
    EXPECT_FALSE(unbound.save());
    EXPECT_EQ(saved.count(), 0);
}

TEST_F(QuickNoteControllerTest, NotifiesTextChangesAndOnlyTheTransitionsOfCanSave)
{
    QSignalSpy textSpy(&note, &QuickNoteController::textChanged);
    QSignalSpy canSaveSpy(&note, &QuickNoteController::canSaveChanged);
    note.setText(QStringLiteral(" "));
    note.setText(QStringLiteral(" a"));
    note.setText(QStringLiteral(" ab"));
    note.setText(QStringLiteral(" ab"));
    note.setText(QString());
    EXPECT_EQ(textSpy.count(), 4);
    EXPECT_EQ(canSaveSpy.count(), 2);
}

TEST_F(QuickNoteControllerTest, CancelGivesUpWithoutStoring)
{
    note.setText(QStringLiteral("borrador"));
    note.cancel();
    EXPECT_EQ(cancelledSpy.count(), 1);
    EXPECT_TRUE(stored.empty());
    EXPECT_EQ(savedSpy.count(), 0);
}
