#pragma once

#include <QStringList>

#include <optional>

namespace lumivast {

// What the executable does with its arguments, decided before any
// application object exists.
struct EntryMode {
    enum class Kind { probe, switchDesktop, capture, normal };
    Kind kind = Kind::normal;
    qint64 desktop = 0;   // switchDesktop: the number after "--switch"
    bool classic = false; // "classic" anywhere among the arguments
};

// An optional sign and one or more decimal digits, nothing else, within the
// 64-bit range.
std::optional<qint64> parseWholeNumber(const QString& text);

// `arguments` without the program name. The first matching test wins:
// "--probe", then "--switch" followed by a whole number, then "--capture",
// then the normal start.
EntryMode chooseEntryMode(const QStringList& arguments);

// The arguments of a launch that are URLs (they start with a scheme), in
// order. Options and the value after "--settings" are not. `arguments`
// with the program name.
QStringList launchURLs(const QStringList& arguments);

} // namespace lumivast
