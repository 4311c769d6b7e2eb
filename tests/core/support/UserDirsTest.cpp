// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/UserDirs.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace brisa;
namespace fs = std::filesystem;

namespace {

const fs::path kHome = "/home/ana";

struct ValueCase {
    const char* line;
    std::optional<fs::path> expected; ///< XDG_PICTURES_DIR after parsing; nullopt = dropped
};

class UserDirsValues : public testing::TestWithParam<ValueCase> {};

TEST_P(UserDirsValues, ParsesOneLine)
{
    const auto dirs = UserDirs::parse(GetParam().line, kHome);
    const auto it = dirs.find("XDG_PICTURES_DIR");
    if (GetParam().expected) {
        ASSERT_NE(it, dirs.end()) << GetParam().line;
        EXPECT_EQ(it->second, *GetParam().expected) << GetParam().line;
    } else {
        EXPECT_EQ(it, dirs.end()) << GetParam().line;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, UserDirsValues,
    testing::Values(ValueCase{R"(XDG_PICTURES_DIR="$HOME/Imágenes")", kHome / "Imágenes"},
                    ValueCase{R"(XDG_PICTURES_DIR="/srv/fotos")", fs::path("/srv/fotos")},
                    ValueCase{R"(  XDG_PICTURES_DIR = "$HOME/Mis fotos"  )", kHome / "Mis fotos"},
                    ValueCase{R"(XDG_PICTURES_DIR="$HOME/")", kHome},
                    ValueCase{R"(XDG_PICTURES_DIR="$HOME")", kHome},
                    ValueCase{R"(XDG_PICTURES_DIR="$HOME/a \"b\" \$c")", kHome / "a \"b\" $c"},
                    ValueCase{R"(XDG_PICTURES_DIR="$HOME/Fotos" # comentario)", kHome / "Fotos"},
                    ValueCase{"XDG_PICTURES_DIR=\"$HOME/Fotos\"\r", kHome / "Fotos"},
                    ValueCase{R"(XDG_PICTURES_DIR=/opt/fotos)", fs::path("/opt/fotos")},
                    // Dropped: relative, another variable, no closing quote, commented out, empty.
                    ValueCase{R"(XDG_PICTURES_DIR="Imágenes")", std::nullopt},
                    ValueCase{R"(XDG_PICTURES_DIR="$HOMEDIR/x")", std::nullopt},
                    ValueCase{R"(XDG_PICTURES_DIR="$HOME/Fotos)", std::nullopt},
                    ValueCase{R"(# XDG_PICTURES_DIR="$HOME/Fotos")", std::nullopt},
                    ValueCase{R"(XDG_PICTURES_DIR="")", std::nullopt},
                    ValueCase{R"(XDG_PICTURES_DIR)", std::nullopt},
                    ValueCase{"", std::nullopt}));

TEST(UserDirs, ParsesAWholeFileAndTheLastLineForANameWins)
{
    const auto dirs = UserDirs::parse("# written by the desktop session\n"
                                      "XDG_DESKTOP_DIR=\"$HOME/Escritorio\"\n"
                                      "XDG_PICTURES_DIR=\"$HOME/Imágenes\"\n"
                                      "\n"
                                      "garbage line\n"
                                      "XDG_PICTURES_DIR=\"$HOME/Fotos\"\n",
                                      kHome);
    ASSERT_EQ(dirs.size(), 2u);
    EXPECT_EQ(dirs.at("XDG_DESKTOP_DIR"), kHome / "Escritorio");
    EXPECT_EQ(dirs.at("XDG_PICTURES_DIR"), kHome / "Fotos");
}

TEST(UserDirs, LooksUpTheFileInTheConfigFolder)
{
    test::TempDir config;
    EXPECT_EQ(UserDirs::lookup("XDG_PICTURES_DIR", config.path(), kHome), std::nullopt); // no file
    std::ofstream(config / "user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Imágenes\"\n";
    EXPECT_EQ(UserDirs::lookup("XDG_PICTURES_DIR", config.path(), kHome), kHome / "Imágenes");
    EXPECT_EQ(UserDirs::lookup("XDG_DESKTOP_DIR", config.path(), kHome), std::nullopt);
}

} // namespace
