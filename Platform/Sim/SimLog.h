#pragma once

#include <QtGlobal>

#include <iterator>

namespace lumivast {

// The simulated system's call logs keep their latest entries only: the
// program runs on the simulation for as long as the user likes, and a log
// that grew with every call would grow without end.
inline constexpr qsizetype kSimLogLimit = 4096;

// Drops the oldest entries once the log holds twice the limit, so the cost per entry stays constant.
template <class List>
List& keepRecent(List& log)
{
    const auto size = qsizetype(std::size(log));
    if (size > 2 * kSimLogLimit)
        log.erase(log.begin(), log.begin() + (size - kSimLogLimit));
    return log;
}

} // namespace lumivast
