#include "App/EntryMode.h"

#include <QRegularExpression>

namespace lumivast {

std::optional<qint64> parseWholeNumber(const QString& text)
{
    int i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    if (i == text.size())
        return std::nullopt;
    for (int j = i; j < text.size(); ++j) {
        // Only ASCII digits: QChar::isDigit would let other scripts' digits through.
        if (text[j] < QLatin1Char('0') || text[j] > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

EntryMode chooseEntryMode(const QStringList& arguments)
{
    EntryMode mode;
    mode.classic = arguments.contains(QStringLiteral("classic"));
    if (arguments.contains(QStringLiteral("--probe"))) {
        mode.kind = EntryMode::Kind::probe;
        return mode;
    }
    const qsizetype at = arguments.indexOf(QStringLiteral("--switch"));
    if (at >= 0 && at + 1 < arguments.size()) {
        if (const auto number = parseWholeNumber(arguments[at + 1])) {
            mode.kind = EntryMode::Kind::switchDesktop;
            mode.desktop = *number;
            return mode;
        }
    }
    if (arguments.contains(QStringLiteral("--capture")))
        mode.kind = EntryMode::Kind::capture;
    return mode;
}

QStringList launchURLs(const QStringList& arguments)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    QStringList urls;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--settings")) {
            ++i;
            continue;
        }
        if (!argument.startsWith(QLatin1Char('-')) && scheme.match(argument).hasMatch())
            urls.append(argument);
    }
    return urls;
}

} // namespace lumivast
