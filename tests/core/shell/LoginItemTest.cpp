// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shell/LoginItem.h"
#include "core/support/AtomicFile.h"
#include "core/support/XdgPaths.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using namespace brisa;
namespace fs = std::filesystem;

namespace {

const fs::path brisaExe = "/usr/bin/brisa";

std::string readFile(const fs::path& p) { return readWholeFile(p).value_or("<missing>"); }

// What a desktop session does with an Exec value: string-value escapes first, then the quoting
// rule, then "%%". Only enough to read back one argument.
std::string decodeExecArgument(const std::string& value)
{
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char n = value[++i];
            unescaped += n == 'n' ? '\n' : n == 't' ? '\t' : n == 'r' ? '\r' : n == 's' ? ' ' : n;
        } else {
            unescaped += value[i];
        }
    }
    std::string arg;
    if (!unescaped.empty() && unescaped.front() == '"') {
        for (std::size_t i = 1; i + 1 < unescaped.size(); ++i) {
            if (unescaped[i] == '\\')
                ++i;
            arg += unescaped[i];
        }
    } else {
        arg = unescaped;
    }
    std::string out;
    for (std::size_t i = 0; i < arg.size(); ++i) {
        out += arg[i];
        if (arg[i] == '%' && i + 1 < arg.size() && arg[i + 1] == '%')
            ++i;
    }
    return out;
}

std::string execLine(const std::string& entry)
{
    auto at = entry.find("\nExec=");
    if (at == std::string::npos)
        return {};
    at += 6;
    return entry.substr(at, entry.find('\n', at) - at);
}

class LoginItemTest : public ::testing::Test {
protected:
    test::TempDir config;
    test::LogCapture log;
    // No PATH: the entry names the program by its full path whatever this machine has installed.
    LoginItem item{config.path(), brisaExe, ""};

    fs::path own() const { return config.path() / "autostart" / "brisa.desktop"; }
    fs::path legacy() const { return config.path() / "autostart" / "pinbox.desktop"; }
    void put(const fs::path& p, const std::string& text) { ASSERT_FALSE(writeFileAtomically(p, text)); }
};

} // namespace

TEST_F(LoginItemTest, EnablingOnAFreshAccountCreatesTheFolderAndTheEntry)
{
    ASSERT_FALSE(fs::exists(config.path() / "autostart"));
    item.setEnabled(true);
    EXPECT_EQ(readFile(own()), "[Desktop Entry]\n"
                               "Type=Application\n"
                               "Version=1.4\n"
                               "Name=Brisa\n"
                               "Exec=/usr/bin/brisa\n"
                               "Terminal=false\n"
                               "X-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Brisa] Entrada de inicio automático escrita en " + own().string()});
    struct stat st{};
    ASSERT_EQ(::stat(own().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    // Desktops skip entries their validator rejects, so the entry must pass it where it is installed.
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("desktop-file-validate '" + own().string() + "'").c_str()), 0);
    }
}

TEST_F(LoginItemTest, FollowsXdgConfigHome)
{
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    LoginItem fromEnv(xdgConfigHome(), brisaExe, "");
    fromEnv.setEnabled(true);
    old ? ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(fs::exists(own()));
}

TEST_F(LoginItemTest, EnablingAgainReplacesWhateverWasThere)
{
    put(own(), "[Desktop Entry]\nExec=/old/brisa\n");
    item.setEnabled(true);
    EXPECT_EQ(execLine(readFile(own())), "/usr/bin/brisa");
}

TEST_F(LoginItemTest, DisablingRemovesTheEntryQuietlyAndWithNoEntryIsNoError)
{
    item.setEnabled(false);
    EXPECT_TRUE(log.lines().empty());
    item.setEnabled(true);
    const auto before = log.lines().size();
    item.setEnabled(false);
    EXPECT_FALSE(fs::exists(own()));
    EXPECT_EQ(log.lines().size(), before);
}

TEST_F(LoginItemTest, ARelativeProgramPathIsRefusedWithALogLine)
{
    LoginItem relative(config.path(), "brisa", "");
    EXPECT_FALSE(relative.writeEntry());
    EXPECT_FALSE(fs::exists(own()));
    EXPECT_TRUE(log.contains("[Brisa] Error escribiendo la entrada de inicio automático: "));
}

TEST_F(LoginItemTest, AFailedWriteIsLoggedAndLeavesNoEntry)
{
    put(config.path() / "autostart", "a file where the folder should be");
    item.setEnabled(true);
    EXPECT_TRUE(log.contains("[Brisa] Error escribiendo la entrada de inicio automático: "));
    EXPECT_FALSE(log.contains("escrita en"));
}

TEST_F(LoginItemTest, DropLegacyDoesNothingWithoutItAndAloneRetiresItAndWritesOurs)
{
    item.dropLegacyAgent();
    EXPECT_FALSE(fs::exists(own()));
    EXPECT_TRUE(log.lines().empty());

    put(legacy(), "[Desktop Entry]\nExec=pinbox\n");
    item.dropLegacyAgent();
    EXPECT_FALSE(fs::exists(legacy()));
    EXPECT_EQ(execLine(readFile(own())), "/usr/bin/brisa");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "[Brisa] Entrada de inicio automático de Pinbox retirada",
                               "[Brisa] Entrada de inicio automático escrita en " + own().string(),
                           }));
}

TEST_F(LoginItemTest, DropLegacyWithBothLeavesOursUntouched)
{
    put(legacy(), "[Desktop Entry]\nExec=pinbox\n");
    put(own(), "mine");
    item.dropLegacyAgent();
    EXPECT_FALSE(fs::exists(legacy()));
    EXPECT_EQ(readFile(own()), "mine");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Brisa] Entrada de inicio automático de Pinbox retirada"});
}

