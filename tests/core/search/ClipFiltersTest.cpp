// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/search/ClipFilters.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace brisa;
using namespace std::chrono_literals;

namespace {

/// A history as the store returns it: newest first. Each clip's text is its name.
class ClipFiltersTest : public ::testing::Test {
protected:
    void add(const std::string& name, ClipType type, bool pinned = false, std::optional<std::string> app = {})
    {
        ClipItem item;
        item.id = Uuid::random();
        item.typeRaw = std::string(rawValue(type));
        item.textContent = name;
        item.sourceAppName = std::move(app);
        item.isPinned = pinned;
        item.createdAt = TimePoint(1000h) - std::chrono::hours(history.size()); // added oldest last
        history.push_back(item);
    }

    static std::vector<std::string> names(const ClipList& list)
    {
        std::vector<std::string> out;
        for (const auto* item : list)
            out.push_back(*item->textContent);
        return out;
    }

    std::vector<ClipItem> history;
};

} // namespace

TEST_F(ClipFiltersTest, PanelKeepsTabKindsAndPutsPinnedFirstNewestFirst)
{
    add("t1", ClipType::Text);
    add("i1", ClipType::Image, true);
    add("c1", ClipType::Color);
    add("l1", ClipType::Link, true);
    add("k1", ClipType::Code);
    add("s1", ClipType::Screenshot, true);

    EXPECT_EQ(names(filteredItems(history, NotchTab::History, false, "")),
              (std::vector<std::string>{"i1", "l1", "s1", "t1", "c1", "k1"}));
    EXPECT_EQ(names(filteredItems(history, NotchTab::Prompts, false, "")),
              (std::vector<std::string>{"l1", "t1", "k1"}));
    EXPECT_EQ(names(filteredItems(history, NotchTab::Assets, false, "")), (std::vector<std::string>{"i1", "s1"}));
    EXPECT_EQ(names(filteredItems(history, NotchTab::Colors, false, "")), (std::vector<std::string>{"c1"}));
    EXPECT_EQ(names(filteredItems(history, NotchTab::History, true, "")),
              (std::vector<std::string>{"i1", "l1", "s1"}));
    EXPECT_EQ(names(filteredItems(history, NotchTab::Prompts, true, "1")), (std::vector<std::string>{"l1"}));
}

TEST_F(ClipFiltersTest, SortIsStableForFullTiesAndUsesCreationTimeOtherwise)
{
    add("a", ClipType::Text);
    add("b", ClipType::Text);
    add("c", ClipType::Text, true);
    history[1].createdAt = history[0].createdAt; // a and b tie: keep source order
    history[2].createdAt = history[0].createdAt + 1h; // out of source order: time decides
    EXPECT_EQ(names(filtered(history, std::nullopt, "")), (std::vector<std::string>{"c", "a", "b"}));
    // Unpinned, c is still newest; a and b now come in source order b, a.
    history[2].isPinned = false;
    std::swap(history[0], history[2]);
    EXPECT_EQ(names(filtered(history, std::nullopt, "")), (std::vector<std::string>{"c", "b", "a"}));
}

TEST_F(ClipFiltersTest, TabCountsIgnoreFavouritesAndSearch)
{
    add("uno", ClipType::Text, true);
    add("dos", ClipType::Link);
    add("tres", ClipType::Image);
    add("#ff0000", ClipType::Color, true);
    add("cuatro", ClipType::File);
    add("raro", ClipType::Text);
    history.back().typeRaw = "unknown"; // counts as text

    const std::vector<std::size_t> expected{6, 3, 1, 2};
    for (std::size_t i = 0; i < allNotchTabs.size(); ++i) {
        const auto tab = allNotchTabs[i];
        EXPECT_EQ(count(history, tab), expected[i]) << rawValue(tab);
        // Whatever the panel shows, the badges are computed from the whole history.
        EXPECT_LE(filteredItems(history, tab, true, "uno").size(), count(history, tab));
    }
    std::vector<const ClipItem*> pointers;
    for (const auto& item : history)
        pointers.push_back(&item);
    EXPECT_EQ(count(pointers, NotchTab::Prompts), 3u);
}

TEST_F(ClipFiltersTest, LibraryCombinesItsKindFilterWithTheQuery)
{
    add("https://ejemplo.es/informe", ClipType::Link, false, "Firefox");
    add("informe.png", ClipType::Image, false, "Figma");
    add("Informe final", ClipType::Text, true, "Firefox");

    EXPECT_EQ(names(filtered(history, std::nullopt, "informe")),
              (std::vector<std::string>{"Informe final", "https://ejemplo.es/informe", "informe.png"}));
    EXPECT_EQ(names(filtered(history, ClipType::Link, "informe")),
              (std::vector<std::string>{"https://ejemplo.es/informe"}));
    EXPECT_TRUE(filtered(history, ClipType::Link, "@image").empty());
    EXPECT_EQ(names(filtered(history, ClipType::Image, "@image")), (std::vector<std::string>{"informe.png"}));
    EXPECT_EQ(names(filtered(history, std::nullopt, "@firefox informe")),
              (std::vector<std::string>{"Informe final", "https://ejemplo.es/informe"}));
    EXPECT_TRUE(filtered(history, std::nullopt, "@slack").empty());
}

TEST_F(ClipFiltersTest, LongHistorySearchKeepsEveryMatchInOrder)
{
    // Long enough to be searched in slices: the joined result must be the single-pass one.
    std::vector<std::string> expected;
    for (int i = 0; i < 30000; ++i) {
        const bool hit = i % 7 == 0;
        const std::string name = (hit ? "informe " : "nota ") + std::to_string(i);
        add(name, ClipType::Text, i % 1000 == 0);
        if (hit && i % 1000 == 0)
            expected.push_back(name);
    }
    for (int i = 0; i < 30000; ++i)
        if (i % 7 == 0 && i % 1000 != 0)
            expected.push_back("informe " + std::to_string(i));

    EXPECT_EQ(names(filtered(history, std::nullopt, "INFORME")), expected);
    EXPECT_EQ(names(filteredItems(history, NotchTab::History, false, "informe")), expected);
}
