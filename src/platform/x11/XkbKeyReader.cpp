// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/XkbKeyReader.h"

#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

namespace brisa {
namespace {

std::string localeFromEnvironment()
{
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (const char* value = std::getenv(name); value && *value)
            return value;
    return "C";
}

bool isModifier(xkb_keysym_t sym)
{
    return (sym >= XKB_KEY_Shift_L && sym <= XKB_KEY_Hyper_R) ||
           (sym >= XKB_KEY_ISO_Lock && sym <= XKB_KEY_ISO_Last_Group_Lock) || sym == XKB_KEY_Mode_switch ||
           sym == XKB_KEY_Num_Lock || sym == XKB_KEY_Scroll_Lock;
}

bool isNavigation(xkb_keysym_t sym)
{
    return (sym >= XKB_KEY_Home && sym <= XKB_KEY_End) || (sym >= XKB_KEY_KP_Home && sym <= XKB_KEY_KP_End);
}

bool isDeadKey(xkb_keysym_t sym) { return sym >= XKB_KEY_dead_grave && sym <= XKB_KEY_dead_greek; }

std::string utf8Of(xkb_state* state, std::uint32_t keycode)
{
    char text[64] = {};
    const int n = xkb_state_key_get_utf8(state, keycode, text, sizeof text);
    return n > 0 && static_cast<std::size_t>(n) < sizeof text ? std::string(text, static_cast<std::size_t>(n))
                                                              : std::string();
}

} // namespace

XkbKeyReader::XkbKeyReader(const std::string& locale)
    : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
    if (!context_)
        return;
    const std::string name = locale.empty() ? localeFromEnvironment() : locale;
    composeTable_ = xkb_compose_table_new_from_locale(context_, name.c_str(), XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (!composeTable_) // an unknown locale: the common table still composes dead keys
        composeTable_ = xkb_compose_table_new_from_locale(context_, "en_US.UTF-8", XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (composeTable_)
        compose_ = xkb_compose_state_new(composeTable_, XKB_COMPOSE_STATE_NO_FLAGS);
}

XkbKeyReader::~XkbKeyReader()
{
    xkb_compose_state_unref(compose_);
    xkb_compose_table_unref(composeTable_);
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

bool XkbKeyReader::setKeymap(xkb_keymap* keymap)
{
    if (!keymap)
        return false;
    xkb_state* state = xkb_state_new(keymap);
    if (!state) {
        xkb_keymap_unref(keymap);
        return false;
    }
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    keymap_ = keymap;
    state_ = state;
    if (compose_)
        xkb_compose_state_reset(compose_);
    return true;
}

bool XkbKeyReader::setLayout(const std::string& layout, const std::string& variant)
{
    if (!context_)
        return false;
    xkb_rule_names names{};
    names.rules = "evdev";
    names.model = "pc105";
    names.layout = layout.c_str();
    names.variant = variant.c_str();
    return setKeymap(xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

void XkbKeyReader::setState(std::uint32_t baseMods, std::uint32_t latchedMods, std::uint32_t lockedMods,
                            std::uint32_t baseGroup, std::uint32_t latchedGroup, std::uint32_t lockedGroup)
{
    if (state_)
        xkb_state_update_mask(state_, baseMods, latchedMods, lockedMods, baseGroup, latchedGroup, lockedGroup);
}

ObservedKey XkbKeyReader::read(std::uint32_t keycode, bool down)
{
    ObservedKey key{.down = down, .code = keycode};
    if (!state_)
        return key;
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(state_, keycode);
    key.modifiers = xkb_state_serialize_mods(state_, XKB_STATE_MODS_EFFECTIVE) & 0xFF;
    key.chord = xkb_state_mod_name_is_active(state_, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0 ||
                xkb_state_mod_name_is_active(state_, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0 ||
                xkb_state_mod_name_is_active(state_, XKB_MOD_NAME_LOGO, XKB_STATE_MODS_EFFECTIVE) > 0;

    if (isModifier(sym)) {
        key.kind = ObservedKey::Kind::Modifier;
    } else if (sym == XKB_KEY_BackSpace) {
        key.kind = ObservedKey::Kind::BackSpace;
    } else if (sym == XKB_KEY_space || sym == XKB_KEY_KP_Space) {
        key = {ObservedKey::Kind::Delimiter, down, " ", Delimiter::Space, key.chord, keycode, key.modifiers};
    } else if (sym == XKB_KEY_Tab || sym == XKB_KEY_ISO_Left_Tab || sym == XKB_KEY_KP_Tab) {
        key = {ObservedKey::Kind::Delimiter, down, "\t", Delimiter::Tab, key.chord, keycode, key.modifiers};
    } else if (sym == XKB_KEY_Return) {
        key = {ObservedKey::Kind::Delimiter, down, "\n", Delimiter::Return, key.chord, keycode, key.modifiers};
    } else if (sym == XKB_KEY_KP_Enter) {
        key = {ObservedKey::Kind::Delimiter, down, "\n", Delimiter::KeypadEnter, key.chord, keycode, key.modifiers};
    } else if (isNavigation(sym)) {
        key.kind = ObservedKey::Kind::Navigation;
    } else if (isDeadKey(sym)) {
        key.kind = ObservedKey::Kind::Text; // its character comes with the next key
    } else {
        key.text = utf8Of(state_, keycode);
        const auto c = key.text.empty() ? 0 : static_cast<unsigned char>(key.text[0]);
        key.kind = key.text.empty() || c < 0x20 || c == 0x7F ? ObservedKey::Kind::Other : ObservedKey::Kind::Text;
        if (key.kind != ObservedKey::Kind::Text)
            key.text.clear();
    }

    if (down && compose_ && !key.chord && key.kind != ObservedKey::Kind::Modifier) {
        xkb_compose_state_feed(compose_, sym);
        switch (xkb_compose_state_get_status(compose_)) {
        case XKB_COMPOSE_COMPOSING:
            key.kind = ObservedKey::Kind::Text;
            key.text.clear();
            break;
        case XKB_COMPOSE_COMPOSED: {
            char text[64] = {};
            const int n = xkb_compose_state_get_utf8(compose_, text, sizeof text);
            key.kind = ObservedKey::Kind::Text;
            key.text = n > 0 && static_cast<std::size_t>(n) < sizeof text ? std::string(text, static_cast<std::size_t>(n))
                                                                          : std::string();
            xkb_compose_state_reset(compose_);
            break;
        }
        case XKB_COMPOSE_CANCELLED:
            xkb_compose_state_reset(compose_);
            break;
        case XKB_COMPOSE_NOTHING:
            break;
        }
    }

    xkb_state_update_key(state_, keycode, down ? XKB_KEY_DOWN : XKB_KEY_UP);
    return key;
}

} // namespace brisa
