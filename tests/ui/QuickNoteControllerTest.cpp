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

    struct Store final : NoteStore {
        bool saveNote(const std::string& text) override
        {
            stored.push_back(text);
            return accepts;
        }
        std::vector<std::string> stored;
        bool accepts = true;
    } store;
    std::vector<std::string>& stored = store.stored;
    bool& storeAccepts = store.accepts;
    QuickNoteController note{&store};
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

// A note is stored trimmed of blanks at both ends (any Unicode space or line break), with its
// inner line breaks, as UTF-8, once per save; a blank one cannot be saved.
TEST_F(QuickNoteControllerTest, SavesTheTrimmedTextOnceAndNeverABlankOne)
{
    EXPECT_TRUE(note.text().isEmpty());
    const struct {
        QString text;
        const char* stored; ///< null: cannot be saved
    } cases[] = {
        {QString(), nullptr},
        {QStringLiteral(" "), nullptr},
        {QStringLiteral("  \n\t\r\n"), nullptr},
        {QStringLiteral("\u00a0\u2028\u3000"), nullptr}, // no-break, line separator, ideographic
        {QStringLiteral("  hola\n"), "hola"},
        {QStringLiteral("\nñ\n  dos líneas \t"), "ñ\n  dos líneas"},
    };
    for (const auto& c : cases) {
        stored.clear();
        savedSpy.clear();
        note.setText(c.text);
        const bool savable = c.stored != nullptr;
        EXPECT_EQ(note.canSave(), savable) << c.text.toStdString();
        EXPECT_EQ(note.save(), savable) << c.text.toStdString();
        EXPECT_EQ(stored, savable ? std::vector<std::string>{c.stored} : std::vector<std::string>{});
        EXPECT_EQ(savedSpy.count(), savable ? 1 : 0);
    }
    EXPECT_EQ(cancelledSpy.count(), 0);
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
    QuickNoteController unbound{nullptr};
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
