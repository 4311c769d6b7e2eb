// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stores/StoreText.h"

#include <nlohmann/json.hpp>

#include <array>

namespace brisa {

bool isValidUtf8(std::string_view text)
{
    try {
        (void)nlohmann::json(std::string(text)).dump();
        return true;
    } catch (const nlohmann::json::exception&) {
        return false;
    }
}

std::string validUtf8(std::string_view text)
{
    // The JSON writer already knows every way UTF-8 can be malformed; let it do the replacing.
    auto quoted = nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    auto back = nlohmann::json::parse(quoted, nullptr, /*allow_exceptions=*/false);
    return back.is_string() ? back.get<std::string>() : std::string();
}

namespace {

// UTF-8 forms of tab, space and the Unicode space separators (general category Zs).
constexpr std::array<std::string_view, 18> blanks{
    "\t",           " ",            "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
    "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89",
    "\xE2\x80\x8A", "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80"};

std::size_t leadingBlank(std::string_view text)
{
    for (auto b : blanks)
        if (text.starts_with(b))
            return b.size();
    return 0;
}

std::size_t trailingBlank(std::string_view text)
{
    for (auto b : blanks)
        if (text.ends_with(b))
            return b.size();
    return 0;
}

} // namespace

std::string_view trimBlanks(std::string_view text)
{
    while (auto n = leadingBlank(text))
        text.remove_prefix(n);
    while (auto n = trailingBlank(text))
        text.remove_suffix(n);
    return text;
}

} // namespace brisa