TEST_F(LoginItemTest, DropLegacyRemovesADanglingLink)
{
    fs::create_directories(config.path() / "autostart");
    fs::create_symlink(config.path() / "gone.desktop", legacy());
    item.dropLegacyAgent();
    EXPECT_FALSE(fs::exists(fs::symlink_status(legacy())));
    EXPECT_TRUE(fs::exists(own()));
}

// A program reached through PATH as an installed one is: the entry then names it bare.
struct PathCase {
    const char* name;
    std::string searchPath; // "@" stands for the temporary folder
    std::string runningFrom;
    bool bare;
};

class AutostartProgramTest : public ::testing::TestWithParam<PathCase> {
protected:
    test::TempDir root;
    void SetUp() override
    {
        for (const char* dir : {"usr/bin", "usr/local/bin", "build/src/app"}) {
            test::writeFile(root / dir / "brisa", "#!/bin/sh\n");
            fs::permissions(root / dir / "brisa", fs::perms(0755));
        }
        test::writeFile(root / "plain/brisa", "not executable");
        fs::permissions(root / "plain/brisa", fs::perms(0644));
        fs::create_directory_symlink(root / "usr/bin", root / "bin");
    }
    std::string expand(std::string s) const
    {
        for (auto at = s.find('@'); at != std::string::npos; at = s.find('@', at + 1))
            s.replace(at, 1, root.path().string());
        return s;
    }
};

TEST_P(AutostartProgramTest, ExecIsBareOnlyWhenPathFindsThisProgram)
{
    const auto& c = GetParam();
    const fs::path exe = root / c.runningFrom / "brisa";
    const auto entry = autostartEntryText(exe, expand(c.searchPath));
    ASSERT_TRUE(entry.text) << entry.error;
    EXPECT_EQ(execLine(*entry.text), c.bare ? std::string("brisa") : exe.string());
}

INSTANTIATE_TEST_SUITE_P(
    Installs, AutostartProgramTest,
    ::testing::Values(PathCase{"Installed", "@/usr/local/sbin:@/usr/bin:@/sbin", "usr/bin", true},
                      PathCase{"RunFromTheBuild", "@/usr/local/bin:@/usr/bin", "build/src/app", false},
                      PathCase{"AnotherBrisaComesFirst", "@/usr/local/bin:@/usr/bin", "usr/bin", false},
                      PathCase{"ThroughALinkedFolder", "@/bin", "usr/bin", true},
                      PathCase{"NotExecutableIsSkipped", "@/plain:@/usr/bin", "usr/bin", true},
                      PathCase{"RelativeEntriesAreSkipped", "bin:::usr/bin", "usr/bin", false},
                      PathCase{"EmptyPath", "", "usr/bin", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoginItemTest, WithoutAGivenPathTheEnvironmentsPathIsUsed)
{
    test::TempDir bin;
    test::writeFile(bin / "brisa", "#!/bin/sh\n");
    fs::permissions(bin / "brisa", fs::perms(0755));
    const char* old = std::getenv("PATH");
    const std::string saved = old ? old : "";
    ::setenv("PATH", bin.path().c_str(), 1);
    LoginItem(config.path(), bin / "brisa").setEnabled(true);
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(execLine(readFile(own())), "brisa");
}

struct ExecCase {
    std::string path;
    std::string written;
};

class DesktopExecArgumentTest : public ::testing::TestWithParam<ExecCase> {};

TEST_P(DesktopExecArgumentTest, IsQuotedAndEscapedAndReadsBack)
{
    const auto& c = GetParam();
    const auto written = desktopExecArgument(c.path);
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, c.written);
    EXPECT_EQ(decodeExecArgument(*written), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DesktopExecArgumentTest,
    ::testing::Values(ExecCase{"/usr/bin/brisa", "/usr/bin/brisa"},
                      ExecCase{"/opt/año/brisa", "/opt/año/brisa"},
                      ExecCase{"/home/ana/Mis Programas/brisa", "\"/home/ana/Mis Programas/brisa\""},
                      ExecCase{"/opt/say \"hi\"/brisa", R"("/opt/say \\"hi\\"/brisa")"},
                      ExecCase{"/opt/a\\b/brisa", R"("/opt/a\\\\b/brisa")"},
                      ExecCase{"/opt/$HOME/`x`/brisa", R"("/opt/\\$HOME/\\`x\\`/brisa")"},
                      ExecCase{"/opt/100%/brisa", "/opt/100%%/brisa"},
                      ExecCase{"/opt/it's;(x)/brisa", "\"/opt/it's;(x)/brisa\""},
                      ExecCase{"/opt/a\nb\tc/brisa", R"("/opt/a\nb\tc/brisa")"},
                      ExecCase{"", "\"\""}));

TEST(DesktopExecArgument, RefusesWhatAnEntryCannotCarry)
{
    EXPECT_FALSE(desktopExecArgument("/opt/\xff/brisa"));
    EXPECT_FALSE(desktopExecArgument(std::string("/opt/a\0b", 8)));
    EXPECT_FALSE(desktopExecArgument("/opt/\x1b[31m/brisa"));
    EXPECT_FALSE(desktopExecArgument("/opt/\x7f/brisa"));
}

TEST(AutostartEntryText, RefusesAPathThatIsNotUtf8)
{
    const auto entry = autostartEntryText("/opt/\xc3/brisa");
    EXPECT_FALSE(entry.text);
    EXPECT_FALSE(entry.error.empty());
}

TEST(RunningExecutable, NamesThisTestProgram)
{
    const auto exe = runningExecutable();
    ASSERT_TRUE(exe);
    EXPECT_TRUE(exe->is_absolute());
    EXPECT_EQ(*exe, fs::canonical("/proc/self/exe"));
}
