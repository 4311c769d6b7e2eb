// SPDX-License-Identifier: GPL-3.0-or-later
// A damaged store met by a command: said on standard error, with the command's own exit code.
#include "app/StoreCommands.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace brisa;
namespace fs = std::filesystem;

TEST(StoreCommandsDamage, AStoreMovedAsideIsReportedAndTheCommandStillRuns)
{
    // No designated initializers: g++ warns about each member they leave out that has no default.
    const auto command = [](StoreCommand::Kind kind, std::optional<std::string> argument = {}) {
        StoreCommand c;
        c.kind = kind;
        c.argument = std::move(argument);
        return c;
    };
    struct Case {
        StoreCommand command;
        int exit;
    };
    const std::vector<Case> cases{
        {command(StoreCommand::Kind::History), StoreCommandExit::Ok},
        {command(StoreCommand::Kind::Show, "ABCDEF"), StoreCommandExit::NotFound},
    };
    for (const auto& c : cases) {
        test::TempDir home;
        fs::create_directories(home / "Brisa");
        test::writeFile(home / "Brisa" / "Brisa.store", std::string(4096, 'Z'));
        std::ostringstream out, err;
        std::istringstream in;
        const int rc = runStoreCommand(c.command, {out, err, in, home.path(), home / "defaults.json", false});
        EXPECT_EQ(rc, c.exit);
        EXPECT_NE(err.str().find("apartado como Brisa.store.corrupt-"), std::string::npos) << err.str();
        EXPECT_NE(err.str().find((home / "Brisa" / "Brisa.store").string()), std::string::npos) << err.str();

        // Said once: the next command finds a sound store and says nothing.
        std::ostringstream out2, err2;
        EXPECT_EQ(runStoreCommand(command(StoreCommand::Kind::History), {out2, err2, in, home.path(), {}, false}),
                  StoreCommandExit::Ok);
        EXPECT_EQ(err2.str(), "");
    }
}
