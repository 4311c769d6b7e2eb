// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/DesktopEntries.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace brisa;
namespace fs = std::filesystem;

namespace {

using test::writeFile;

std::string app(const std::string& name, const std::string& extra = "")
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=true\n" + extra;
}

/// Sets an environment variable for one test and puts back the old value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(DesktopEntries, ApplicationDirsFollowTheXdgVariables)
{
    {
        ScopedEnv home("XDG_DATA_HOME", "/h/data");
        ScopedEnv dirs("XDG_DATA_DIRS", "/opt/share::relative/share:/usr/share/");
        EXPECT_EQ(DesktopEntries::applicationDirs(),
                  (std::vector<fs::path>{"/h/data/applications", "/opt/share/applications",
                                         "/usr/share/applications"}));
    }
    {
        ScopedEnv home("HOME", "/home/ana");
        ScopedEnv dataHome("XDG_DATA_HOME", "");
        ScopedEnv dirs("XDG_DATA_DIRS", "");
        EXPECT_EQ(DesktopEntries::applicationDirs(),
                  (std::vector<fs::path>{"/home/ana/.local/share/applications", "/usr/local/share/applications",
                                         "/usr/share/applications"}));
    }
}

TEST(DesktopEntries, MatchesStartupWMClassExactlyThenTheFileIdIgnoringCase)
{
    test::TempDir dir;
    writeFile(dir / "apps/org.gnome.TextEditor.desktop", app("Text Editor", "Name[es]=Editor de texto\n"));
    writeFile(dir / "apps/firefox-esr.desktop", app("Firefox ESR", "StartupWMClass=Firefox-esr\n"));
    writeFile(dir / "apps/kde4/kate.desktop", app("Kate"));
    const auto index = DesktopEntries::scan({dir / "apps"});
    EXPECT_EQ(index.size(), 3u);
    EXPECT_EQ(index.nameFor("org.gnome.TextEditor"), "Editor de texto");
    EXPECT_EQ(index.nameFor("ORG.GNOME.TEXTEDITOR"), "Editor de texto");
    EXPECT_EQ(index.nameFor("Firefox-esr"), "Firefox ESR");
    EXPECT_EQ(index.nameFor("firefox-esr"), "Firefox ESR") << "by the file id";
    EXPECT_EQ(index.nameFor("kde4-kate"), "Kate") << "subfolders make the id";
    EXPECT_EQ(index.nameFor("kate"), std::nullopt);
    EXPECT_EQ(index.nameFor("Gimp-2.10"), std::nullopt);
    EXPECT_EQ(index.nameFor(""), std::nullopt);
}

TEST(DesktopEntries, StartupWMClassWinsOverAnotherFilesId)
{
    test::TempDir dir;
    writeFile(dir / "apps/code.desktop", app("Code (id)"));
    writeFile(dir / "apps/vscode.desktop", app("Visual Studio Code", "StartupWMClass=code\n"));
    EXPECT_EQ(DesktopEntries::scan({dir / "apps"}).nameFor("code"), "Visual Studio Code");
}

TEST(DesktopEntries, StartupWMClassInAnotherLetterCaseStillNamesTheWindow)
{
    // KeePassXC's entry says "keepassxc"; its windows report the class "KeePassXC".
    test::TempDir dir;
    writeFile(dir / "apps/org.keepassxc.KeePassXC.desktop", app("KeePassXC", "StartupWMClass=keepassxc\n"));
    writeFile(dir / "apps/kpxc.desktop", app("Otro"));
    const auto index = DesktopEntries::scan({dir / "apps"});
    EXPECT_EQ(index.nameFor("KeePassXC"), "KeePassXC");
    EXPECT_EQ(index.nameFor("KPXC"), "Otro") << "the id still answers for what no entry's class names";
}

TEST(DesktopEntries, EarlierFolderOwnsAnIdAndHiddenRemovesIt)
{
    test::TempDir dir;
    writeFile(dir / "home/gedit.desktop", app("Mi editor"));
    writeFile(dir / "system/gedit.desktop", app("gedit"));
    writeFile(dir / "home/hidden.desktop", app("Oculta", "Hidden=true\n"));
    writeFile(dir / "system/hidden.desktop", app("Visible"));
    const auto index = DesktopEntries::scan({dir / "home", dir / "missing", dir / "system"});
    EXPECT_EQ(index.nameFor("gedit"), "Mi editor");
    EXPECT_EQ(index.nameFor("hidden"), std::nullopt);
}

