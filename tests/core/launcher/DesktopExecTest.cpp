// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/launcher/DesktopExec.h"

#include <gmock/gmock.h>

using namespace brisa;
using Args = std::vector<std::string>;

TEST(DesktopExec, FieldCodesAndQuotingInATable)
{
    DesktopLaunchEntry entry;
    entry.name = "Editor de texto";
    entry.icon = "accessories-text-editor";
    const std::string location = "/usr/share/applications/editor.desktop";
    struct Case {
        const char* exec;
        std::optional<Args> argv;
    };
    const std::vector<Case> cases = {
        {"gedit", Args{"gedit"}},
        {"gedit %U", Args{"gedit"}},
        {"gedit %f %F %u", Args{"gedit"}},
        {"vlc --started-from-file %U", Args{"vlc", "--started-from-file"}},
        {"app --file=%f", Args{"app", "--file="}},
        {"app %i", Args{"app", "--icon", "accessories-text-editor"}},
        {"app %c", Args{"app", "Editor de texto"}},
        {"app %k", Args{"app", location}},
        {"app 100%%", Args{"app", "100%"}},
        {"app %d %D %n %N %v %m %x", Args{"app"}},
        {"\"/opt/My App/run\" --name \"a \\\"b\\\" \\$c\"", Args{"/opt/My App/run", "--name", "a \"b\" $c"}},
        {"sh -c \"echo %%HOME\"", Args{"sh", "-c", "echo %HOME"}},
        {"app \"\"", Args{"app", ""}},
        {"  app   two  ", Args{"app", "two"}},
        {"app \"open quote", std::nullopt},
        {"%f", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expandExec(c.exec, entry, location), c.argv) << c.exec;
}

TEST(DesktopExec, NoIconGivesNoIconArguments)
{
    EXPECT_EQ(expandExec("app %i", {}, ""), (Args{"app"}));
}

TEST(DesktopExec, ReadsTheMainGroupOnly)
{
    const auto entry = parseDesktopLaunchEntry("# comment\n[Desktop Entry]\nType=Application\nName=Prueba\n"
                                               "Name[es]=Traducida\nExec=touch \\\\s %f\nIcon=x\nTerminal=true\n"
                                               "Path=/tmp\n[Desktop Action new]\nExec=other\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(*entry, (DesktopLaunchEntry{"Prueba", "touch \\s %f", "x", "/tmp", true}));
    EXPECT_FALSE(parseDesktopLaunchEntry("[Desktop Entry]\nType=Link\nExec=x\n"));
    EXPECT_FALSE(parseDesktopLaunchEntry("[Desktop Entry]\nName=Sin Exec\n"));
    EXPECT_FALSE(readDesktopLaunchEntry("/nonexistent/x.desktop"));
}

TEST(DesktopExec, JoinedForMessages)
{
    EXPECT_EQ(joinArguments({"touch", "/tmp/a b", "x\"y"}), "touch \"/tmp/a b\" \"x\\\"y\"");
}
