#include "Platform/X11/Keys.h"

#include <xcb/xcb_keysyms.h>

#include <map>

namespace lumivast::x11 {

namespace {

// Keysyms (X11/keysymdef.h values).
constexpr std::uint32_t XK_Return = 0xff0d, XK_Tab = 0xff09, XK_BackSpace = 0xff08, XK_Escape = 0xff1b,
                        XK_Delete = 0xffff, XK_Home = 0xff50, XK_Left = 0xff51, XK_Up = 0xff52, XK_Right = 0xff53,
                        XK_Down = 0xff54, XK_Prior = 0xff55, XK_Next = 0xff56, XK_End = 0xff57, XK_F1 = 0xffbe,
                        XK_Shift_L = 0xffe1, XK_Control_L = 0xffe3, XK_Alt_L = 0xffe9, XK_Super_L = 0xffeb,
                        XK_Num_Lock = 0xff7f, XK_KP_Enter = 0xff8d;

const std::map<std::uint16_t, std::uint32_t>& table()
{
    static const std::map<std::uint16_t, std::uint32_t> keys = [] {
        std::map<std::uint16_t, std::uint32_t> k;
        const char letters[] = {'a', 's', 'd', 'f', 'h', 'g', 'z', 'x', 'c', 'v'};
        for (std::uint16_t i = 0; i < 10; ++i)
            k[i] = std::uint32_t(letters[i]);
        const std::pair<std::uint16_t, char> rest[] = {
            {11, 'b'}, {12, 'q'}, {13, 'w'}, {14, 'e'}, {15, 'r'}, {16, 'y'}, {17, 't'}, {18, '1'}, {19, '2'},
            {20, '3'}, {21, '4'}, {22, '6'}, {23, '5'}, {24, '='}, {25, '9'}, {26, '7'}, {27, '-'}, {28, '8'},
            {29, '0'}, {30, ']'}, {31, 'o'}, {32, 'u'}, {33, '['}, {34, 'i'}, {35, 'p'}, {37, 'l'}, {38, 'j'},
            {39, '\''}, {40, 'k'}, {41, ';'}, {42, '\\'}, {43, ','}, {44, '/'}, {45, 'n'}, {46, 'm'}, {47, '.'},
            {49, ' '}, {50, '`'}};
        for (const auto& [code, c] : rest)
            k[code] = std::uint32_t(c);
        k[36] = XK_Return;
        k[48] = XK_Tab;
        k[51] = XK_BackSpace;
        k[53] = XK_Escape;
        k[76] = XK_KP_Enter;
        k[115] = XK_Home;
        k[116] = XK_Prior;
        k[117] = XK_Delete;
        k[119] = XK_End;
        k[121] = XK_Next;
        k[123] = XK_Left;
        k[124] = XK_Right;
        k[125] = XK_Down;
        k[126] = XK_Up;
        const std::uint16_t functionKeys[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
        for (std::uint32_t i = 0; i < 12; ++i)
            k[functionKeys[i]] = XK_F1 + i;
        return k;
    }();
    return keys;
}

} // namespace

std::optional<std::uint32_t> keysymFor(std::uint16_t virtualKey)
{
    const auto it = table().find(virtualKey);
    if (it == table().end())
        return std::nullopt;
    return it->second;
}

xcb_keycode_t keycodeFor(XConnection& x, std::uint32_t keysym)
{
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(x.get());
    if (!symbols)
        return 0;
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const xcb_keycode_t code = codes ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);
    return code;
}

ModifierMap readModifierMap(XConnection& x)
{
    ModifierMap map;
    map.controlKey = keycodeFor(x, XK_Control_L);
    map.shiftKey = keycodeFor(x, XK_Shift_L);
    map.altKey = keycodeFor(x, XK_Alt_L);
    map.superKey = keycodeFor(x, XK_Super_L);
    const xcb_keycode_t numLockKey = keycodeFor(x, XK_Num_Lock);
    Reply<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(x.get(), xcb_get_modifier_mapping(x.get()), nullptr));
    if (reply) {
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
        const int perModifier = reply->keycodes_per_modifier;
        for (int mod = 3; mod < 8; ++mod) { // Mod1 ... Mod5
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t code = codes[mod * perModifier + i];
                if (code == 0)
                    continue;
                const auto bit = std::uint16_t(1u << mod);
                if (code == map.altKey && !map.alt)
                    map.alt = bit;
                if (code == map.superKey && !map.super)
                    map.super = bit;
                if (code == numLockKey && !map.numLock)
                    map.numLock = bit;
            }
        }
    }
    if (!map.alt)
        map.alt = XCB_MOD_MASK_1;
    if (!map.super)
        map.super = XCB_MOD_MASK_4;
    return map;
}

std::uint16_t modifiersFromEventFlags(std::uint64_t flags, const ModifierMap& map)
{
    std::uint16_t m = 0;
    if (flags & 0x20000)
        m |= map.shift;
    if (flags & 0x40000)
        m |= map.control;
    if (flags & 0x80000)
        m |= map.alt;
    if (flags & 0x100000)
        m |= map.super;
    return m;
}

std::uint16_t modifiersFromCarbon(std::uint32_t mask, const ModifierMap& map)
{
    std::uint16_t m = 0;
    if (mask & 0x100)
        m |= map.super;
    if (mask & 0x200)
        m |= map.shift;
    if (mask & 0x800)
        m |= map.alt;
    if (mask & 0x1000)
        m |= map.control;
    return m;
}

std::vector<xcb_keycode_t> modifierKeys(std::uint16_t modifiers, const ModifierMap& map)
{
    std::vector<xcb_keycode_t> keys;
    const std::pair<std::uint16_t, xcb_keycode_t> order[] = {
        {map.control, map.controlKey}, {map.shift, map.shiftKey}, {map.alt, map.altKey}, {map.super, map.superKey}};
    for (const auto& [bit, key] : order) {
        if ((modifiers & bit) && key)
            keys.push_back(key);
    }
    return keys;
}

} // namespace lumivast::x11
