// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SnippetCommands.h"

#include "app/StoreCommands.h"
#include "core/stores/TextSnippetStore.h"
#include "core/support/Log.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace brisa {
namespace {

/// The store's own rule: a shortcut without the leading ";" gets one.
std::string storedShortcut(const std::string& shortcut) { return shortcut.starts_with(";") ? shortcut : ";" + shortcut; }

void printList(const TextSnippetStore& store, bool json, std::ostream& out)
{
    if (json) {
        auto array = nlohmann::json::array();
        for (const auto& s : store.snippets())
            array.push_back({{"id", s.id.toString()}, {"shortcut", s.shortcut}, {"content", s.content}});
        out << array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        return;
    }
    for (const auto& s : store.snippets()) {
        // One line a snippet: line breaks in the text are shown as "\n".
        std::string content;
        for (char c : s.content)
            content += c == '\n' ? std::string("\\n") : std::string(1, c);
        out << s.shortcut << "\t" << content << "\n";
    }
}

} // namespace

int runSnippetCommand(const SnippetCommand& cmd, const SnippetCommandContext& ctx)
{
    std::vector<std::string> logged;
    setLogSink([&logged](std::string_view line) { logged.emplace_back(line); });
    struct RestoreSink {
        ~RestoreSink() { setLogSink({}); }
    } restore;

    SystemClock clock;
    UserDefaults defaults(ctx.defaultsFile, clock);
    // The settings file was unreadable and moved aside: say so, the command goes on with none.
    for (const auto& line : logged)
        ctx.err << line << "\n";
    TextSnippetStore store(defaults);

    using K = SnippetCommand::Kind;
    switch (cmd.kind) {
    case K::List:
        printList(store, cmd.json, ctx.out);
        return StoreCommandExit::Ok;
    case K::Add: {
        std::string content;
        if (cmd.content)
            content = *cmd.content;
        else
            content.assign(std::istreambuf_iterator<char>(ctx.in), std::istreambuf_iterator<char>());
        const std::string shortcut = storedShortcut(cmd.shortcut);
        if (content.empty()) {
            ctx.err << "brisa: el snippet necesita un texto\n";
            return StoreCommandExit::Usage;
        }
        const auto& list = store.snippets();
        if (std::any_of(list.begin(), list.end(), [&](const TextSnippet& s) { return s.shortcut == shortcut; })) {
            ctx.err << "brisa: ya hay un snippet con el atajo «" << shortcut << "»\n";
            return StoreCommandExit::Usage;
        }
        store.add(shortcut, content);
        break;
    }
    case K::Remove: {
        const auto& list = store.snippets();
        auto it = std::find_if(list.begin(), list.end(), [&](const TextSnippet& s) { return s.shortcut == cmd.shortcut; });
        if (it == list.end())
            it = std::find_if(list.begin(), list.end(),
                              [&](const TextSnippet& s) { return s.shortcut == storedShortcut(cmd.shortcut); });
        if (it == list.end()) {
            ctx.err << "brisa: no hay ningún snippet con el atajo «" << cmd.shortcut << "»\n";
            return StoreCommandExit::NotFound;
        }
        store.remove(*it);
        break;
    }
    }
    if (ctx.tellRunning)
        ctx.tellRunning();
    return StoreCommandExit::Ok;
}

} // namespace brisa
