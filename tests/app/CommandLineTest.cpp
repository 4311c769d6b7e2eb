// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace brisa;
using Action = CommandLine::Action;
using Kind = StoreCommand::Kind;

TEST(CommandLine, NoArgumentsRunsTheApp)
{
    EXPECT_EQ(parseCommandLine({}).action, Action::Run);
    EXPECT_EQ(parseCommandLine({"--version"}).action, Action::Version);
    EXPECT_EQ(parseCommandLine({"-h"}).action, Action::Help);
}

TEST(CommandLine, StoreCommandsTakeTheirOptions)
{
    auto h = parseCommandLine({"history", "--limit", "5", "--json"});
    ASSERT_EQ(h.action, Action::Store);
    EXPECT_EQ(h.store.kind, Kind::History);
    EXPECT_EQ(h.store.limit, 5u);
    EXPECT_TRUE(h.store.json);

    auto a = parseCommandLine({"add", "--type", "code", "--", "--not-an-option"});
    EXPECT_EQ(a.store.kind, Kind::Add);
    EXPECT_EQ(a.store.type, "code");
    EXPECT_EQ(a.store.argument, "--not-an-option");

    auto stdinAdd = parseCommandLine({"add"});
    EXPECT_EQ(stdinAdd.action, Action::Store);
    EXPECT_FALSE(stdinAdd.store.argument);

    auto s = parseCommandLine({"search", "@link foo"});
    EXPECT_EQ(s.store.argument, "@link foo");
    EXPECT_EQ(parseCommandLine({"pin", "ABC"}).store.kind, Kind::Pin);
}

TEST(CommandLine, BadUsageIsAnErrorNamingTheProblem)
{
    struct Case {
        std::vector<std::string> args;
        std::string mentions;
    };
    for (const auto& c : std::vector<Case>{
             {{"--frobnicate"}, "--frobnicate"},
             {{"frobnicate"}, "frobnicate"},
             {{"history", "--limit"}, "--limit"},
             {{"history", "--limit", "-3"}, "--limit"},
             {{"history", "--limit", "12abc"}, "--limit"},
             {{"show"}, "ID"},
             {{"delete", "A", "B"}, "B"},
             {{"delete", "A", "--json"}, "--json"},
             {{"add", "--image", "x.png", "text"}, "--image"},
             {{"add", "--type"}, "--type"},
             {{"add", "--lines", "texto"}, "--lines"},
             {{"add", "--null", "--image", "x.png"}, "--null"},
             {{"export", "--since"}, "--since"},
             {{"export", "--image-folder"}, "--image-folder"},
             {{"export", "a.jsonl", "b.jsonl"}, "b.jsonl"},
             {{"import"}, "ARCHIVO"},
             {{"import", "a", "--since", "7d"}, "--since"},
             {{"remind"}, "ID"},
             {{"remind", "ABC"}, "fecha"},
             {{"remind", "ABC", "2026-12-24 09:30", "otra"}, "otra"},
             {{"remind", "ABC", "--clear", "2026-12-24"}, "2026-12-24"},
             {{"remind", "ABC", "--pronto"}, "--pronto"},
             {{"pause", "--for"}, "minutos"},
             {{"pause", "--for", "0"}, "«0»"},
             {{"pause", "--for", "-5"}, "«-5»"},
             {{"pause", "--for", "1.5"}, "«1.5»"},
             {{"pause", "--for", "9999999"}, "«9999999»"},
             {{"pause", "--for", "5", "--for", "6"}, "--for"},
             {{"pause", "ya"}, "ya"},
             {{"resume", "--for", "5"}, "--for"},
             {{"clear", "todo"}, "todo"},
             {{"clear", "--pinned"}, "--pinned"},
         }) {
        auto cl = parseCommandLine(c.args);
        EXPECT_EQ(cl.action, Action::Error) << c.args[0];
        EXPECT_NE(cl.error.find(c.mentions), std::string::npos) << cl.error;
    }
}

TEST(CommandLine, RemindTakesADateOrClear)
{
    auto set = parseCommandLine({"remind", "ABC", "2026-12-24 09:30"});
    ASSERT_EQ(set.action, Action::Store);
    EXPECT_EQ(set.store.kind, Kind::Remind);
    EXPECT_EQ(set.store.argument, "ABC");
    EXPECT_EQ(set.store.when, "2026-12-24 09:30");
    EXPECT_FALSE(set.store.clear);
    auto clear = parseCommandLine({"remind", "--clear", "ABC"});
    ASSERT_EQ(clear.action, Action::Store);
    EXPECT_TRUE(clear.store.clear);
    EXPECT_EQ(clear.store.argument, "ABC");
    EXPECT_EQ(clear.store.when, std::nullopt);
}

