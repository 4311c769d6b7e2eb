// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/UserDefaults.h"
#include "core/support/AtomicFile.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <vector>

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

TEST(UserDefaults, UnusableFilesAreSetAsidePrivatelyWithoutBlocking)
{
    const std::string deep = "{\"x\":" + std::string(200'000, '[') + std::string(200'000, ']') + "}";
    const std::string large = "{\"x\": \"" + std::string(UserDefaults::kMaxFileBytes, 'a') + "\"}";
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        const char* logged;
    };
    const std::vector<Case> cases{
        {"nested 200000 levels", [&](const fs::path& f) { ASSERT_FALSE(writeFileAtomically(f, deep, 0644)); },
         "anida más de 32 niveles"},
        {"over the size limit", [&](const fs::path& f) { ASSERT_FALSE(writeFileAtomically(f, large, 0644)); }, "ocupa más de"},
        {"fifo", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0644), 0); }, "no es un archivo normal"},
        {"folder", [](const fs::path& f) { fs::create_directory(f); }, "no es un archivo normal"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        test::VirtualScheduler clock;
        test::LogCapture log;
        auto file = dir / "defaults.json";
        c.make(file);

        UserDefaults d(file, clock);
        EXPECT_TRUE(log.contains(c.logged));
        EXPECT_FALSE(d.contains("x"));
        auto aside = dir / ("defaults.json.corrupt-" + fileTimeStamp(clock.now()));
        ASSERT_TRUE(fs::exists(fs::symlink_status(aside)));
        EXPECT_EQ(modeOf(aside), fs::is_directory(aside) ? 0700u : 0600u);

        d.set("historyLimit", 5);
        EXPECT_EQ(UserDefaults(file, clock).value("historyLimit"), nlohmann::json(5));
    }
}

TEST(UserDefaults, AnExistingFolderIsMadePrivate)
{
    test::TempDir dir;
    test::VirtualScheduler clock;
    fs::create_directory(dir / "Brisa");
    ::chmod((dir / "Brisa").c_str(), 0755);
    UserDefaults d(dir / "Brisa/defaults.json", clock);
    EXPECT_EQ(modeOf(dir / "Brisa"), 0700u);
}

TEST(UserDefaults, ValuesItDoesNotOwnAreWrittenBackAsCompactAsTheyCame)
{
    test::TempDir dir;
    test::VirtualScheduler clock;
    auto file = dir / "defaults.json";
    const std::string nested = std::string(UserDefaults::kMaxNesting - 1, '[') + "1" +
                               std::string(UserDefaults::kMaxNesting - 1, ']');
    ASSERT_FALSE(writeFileAtomically(file, "{\"x\": " + nested + "}"));

    UserDefaults d(file, clock);
    d.set("historyLimit", 5);
    const auto text = readWholeFile(file);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("\"x\": " + nested), std::string::npos) << *text;
    EXPECT_LT(text->size(), nested.size() + 64);
    EXPECT_EQ(UserDefaults(file, clock).value("x"), nlohmann::json::parse(nested));
}
