// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/model/ClipItem.h"
#include "core/model/NotchTab.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace brisa;

TEST(ClipType, IteratesInDisplayOrderWithRawValuesLabelsAndSymbols)
{
    std::vector<std::string_view> raws, labels;
    for (auto t : allClipTypes) {
        raws.push_back(rawValue(t));
        labels.push_back(label(t));
    }
    EXPECT_EQ(raws, (std::vector<std::string_view>{"text", "code", "link", "image", "file", "color", "screenshot"}));
    EXPECT_EQ(labels,
              (std::vector<std::string_view>{"Texto", "Código", "Enlace", "Imagen", "Archivo", "Color", "Captura"}));
    EXPECT_EQ(symbolName(ClipType::Code), "chevron.left.forwardslash.chevron.right");
    EXPECT_EQ(symbolName(ClipType::Screenshot), "camera.viewfinder");
}

TEST(ClipType, DecodingAcceptsOnlyExactRawValuesAndAClipOfAnUnknownOneReadsAsText)
{
    EXPECT_EQ(clipTypeFromRaw("image"), ClipType::Image);
    EXPECT_EQ(clipTypeFromRaw("Image"), std::nullopt);
    EXPECT_EQ(clipTypeFromRaw(""), std::nullopt);
    ClipItem item;
    item.typeRaw = "hologram";
    EXPECT_EQ(item.type(), ClipType::Text);
    item.typeRaw = "color";
    EXPECT_EQ(item.type(), ClipType::Color);
}

TEST(ClipItem, NewRecordHasFreshIdentityAndConstructorDefaults)
{
    test::VirtualScheduler clock;
    NewClip fields{.type = ClipType::Link, .textContent = "https://example.org", .byteSize = 19};
    auto a = makeClipItem(fields, clock);
    auto b = makeClipItem(fields, clock);

    EXPECT_EQ(a.typeRaw, "link");
    EXPECT_EQ(a.createdAt, clock.now());
    EXPECT_FALSE(a.isPinned);
    EXPECT_FALSE(a.spaceID || a.ocrText || a.reminderDate);
    EXPECT_EQ(a.byteSize, 19);
    // Same contents, still two records.
    EXPECT_NE(a.id, b.id);
    EXPECT_FALSE(a == b);
}

TEST(Uuid, RoundTripsThroughCanonicalUpperCaseText)
{
    auto u = Uuid::random();
    auto text = u.toString();
    ASSERT_EQ(text.size(), 36u);
    EXPECT_EQ(text[14], '4'); // version 4
    EXPECT_EQ(Uuid::parse(text), u);
    auto lower = text;
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(c));
    EXPECT_EQ(Uuid::parse(lower), u);
    EXPECT_EQ(Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E5"), std::nullopt);
    EXPECT_EQ(Uuid::parse("E621E1F8xC36C-495A-93FC-0C247A3E6E5F"), std::nullopt);
    EXPECT_EQ(Uuid::parse("G621E1F8-C36C-495A-93FC-0C247A3E6E5F"), std::nullopt);
    EXPECT_EQ(Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E5g"), std::nullopt);
    EXPECT_EQ(Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E-F"), std::nullopt);
    EXPECT_EQ(Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E5F")->toString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
}

TEST(NotchTab, RawValuesAndKindsPerTab)
{
    EXPECT_EQ(notchTabFromRaw("Colors"), NotchTab::Colors);
    EXPECT_EQ(notchTabFromRaw("colors"), std::nullopt);
    auto kinds = [](NotchTab tab) {
        std::string s;
        for (auto t : allClipTypes)
            if (matches(tab, t))
                s += std::string(rawValue(t)) + " ";
        return s;
    };
    EXPECT_EQ(kinds(NotchTab::History), "text code link image file color screenshot ");
    EXPECT_EQ(kinds(NotchTab::Prompts), "text code link ");
    EXPECT_EQ(kinds(NotchTab::Colors), "color ");
    EXPECT_EQ(kinds(NotchTab::Assets), "image file screenshot ");
}

TEST(UnixSeconds, RoundTripAndOutOfRangeValuesClamp)
{
    const auto t = fromUnixSeconds(1'780'000'000.5);
    EXPECT_DOUBLE_EQ(toUnixSeconds(t), 1'780'000'000.5);
    EXPECT_LT(toUnixSeconds(fromUnixSeconds(1e300)), 1e10);
    EXPECT_GT(toUnixSeconds(fromUnixSeconds(-1e300)), -1e10);
    EXPECT_EQ(toUnixSeconds(fromUnixSeconds(std::nan(""))), 0.0);
}
