// SPDX-License-Identifier: GPL-3.0-or-later
// `brisa add --lines`: many clips from one stream, written the way an import writes them.
#include "app/StoreCommands.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sstream>

using namespace brisa;
namespace fs = std::filesystem;

TEST(StoreCommandsAdd, LinesAreCopiedBackIntoTheStoreFileOnceAtTheEnd)
{
    test::TempDir home;
    const auto store = home / "Brisa" / "Brisa.store";
    std::ostringstream out, err;
    std::istringstream none;
    // No designated initializers: g++ warns about each member they leave out that has no default.
    const StoreCommand history; // the default kind
    ASSERT_EQ(runStoreCommand(history, {out, err, none, home.path(), {}, false}), StoreCommandExit::Ok);
    // Another reader keeps the journal from being folded in when the command closes the store, as
    // a running Brisa does: only the command itself can have copied the clips into the file.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &reader), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "SELECT count(*) FROM ClipItem", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto sizeBefore = fs::file_size(store);

    std::string lines;
    for (int i = 0; i < 300; ++i)
        lines += "línea número " + std::to_string(i) + " de un texto que ocupa algo\n";
    std::istringstream in(lines);
    StoreCommand add;
    add.kind = StoreCommand::Kind::Add;
    add.separator = '\n';
    EXPECT_EQ(runStoreCommand(add, {out, err, in, home.path(), home / "defaults.json", false}), StoreCommandExit::Ok)
        << err.str();
    EXPECT_GT(fs::file_size(store), sizeBefore) << "the clips are still only in the journal";
    sqlite3_close(reader);
}