TEST(CommandLine, StreamsExportAndImportTakeTheirOptions)
{
    EXPECT_EQ(parseCommandLine({"add", "--lines"}).store.separator, '\n');
    EXPECT_EQ(parseCommandLine({"add", "--null", "--type", "code"}).store.separator, '\0');

    auto e = parseCommandLine({"export", "out.jsonl", "--since", "7d", "--type", "text,link", "--type", "image",
                               "--image-folder"});
    ASSERT_EQ(e.action, Action::Store);
    EXPECT_EQ(e.store.kind, Kind::Export);
    EXPECT_EQ(e.store.argument, "out.jsonl");
    EXPECT_EQ(e.store.since, "7d");
    EXPECT_EQ(e.store.kinds, (std::vector<std::string>{"text", "link", "image"}));
    EXPECT_TRUE(e.store.imageFolder);
    EXPECT_FALSE(parseCommandLine({"export"}).store.argument);

    auto i = parseCommandLine({"import", "-"});
    EXPECT_EQ(i.store.kind, Kind::Import);
    EXPECT_EQ(i.store.argument, "-");
}

TEST(CommandLine, RemoteCommandsNameAnActionOfTheRunningBrisa)
{
    auto toggle = parseCommandLine({"toggle"});
    EXPECT_EQ(toggle.action, Action::Remote);
    EXPECT_EQ(toggle.remote.kind, RemoteCommand::Kind::Toggle);
    auto slot = parseCommandLine({"paste-slot", "7"});
    EXPECT_EQ(slot.remote.kind, RemoteCommand::Kind::PasteSlot);
    EXPECT_EQ(slot.remote.slot, 7);
    EXPECT_EQ(parseCommandLine({"paste-slot", "10"}).action, Action::Error);
    EXPECT_EQ(parseCommandLine({"paste-slot"}).action, Action::Error);
    EXPECT_EQ(parseCommandLine({"bulk-copy", "now"}).action, Action::Error);
    EXPECT_EQ(parseCommandLine({"settings"}).remote.kind, RemoteCommand::Kind::Settings);
    EXPECT_EQ(parseCommandLine({"settings", "general"}).action, Action::Error);
    auto library = parseCommandLine({"library"});
    EXPECT_EQ(library.action, Action::Remote);
    EXPECT_EQ(library.remote.kind, RemoteCommand::Kind::Library);
    EXPECT_EQ(parseCommandLine({"library", "x"}).action, Action::Error);

    struct Case {
        std::vector<std::string> args;
        RemoteCommand::Kind kind;
        int minutes;
    };
    for (const auto& c : std::vector<Case>{{{"pause"}, RemoteCommand::Kind::Pause, 0},
                                           {{"pause", "--for", "45"}, RemoteCommand::Kind::Pause, 45},
                                           {{"resume"}, RemoteCommand::Kind::Resume, 0}}) {
        auto cl = parseCommandLine(c.args);
        ASSERT_EQ(cl.action, Action::Remote) << cl.error;
        EXPECT_EQ(cl.remote.kind, c.kind);
        EXPECT_EQ(cl.remote.minutes, c.minutes);
    }
}

TEST(CommandLine, EveryRemoteCommandHasOneRowOfNameMethodAndStart)
{
    using K = RemoteCommand::Kind;
    struct Case {
        K kind;
        std::string name, method;
        bool startsBrisa, typed;
    };
    for (const auto& c : std::vector<Case>{{K::Toggle, "toggle", "Toggle", true, true},
                                           {K::QuickNote, "quick-note", "QuickNote", true, true},
                                           {K::BulkCopy, "bulk-copy", "BulkCopy", true, true},
                                           {K::PasteSlot, "paste-slot", "PasteSlot", true, true},
                                           {K::Settings, "settings", "Settings", true, true},
                                           {K::Library, "library", "Library", true, true},
                                           {K::Pause, "pause", "Pause", false, true},
                                           {K::Resume, "resume", "Resume", false, true},
                                           {K::ReloadSnippets, "reload-snippets", "ReloadSnippets", false, false}}) {
        const auto& row = remoteCommandInfo(c.kind);
        EXPECT_EQ(row.kind, c.kind) << c.name;
        EXPECT_EQ(row.name, c.name);
        EXPECT_EQ(busMethodName(c.kind), c.method) << c.name;
        EXPECT_EQ(row.startsBrisa, c.startsBrisa) << c.name;
        // What the user types reaches that kind; what brisa sends itself is no command.
        auto args = std::vector<std::string>{c.name};
        if (c.kind == K::PasteSlot)
            args.push_back("1");
        const auto cl = parseCommandLine(args);
        if (c.typed)
            EXPECT_TRUE(cl.action == Action::Remote && cl.remote.kind == c.kind) << c.name << ": " << cl.error;
        else
            EXPECT_EQ(cl.action, Action::Error) << c.name;
    }
}

