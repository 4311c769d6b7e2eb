// SPDX-License-Identifier: GPL-3.0-or-later
// The stored small lists as found in the defaults file: any value must load (or be ignored) and
// the stores must keep working on top of it.
#include "core/settings/UserDefaults.h"
#include "core/stores/LauncherStore.h"
#include "core/stores/SpaceStore.h"
#include "core/stores/TextSnippetStore.h"
#include "core/support/Log.h"

#include <cstdint>
#include <string>

namespace {

void exercise(const nlohmann::json& value, const std::string& text)
{
    using namespace brisa;
    {
        UserDefaults d;
        d.set(SpaceStore::key, value);
        SpaceStore store(d);
        store.add(text, "folder");
        if (!store.spaces().empty())
            store.remove(store.spaces().front());
    }
    {
        UserDefaults d;
        d.set(TextSnippetStore::key, value);
        TextSnippetStore store(d);
        (void)store.match(text);
        store.add(text, "x");
        (void)store.match(text);
        if (!store.snippets().empty())
            store.remove(store.snippets().back());
    }
    {
        UserDefaults d;
        d.set(LauncherStore::key, value);
        LauncherStore store(d);
        (void)store.tileCount();
        store.add("/usr/bin/" + text);
        store.save();
        if (!store.apps().empty())
            store.remove(store.apps().front());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    brisa::setLogSink([](std::string_view) {});
    const std::string text(reinterpret_cast<const char*>(data), size);
    // As written by Brisa: a string holding JSON text.
    exercise(nlohmann::json(text), text);
    // As a hand edit might leave it: the JSON itself.
    auto raw = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!raw.is_discarded())
        exercise(raw, text);
    return 0;
}
