#pragma once

#include <QString>

namespace lumivast {

// Spaces and tabs off both ends, nothing else: line breaks and other white space stay, so that what a header or a
// typed URL carries inside is never silently changed.
inline QString trimmedSpacesAndTabs(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace lumivast
