#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace lumivast {

enum class SwitchMode { instant, classic };
enum class DesktopShortcutModifier { off, controlOption, controlCommand, optionCommand, hyper };
enum class OverlayHotKeyPreset { optionTab, controlOptionSpace, optionBacktick, commandOptionSpace, f13 };
enum class DesktopLabelPosition { bottomLeft, bottomRight, topLeft, topRight, center };
enum class HUDSize { small, regular, large };
enum class HUDPosition { top, center, bottom };
enum class MenuBarStyle { name, number, numberAndName, iconOnly, strip, dots };
enum class HotCorner { none, topLeft, topRight, bottomLeft, bottomRight };

// Cases in declaration order with their raw values (always the case name) and
// the case a reader uses when the stored text names none.
template <typename E>
struct EnumCases;

#define LUMIVAST_ENUM_CASES(E, Fallback, ...)                                                  \
    template <>                                                                                \
    struct EnumCases<E> {                                                                      \
        using enum E;                                                                          \
        static constexpr auto all = std::to_array<std::pair<E, std::string_view>>({__VA_ARGS__}); \
        static constexpr E fallback = Fallback;                                                \
    };

LUMIVAST_ENUM_CASES(SwitchMode, instant, {instant, "instant"}, {classic, "classic"})
LUMIVAST_ENUM_CASES(DesktopShortcutModifier, off, {off, "off"}, {controlOption, "controlOption"},
                    {controlCommand, "controlCommand"}, {optionCommand, "optionCommand"}, {hyper, "hyper"})
LUMIVAST_ENUM_CASES(OverlayHotKeyPreset, optionTab, {optionTab, "optionTab"}, {controlOptionSpace, "controlOptionSpace"},
                    {optionBacktick, "optionBacktick"}, {commandOptionSpace, "commandOptionSpace"}, {f13, "f13"})
LUMIVAST_ENUM_CASES(DesktopLabelPosition, bottomLeft, {bottomLeft, "bottomLeft"}, {bottomRight, "bottomRight"},
                    {topLeft, "topLeft"}, {topRight, "topRight"}, {center, "center"})
LUMIVAST_ENUM_CASES(HUDSize, regular, {small, "small"}, {regular, "regular"}, {large, "large"})
LUMIVAST_ENUM_CASES(HUDPosition, top, {top, "top"}, {center, "center"}, {bottom, "bottom"})
LUMIVAST_ENUM_CASES(MenuBarStyle, name, {name, "name"}, {number, "number"}, {numberAndName, "numberAndName"},
                    {iconOnly, "iconOnly"}, {strip, "strip"}, {dots, "dots"})
LUMIVAST_ENUM_CASES(HotCorner, none, {none, "none"}, {topLeft, "topLeft"}, {topRight, "topRight"},
                    {bottomLeft, "bottomLeft"}, {bottomRight, "bottomRight"})

#undef LUMIVAST_ENUM_CASES

template <typename E>
constexpr auto allCases()
{
    std::array<E, EnumCases<E>::all.size()> cases{};
    for (std::size_t i = 0; i < cases.size(); ++i)
        cases[i] = EnumCases<E>::all[i].first;
    return cases;
}

template <typename E>
QString rawValue(E value)
{
    for (const auto& [c, text] : EnumCases<E>::all) {
        if (c == value)
            return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    }
    return {};
}

// Exact, case-sensitive match of a case name.
template <typename E>
std::optional<E> fromRawValue(QStringView text)
{
    for (const auto& [c, name] : EnumCases<E>::all) {
        if (text == QLatin1String(name.data(), static_cast<qsizetype>(name.size())))
            return c;
    }
    return std::nullopt;
}

template <typename E>
E fromRawValueOrFallback(QStringView text)
{
    return fromRawValue<E>(text).value_or(EnumCases<E>::fallback);
}

// How much the switch HUD scales its layout.
constexpr double scale(HUDSize size)
{
    switch (size) {
    case HUDSize::small:
        return 0.8;
    case HUDSize::regular:
        return 1.0;
    case HUDSize::large:
        return 1.5;
    }
    return 1.0;
}

// The styles that draw one cell per Space instead of a single title.
constexpr bool showsAllSpaces(MenuBarStyle style)
{
    return style == MenuBarStyle::strip || style == MenuBarStyle::dots;
}

} // namespace lumivast
