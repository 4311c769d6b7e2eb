// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuickNoteWindowController.h"
#include "GuiApp.h"

#include <QCoreApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

using namespace brisa;

namespace {

class QuickNoteWindowControllerTest : public ::testing::Test {
protected:
    void SetUp() override { test::guiApp(); }

    // Lets deleteLater() and the scene catch up.
    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    QQuickWindow* shown()
    {
        controller.show();
        QQuickWindow* w = controller.window();
        if (w) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        }
        return w;
    }

    // QTest types into widgets only; a window gets one key at a time (ASCII here).
    static void type(QWindow* w, const char* text)
    {
        for (; *text; ++text)
            QTest::keyClick(w, *text);
    }

    struct Store final : NoteStore {
        bool saveNote(const std::string& text) override
        {
            stored.push_back(text);
            return true;
        }
        std::vector<std::string> stored;
    } store;
    std::vector<std::string>& stored = store.stored;
    QuickNoteWindowController controller{store};
};

} // namespace

TEST_F(QuickNoteWindowControllerTest, ShowsOneFixedFloatingWindowWithOnlyACloseControl)
{
    EXPECT_EQ(controller.window(), nullptr) << "none until first shown";
    EXPECT_EQ(controller.note(), nullptr);
    QQuickWindow* w = shown();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->title(), QStringLiteral("Quick Note"));
    const auto flags = w->flags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(w->width(), 380);
    EXPECT_GE(w->height(), 140 + 2 * 16);
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_EQ(shown(), w) << "showing again reuses it";
}

TEST_F(QuickNoteWindowControllerTest, TypingGoesToTheEditorAndTheCloseControlHidesAndKeepsTheText)
{
    QQuickWindow* w = shown();
    ASSERT_NE(w, nullptr);
    type(w, "a medias");
    EXPECT_EQ(controller.note()->text(), QStringLiteral("a medias"));
    w->close();
    settle();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(shown(), w);
    EXPECT_EQ(controller.note()->text(), QStringLiteral("a medias"));
}

TEST_F(QuickNoteWindowControllerTest, CtrlOrSuperReturnSavesAndTheNextWindowStartsEmpty)
{
    for (auto modifiers : {Qt::ControlModifier, Qt::MetaModifier}) { // Super as the hint says
        QQuickWindow* w = shown();
        ASSERT_NE(w, nullptr);
        type(w, " nota ");
        QTest::keyClick(w, Qt::Key_Return, modifiers);
        settle();
        EXPECT_EQ(stored, std::vector<std::string>{"nota"});
        EXPECT_EQ(controller.window(), nullptr);
        shown();
        ASSERT_NE(controller.note(), nullptr);
        EXPECT_TRUE(controller.note()->text().isEmpty());
        stored.clear();
    }
}

TEST_F(QuickNoteWindowControllerTest, CtrlReturnOnABlankNoteDoesNothing)
{
    QQuickWindow* w = shown();
    ASSERT_NE(w, nullptr);
    type(w, "  ");
    QTest::keyClick(w, Qt::Key_Return);
    QTest::keyClick(w, Qt::Key_Return, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(stored.empty());
    EXPECT_EQ(controller.window(), w);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(QuickNoteWindowControllerTest, EscapeWithOrWithoutCtrlCancelsWithoutStoring)
{
    for (auto modifiers : {Qt::NoModifier, Qt::ControlModifier}) {
        QQuickWindow* w = shown();
        ASSERT_NE(w, nullptr);
        type(w, "borrador");
        QTest::keyClick(w, Qt::Key_Escape, modifiers);
        settle();
        EXPECT_TRUE(stored.empty());
        EXPECT_EQ(controller.window(), nullptr);
    }
}

TEST_F(QuickNoteWindowControllerTest, SaveButtonFollowsTheNote)
{
    QQuickWindow* w = shown();
    ASSERT_NE(w, nullptr);
    auto* save = w->contentItem()->findChild<QQuickItem*>(QStringLiteral("saveButton"));
    ASSERT_NE(save, nullptr);
    EXPECT_FALSE(save->isEnabled());
    controller.note()->setText(QStringLiteral("x"));
    EXPECT_TRUE(save->isEnabled());
    EXPECT_EQ(save->property("text").toString(), QStringLiteral("Guardar"));
}
