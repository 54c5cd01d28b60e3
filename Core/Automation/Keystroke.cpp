#include "Core/Automation/Keystroke.h"

#include "Platform/Platform.h"

#include <QHash>
#include <QStringList>

namespace lumivast::Keystroke {

namespace {

// The program's key numbers (those of the ANSI layout); two names may share one.
const QHash<QString, quint16>& keyTable()
{
    static const QHash<QString, quint16> table = {
        {"a", 0},        {"s", 1},       {"d", 2},     {"f", 3},      {"h", 4},       {"g", 5},      {"z", 6},
        {"x", 7},        {"c", 8},       {"v", 9},     {"b", 11},     {"q", 12},      {"w", 13},     {"e", 14},
        {"r", 15},       {"y", 16},      {"t", 17},    {"1", 18},     {"2", 19},      {"3", 20},     {"4", 21},
        {"6", 22},       {"5", 23},      {"=", 24},    {"9", 25},     {"7", 26},      {"-", 27},     {"8", 28},
        {"0", 29},       {"]", 30},      {"o", 31},    {"u", 32},     {"[", 33},      {"i", 34},     {"p", 35},
        {"return", 36},  {"enter", 36},  {"l", 37},    {"j", 38},     {"'", 39},      {"k", 40},     {";", 41},
        {"\\", 42},      {",", 43},      {"/", 44},    {"n", 45},     {"m", 46},      {".", 47},     {"tab", 48},
        {"space", 49},   {"`", 50},      {"delete", 51}, {"escape", 53}, {"esc", 53},  {"left", 123}, {"right", 124},
        {"down", 125},   {"up", 126},    {"f1", 122},  {"f2", 120},   {"f3", 99},     {"f4", 118},   {"f5", 96},
        {"f6", 97},      {"f7", 98},     {"f8", 100},  {"f9", 101},   {"f10", 109},   {"f11", 103},  {"f12", 111},
    };
    return table;
}

std::optional<quint64> modifierFlag(const QString& word)
{
    static const QHash<QString, quint64> words = {
        {QStringLiteral("cmd"), kCommand},    {QStringLiteral("command"), kCommand}, {QStringLiteral("\u2318"), kCommand},
        {QStringLiteral("shift"), kShift},    {QStringLiteral("\u21E7"), kShift},
        {QStringLiteral("opt"), kOption},     {QStringLiteral("option"), kOption},   {QStringLiteral("alt"), kOption},
        {QStringLiteral("\u2325"), kOption},
        {QStringLiteral("ctrl"), kControl},   {QStringLiteral("control"), kControl}, {QStringLiteral("\u2303"), kControl},
    };
    const auto it = words.constFind(word);
    if (it == words.constEnd())
        return std::nullopt;
    return *it;
}

// Spaces, tabs and the other space separators; line breaks stay.
bool isBlank(QChar c)
{
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

QString trimmedOfBlanks(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text[start]))
        ++start;
    while (end > start && isBlank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

} // namespace

std::optional<quint16> keyCode(const QString& name)
{
    const auto it = keyTable().constFind(name);
    if (it == keyTable().constEnd())
        return std::nullopt;
    return *it;
}

std::optional<Press> parse(const QString& combination)
{
    quint64 flags = 0;
    std::optional<quint16> key;
    for (const QString& piece : combination.toLower().split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
        // A piece of blanks only becomes an empty token, which names no key.
        const QString token = trimmedOfBlanks(piece);
        if (const auto flag = modifierFlag(token))
            flags |= *flag;
        else
            key = keyCode(token);
    }
    if (!key)
        return std::nullopt;
    return Press{*key, flags};
}

void send(const QString& combination)
{
    const auto press = parse(combination);
    if (!press)
        return;
    EventPoster& events = Platform::current().events();
    for (const bool down : {true, false}) {
        auto event = events.createKeyboardEvent(press->keyCode, down);
        if (!event)
            continue;
        event->flags = press->flags;
        events.post(EventTap::hid, *event);
    }
}

} // namespace lumivast::Keystroke