TEST(DesktopEntries, ParsesOnlyTheMainGroupWithLocaleAndEscapes)
{
    struct Case {
        const char* what;
        std::string text;
        std::string_view locale;
        std::optional<std::string> name;
    };
    const std::vector<Case> cases{
        {"plain", app("Files"), "es", "Files"},
        {"spanish", app("Files", "Name[es]=Archivos\nName[fr]=Fichiers\n"), "es", "Archivos"},
        {"country first", app("Files", "Name[es]=Archivos\nName[es_MX]=Archivos MX\n"), "es_MX.UTF-8", "Archivos MX"},
        {"falls back to lang", app("Files", "Name[es]=Archivos\n"), "es_AR", "Archivos"},
        {"modifier", app("Files", "Name[sr@latin]=Datoteke\nName[sr]=Датотеке\n"), "sr_RS@latin", "Datoteke"},
        {"escapes", app("A\\sB\\\\C"), "es", "A B\\C"},
        {"comments and blanks", "# c\n\n[Desktop Entry]\n  Name = Spaced  \nType=Application\n", "es", "Spaced"},
        {"action group ignored", app("Main", "[Desktop Action new]\nName=Nueva ventana\n"), "es", "Main"},
        {"other group first", "[Other]\nName=No\n[Desktop Entry]\nName=Yes\n", "es", "Yes"},
        {"not an application", "[Desktop Entry]\nType=Link\nName=Web\n", "es", std::nullopt},
        {"no name", "[Desktop Entry]\nType=Application\n", "es", std::nullopt},
        {"no group", "Name=Loose\n", "es", std::nullopt},
        {"invalid utf-8 name skipped", app("Good", "Name[es]=Bad\xFF\n"), "es", "Good"},
        {"crlf", "[Desktop Entry]\r\nName=Win\r\n", "es", "Win"},
    };
    for (const auto& c : cases) {
        auto entry = DesktopEntries::parse(c.text, "id", c.locale);
        EXPECT_EQ(entry ? std::optional<std::string>(entry->name) : std::nullopt, c.name) << c.what;
    }
}

TEST(DesktopEntries, ReadsTheIconNameOrPath)
{
    struct Case {
        const char* what;
        std::string text;
        std::string icon;
    };
    const std::vector<Case> cases{
        {"theme name", app("Files", "Icon=org.gnome.Nautilus\n"), "org.gnome.Nautilus"},
        {"absolute path", app("Tool", "Icon=/opt/tool/share/tool.png\n"), "/opt/tool/share/tool.png"},
        {"escaped and spaced", app("Tool", "Icon = /opt/my\\stool/icon.svg \n"), "/opt/my tool/icon.svg"},
        {"none", app("Plain"), ""},
        {"empty", app("Plain", "Icon=\n"), ""},
        {"action icon ignored", app("Main", "[Desktop Action new]\nIcon=document-new\n"), ""},
    };
    for (const auto& c : cases) {
        auto entry = DesktopEntries::parse(c.text, "id", "es");
        ASSERT_TRUE(entry) << c.what;
        EXPECT_EQ(entry->icon, c.icon) << c.what;
    }

    test::TempDir dir;
    writeFile(dir / "apps/firefox-esr.desktop", app("Firefox ESR", "StartupWMClass=Firefox-esr\nIcon=firefox-esr\n"));
    const auto index = DesktopEntries::scan({dir / "apps"});
    const auto* entry = index.find("Firefox-esr");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->icon, "firefox-esr");
}

TEST(DesktopEntries, IgnoresHugeFilesAndOtherFiles)
{
    test::TempDir dir;
    writeFile(dir / "apps/big.desktop", app("Big", std::string(300 * 1024, '#')));
    writeFile(dir / "apps/notes.txt", app("Notes"));
    writeFile(dir / "apps/.desktop", app("Empty"));
    fs::create_directories(dir / "apps/folder.desktop");
    EXPECT_EQ(DesktopEntries::scan({dir / "apps"}).size(), 0u);
}
