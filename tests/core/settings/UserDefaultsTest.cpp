// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/UserDefaults.h"
#include "core/support/AtomicFile.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace brisa;
namespace fs = std::filesystem;

namespace {

unsigned modeOf(const fs::path& p)
{
    struct stat st{};
    ::stat(p.c_str(), &st);
    return st.st_mode & 0777;
}

} // namespace

TEST(UserDefaults, ValuesSurviveReloadAndFileIsPrivate)
{
    test::TempDir dir;
    test::VirtualScheduler clock;
    auto file = dir / "Brisa/defaults.json";
    {
        UserDefaults d(file, clock);
        d.set("historyLimit", 250);
        d.set("appTheme", "light");
        d.set("gone", true);
        d.remove("gone");
    }
    UserDefaults again(file, clock);
    EXPECT_EQ(again.value("historyLimit"), nlohmann::json(250));
    EXPECT_EQ(again.value("appTheme"), nlohmann::json("light"));
    EXPECT_FALSE(again.contains("gone"));
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(modeOf(file.parent_path()), 0700u);
}

TEST(UserDefaults, NothingIsWrittenUntilSomethingIsSet)
{
    test::TempDir dir;
    test::VirtualScheduler clock;
    UserDefaults d(dir / "defaults.json", clock);
    EXPECT_FALSE(d.value("historyLimit"));
    EXPECT_FALSE(fs::exists(dir / "defaults.json"));
}

TEST(UserDefaults, CorruptFileIsSetAsideAndNeverOverwritten)
{
    for (std::string bad : {"{\"historyLimit\": 12", "[1,2,3]", "\xff\xfe garbage", ""}) {
        test::TempDir dir;
        test::VirtualScheduler clock;
        test::LogCapture log;
        auto file = dir / "defaults.json";
        ASSERT_FALSE(writeFileAtomically(file, bad));

        UserDefaults d(file, clock);
        EXPECT_FALSE(d.value("historyLimit"));
        auto aside = dir / ("defaults.json.corrupt-" + fileTimeStamp(clock.now()));
        ASSERT_TRUE(fs::exists(aside)) << bad;
        EXPECT_EQ(readWholeFile(aside), bad);
        EXPECT_TRUE(log.contains("apartado")) << bad;

        d.set("historyLimit", 5);
        EXPECT_EQ(readWholeFile(aside), bad);
        EXPECT_EQ(UserDefaults(file, clock).value("historyLimit"), nlohmann::json(5));
    }
}

TEST(UserDefaults, InvalidUtf8InAStringDoesNotLoseTheOtherValues)
{
    test::TempDir dir;
    test::VirtualScheduler clock;
    auto file = dir / "defaults.json";
    {
        UserDefaults d(file, clock);
        d.set("historyLimit", 7);
        d.set("note", std::string("bad \xC3"));
    }
    EXPECT_EQ(UserDefaults(file, clock).value("historyLimit"), nlohmann::json(7));
}
