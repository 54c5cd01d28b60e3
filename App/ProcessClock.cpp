#include "App/ProcessClock.h"

#include <QFile>
#include <QList>

#include <ctime>
#include <unistd.h>

namespace lumivast {

double millisecondsSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The command name may hold spaces; the fields after it are plain numbers.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    constexpr int kStartTime = 22 - 3; // field 22, counted after pid and name
    if (fields.size() <= kStartTime)
        return -1;
    bool ok = false;
    const double ticks = fields[kStartTime].toDouble(&ok);
    const long hz = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (!ok || hz <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return -1;
    return (double(now.tv_sec) + double(now.tv_nsec) / 1e9 - ticks / double(hz)) * 1000.0;
}

} // namespace lumivast