TEST(CommandLine, ClearKeepsPinnedClipsUnlessAll)
{
    auto clear = parseCommandLine({"clear"});
    ASSERT_EQ(clear.action, Action::Store);
    EXPECT_EQ(clear.store.kind, StoreCommand::Kind::Clear);
    EXPECT_FALSE(clear.store.all);
    EXPECT_TRUE(parseCommandLine({"clear", "--all"}).store.all);
}

TEST(CommandLine, ImageTakesAnOperationAndChecksItsParameter)
{
    using Op = StoreCommand::ImageAction::Op;
    struct Good {
        std::vector<std::string> args;
        Op op;
        double scale;
        std::string format;
        bool json;
    };
    for (const auto& c : std::vector<Good>{
             {{"image", "ABCD", "compress"}, Op::Compress, 1, "", false},
             {{"image", "ABCD", "remove-background", "--json"}, Op::RemoveBackground, 1, "", true},
             {{"image", "ABCD", "resize", "0.5"}, Op::Resize, 0.5, "", false},
             {{"image", "ABCD", "resize", "25%"}, Op::Resize, 0.25, "", false},
             {{"image", "ABCD", "resize", "1"}, Op::Resize, 1, "", false},
             {{"image", "--json", "ABCD", "convert", "tiff"}, Op::Convert, 1, "tiff", true},
         }) {
        auto cl = parseCommandLine(c.args);
        ASSERT_EQ(cl.action, Action::Store) << cl.error;
        EXPECT_EQ(cl.store.kind, Kind::Image);
        EXPECT_EQ(cl.store.argument, "ABCD");
        ASSERT_TRUE(cl.store.image);
        EXPECT_EQ(cl.store.image->op, c.op);
        EXPECT_DOUBLE_EQ(cl.store.image->scale, c.scale);
        EXPECT_EQ(cl.store.image->format, c.format);
        EXPECT_EQ(cl.store.json, c.json);
    }
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"image"}, {"image", "ABCD"}, {"image", "ABCD", "sharpen"}, {"image", "ABCD", "resize"},
             {"image", "ABCD", "resize", "0"}, {"image", "ABCD", "resize", "1.5"}, {"image", "ABCD", "resize", "-0.5"},
             {"image", "ABCD", "resize", "mitad"}, {"image", "ABCD", "convert", "gif"}, {"image", "ABCD", "convert"},
             {"image", "ABCD", "compress", "0.5"}}) {
        EXPECT_EQ(parseCommandLine(args).action, Action::Error) << args.back();
    }
}

TEST(CommandLine, SnippetCommands)
{
    using SK = SnippetCommand::Kind;
    struct Case {
        std::vector<std::string> args;
        SK kind;
        std::string shortcut;
        std::optional<std::string> content;
        bool json = false;
    };
    for (const Case& c : {Case{{"snippet", "list"}, SK::List, "", std::nullopt},
                          Case{{"snippet", "list", "--json"}, SK::List, "", std::nullopt, true},
                          Case{{"snippet", "add", ";firma", "Un saludo"}, SK::Add, ";firma", "Un saludo"},
                          Case{{"snippet", "add", ";firma"}, SK::Add, ";firma", std::nullopt},
                          Case{{"snippet", "add", ";firma", "-"}, SK::Add, ";firma", std::nullopt},
                          Case{{"snippet", "add", "--", "-x", "--json"}, SK::Add, "-x", "--json"},
                          Case{{"snippet", "remove", ";año"}, SK::Remove, ";año", std::nullopt}}) {
        SCOPED_TRACE(c.args[1] + " " + (c.args.size() > 2 ? c.args[2] : ""));
        const auto cl = parseCommandLine(c.args);
        ASSERT_EQ(cl.action, Action::Snippet) << cl.error;
        EXPECT_EQ(cl.snippet.kind, c.kind);
        EXPECT_EQ(cl.snippet.shortcut, c.shortcut);
        EXPECT_EQ(cl.snippet.content, c.content);
        EXPECT_EQ(cl.snippet.json, c.json);
    }
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"snippet"}, {"snippet", "edit"}, {"snippet", "add"}, {"snippet", "remove"},
             {"snippet", "list", "x"}, {"snippet", "add", ";a", "b", "c"}, {"snippet", "add", "--json", ";a", "b"}})
        EXPECT_EQ(parseCommandLine(bad).action, Action::Error) << bad.size();
}
