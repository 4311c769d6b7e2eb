// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/notch/ExpandedPanelState.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace brisa;

namespace {

// A state whose selection sits at index within a list of count cards.
ExpandedPanelState selectedAt(int index, int count)
{
    ExpandedPanelState s;
    EXPECT_TRUE(s.selectCard(index, count));
    return s;
}

} // namespace

TEST(ExpandedPanelState, StartsOnHistoryWithTheFirstCardAndNoFocus)
{
    ExpandedPanelState s;
    EXPECT_EQ(s.selectedTab(), NotchTab::History);
    EXPECT_FALSE(s.onlyFavorites());
    EXPECT_EQ(s.selectedIndex(), 0);
    EXPECT_EQ(s.scrollReset(), 0);
    EXPECT_FALSE(s.listHasFocus());
}

struct SelectionCase {
    int start;
    int count;
    int delta;
    int expected;
};

class MoveSelection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(MoveSelection, StaysWithinTheListWithoutWrapping)
{
    const auto& c = GetParam();
    ExpandedPanelState s;
    s.clampSelection(c.count);
    if (c.count > 0)
        s.selectCard(c.start, c.count);
    s.moveSelection(c.delta, c.count);
    EXPECT_EQ(s.selectedIndex(), c.expected);
    EXPECT_EQ(s.scrollReset(), 0) << "the strip glides, it does not jump";
}

INSTANTIATE_TEST_SUITE_P(Cases, MoveSelection,
                         ::testing::Values(SelectionCase{0, 5, +1, 1}, SelectionCase{2, 5, -1, 1},
                                           SelectionCase{4, 5, +1, 4},   // right on the last card
                                           SelectionCase{0, 5, -1, 0},   // left on the first card
                                           SelectionCase{0, 1, +1, 0}, SelectionCase{0, 0, +1, 0},
                                           SelectionCase{0, 0, -1, 0},   // empty list
                                           SelectionCase{1, 5, INT_MAX, 4}, SelectionCase{3, 5, INT_MIN, 0}));

TEST(ExpandedPanelState, ArrowsOnAnEmptyListAreHandledButChangeNothing)
{
    ExpandedPanelState s;
    for (auto key : {PanelKey::Left, PanelKey::Right}) {
        EXPECT_EQ(s.handleKey(key, 0), (PanelKeyResult{.handled = true, .action = PanelAction::None}));
        EXPECT_EQ(s.selectedIndex(), 0);
    }
}

TEST(ExpandedPanelState, TabMovesFollowChipOrderAndStopAtTheEnds)
{
    ExpandedPanelState s;
    s.moveTab(-1);
    EXPECT_EQ(s.selectedTab(), NotchTab::History);
    s.moveTab(+1);
    EXPECT_EQ(s.selectedTab(), NotchTab::Prompts);
    s.moveTab(+1);
    EXPECT_EQ(s.selectedTab(), NotchTab::Colors);
    s.moveTab(+1);
    EXPECT_EQ(s.selectedTab(), NotchTab::Assets);
    s.moveTab(+1);
    EXPECT_EQ(s.selectedTab(), NotchTab::Assets);
    s.moveTab(INT_MIN);
    EXPECT_EQ(s.selectedTab(), NotchTab::History);
    s.moveTab(INT_MAX);
    EXPECT_EQ(s.selectedTab(), NotchTab::Assets);
}

TEST(ExpandedPanelState, UpOnTheFirstTabOrDownOnTheLastKeepsTheTabSelectionAndScroll)
{
    for (const auto& [tab, key] : {std::pair{NotchTab::History, PanelKey::Up}, std::pair{NotchTab::Assets, PanelKey::Down}}) {
        ExpandedPanelState s;
        s.setSelectedTab(tab);
        s.selectCard(3, 5);
        const int reset = s.scrollReset();
        EXPECT_TRUE(s.handleKey(key, 5).handled);
        EXPECT_EQ(s.selectedTab(), tab);
        EXPECT_EQ(s.selectedIndex(), 3);
        EXPECT_EQ(s.scrollReset(), reset);
    }
}

TEST(ExpandedPanelState, ChangingTheTabSelectsTheFirstCardAndResetsTheScroll)
{
    auto s = selectedAt(3, 5);
    s.handleKey(PanelKey::Down, 5);
    EXPECT_EQ(s.selectedTab(), NotchTab::Prompts);
    EXPECT_EQ(s.selectedIndex(), 0);
    EXPECT_EQ(s.scrollReset(), 1);
}

TEST(ExpandedPanelState, SelectingTheSameTabChangesNothing)
{
    auto s = selectedAt(2, 5);
    s.setSelectedTab(NotchTab::History);
    EXPECT_EQ(s.selectedIndex(), 2);
    EXPECT_EQ(s.scrollReset(), 0);
}

