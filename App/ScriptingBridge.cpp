#include "App/ScriptingBridge.h"

#include "App/EntryMode.h"

#include <cmath>
#include <limits>

namespace lumivast::ScriptingBridge {

namespace {

SpaceCommand::SpaceRef desktopOrCurrent(qint64 n)
{
    return n == 0 ? SpaceCommand::SpaceRef::current() : SpaceCommand::SpaceRef::number(n);
}

} // namespace

SpaceCommand::SpaceRef ref(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return desktopOrCurrent(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong n = value.toULongLong();
        if (n > qulonglong(std::numeric_limits<qint64>::max()))
            return SpaceCommand::SpaceRef::current();
        return desktopOrCurrent(qint64(n));
    }
    case QMetaType::Float:
    case QMetaType::Double: {
        // Casting a value outside the range (or NaN) would be undefined.
        const double d = std::trunc(value.toDouble());
        if (!std::isfinite(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
            return SpaceCommand::SpaceRef::current();
        return desktopOrCurrent(qint64(d));
    }
    case QMetaType::QString: {
        const QString text = value.toString();
        if (const auto n = parseWholeNumber(text))
            return SpaceCommand::SpaceRef::number(*n);
        return SpaceCommand::SpaceRef::name(text);
    }
    default:
        return SpaceCommand::SpaceRef::current();
    }
}

} // namespace lumivast::ScriptingBridge