TEST(ExpandedPanelState, ClampSelection)
{
    auto s = selectedAt(4, 5);
    s.clampSelection(3);
    EXPECT_EQ(s.selectedIndex(), 2);
    s.clampSelection(0);
    EXPECT_EQ(s.selectedIndex(), 0);
    EXPECT_FALSE(s.hasValidSelection(0));
    s.clampSelection(-7);
    EXPECT_EQ(s.selectedIndex(), 0);
}

TEST(ExpandedPanelState, KeysGiveTheirActionOnlyWithACardToActOn)
{
    struct Case {
        const char* name;
        int selected, count;
        PanelKey key;
        int keyCount; // the list's length when the key comes
        PanelKeyResult result;
    };
    const std::vector<Case> cases{
        {"delete the last card", 4, 5, PanelKey::Delete, 5, {true, PanelAction::DeleteSelected}},
        {"backspace the only card", 0, 1, PanelKey::Backspace, 1, {true, PanelAction::DeleteSelected}},
        {"delete on an empty list", 0, 1, PanelKey::Delete, 0, {true, PanelAction::None}},
        {"return pastes", 2, 3, PanelKey::Return, 3, {true, PanelAction::PasteSelected}},
        {"return on an empty list", 0, 1, PanelKey::Return, 0, {true, PanelAction::None}},
        // The list shrank behind the panel's back and nobody clamped yet.
        {"return with a stale selection", 4, 5, PanelKey::Return, 2, {true, PanelAction::None}},
        {"escape", 0, 1, PanelKey::Escape, 0, {true, PanelAction::CloseAndRestoreFocus}},
        {"other keys pass on", 1, 3, PanelKey::Other, 3, {false, PanelAction::None}},
    };
    for (const auto& c : cases) {
        auto s = selectedAt(c.selected, c.count);
        EXPECT_EQ(s.handleKey(c.key, c.keyCount), c.result) << c.name;
        EXPECT_EQ(s.selectedIndex(), c.selected) << c.name;
        EXPECT_EQ(s.selectedTab(), NotchTab::History) << c.name;
        EXPECT_EQ(s.scrollReset(), 0) << c.name;
    }
}

TEST(ExpandedPanelState, TakingTheKeyboardGoesToTheDefaultTabsFirstCardAndFocusesTheList)
{
    for (const NotchTab tab : {NotchTab::Colors, NotchTab::History}) { // the first card even on the same tab
        auto s = selectedAt(2, 5);
        s.onKeyboardActiveChanged(true, tab);
        EXPECT_EQ(s.selectedTab(), tab);
        EXPECT_EQ(s.selectedIndex(), 0);
        EXPECT_TRUE(s.listHasFocus());
        if (tab != NotchTab::History) {
            EXPECT_EQ(s.scrollReset(), 1) << "a new tab starts at its beginning";
        }
    }
}

TEST(ExpandedPanelState, GivingTheKeyboardBackClearsOnlyTheFocus)
{
    ExpandedPanelState s;
    s.onKeyboardActiveChanged(true, NotchTab::Prompts);
    s.selectCard(1, 3);
    s.onKeyboardActiveChanged(false, NotchTab::History);
    EXPECT_FALSE(s.listHasFocus());
    EXPECT_EQ(s.selectedTab(), NotchTab::Prompts);
    EXPECT_EQ(s.selectedIndex(), 1);
}

TEST(ExpandedPanelState, OpeningResetsTheSelectionAndScrollClosingDoesNotAndTabAndFavouritesSurviveBoth)
{
    ExpandedPanelState s;
    s.setSelectedTab(NotchTab::Assets);
    s.toggleOnlyFavorites();
    s.selectCard(3, 5);
    const int reset = s.scrollReset();
    s.onExpandedChanged(false);
    EXPECT_EQ(s.selectedIndex(), 3);
    EXPECT_EQ(s.scrollReset(), reset);
    s.onExpandedChanged(true);
    EXPECT_EQ(s.selectedIndex(), 0);
    EXPECT_EQ(s.scrollReset(), reset + 1);
    EXPECT_EQ(s.selectedTab(), NotchTab::Assets);
    EXPECT_TRUE(s.onlyFavorites());
}

TEST(ExpandedPanelState, ClickingACardSelectsOnlyExistingCards)
{
    ExpandedPanelState s;
    EXPECT_TRUE(s.selectCard(2, 3));
    EXPECT_EQ(s.selectedIndex(), 2);
    EXPECT_FALSE(s.selectCard(3, 3));
    EXPECT_FALSE(s.selectCard(-1, 3));
    EXPECT_EQ(s.selectedIndex(), 2);
}
