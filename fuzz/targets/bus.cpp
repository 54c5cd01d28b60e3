// Values that arrive from the session bus: scripting commands' loosely typed
// Space argument, and the command-line subcommands that call the bus.
#include "App/ScriptingBridge.h"
#include "App/Subcommand.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstring>

using namespace lumivast;
using Ref = SpaceCommand::SpaceRef;

namespace {

template <typename T>
T take(const QByteArray& rest)
{
    T value{};
    std::memcpy(&value, rest.constData(), std::min<std::size_t>(sizeof value, std::size_t(rest.size())));
    return value;
}

bool isCurrent(const Ref& ref) { return std::holds_alternative<Ref::Current>(ref.value); }

void checkNumber(const Ref& ref, qint64 n)
{
    if (n == 0)
        fuzz::check(isCurrent(ref), "0 is the current Space");
    else
        fuzz::check(ref == Ref::number(n), "a number names that desktop");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest = fuzz::bytes(data + 1, size - 1);
    switch (data[0] % 8) {
    case 0:
        fuzz::check(isCurrent(ScriptingBridge::ref(QVariant())), "no argument is the current Space");
        break;
    case 1: {
        const auto n = take<qint32>(rest);
        checkNumber(ScriptingBridge::ref(QVariant(n)), n);
        break;
    }
    case 2: {
        const auto n = take<qint64>(rest);
        checkNumber(ScriptingBridge::ref(QVariant(n)), n);
        break;
    }
    case 3: {
        const auto n = take<quint64>(rest);
        const Ref ref = ScriptingBridge::ref(QVariant(n));
        if (n > quint64(std::numeric_limits<qint64>::max()))
            fuzz::check(isCurrent(ref), "out of range is the current Space");
        else
            checkNumber(ref, qint64(n));
        break;
    }
    case 4: {
        const double d = take<double>(rest);
        const Ref ref = ScriptingBridge::ref(QVariant(d));
        const double whole = std::trunc(d);
        if (!std::isfinite(whole) || whole < -9223372036854775808.0 || whole >= 9223372036854775808.0)
            fuzz::check(isCurrent(ref), "out of range is the current Space");
        else
            checkNumber(ref, qint64(std::trunc(d)));
        break;
    }
    case 5:
    case 6: {
        const QString text = data[0] % 8 == 5 ? QString::fromUtf8(rest)
                                              : QString(reinterpret_cast<const QChar*>(rest.constData()), rest.size() / 2);
        const Ref ref = ScriptingBridge::ref(QVariant(text));
        if (const auto* number = std::get_if<Ref::Number>(&ref.value)) {
            bool ok = false;
            fuzz::check(text.toLongLong(&ok) == number->value && ok, "only a whole number names a desktop");
        } else {
            fuzz::check(ref == Ref::name(text), "other text names a Space, untrimmed");
        }
        break;
    }
    case 7: {
        // A subcommand line: arguments separated by NUL, as the shell hands them over.
        QStringList arguments;
        for (const QByteArray& part : rest.split('\0'))
            arguments << QString::fromUtf8(part);
        const auto parsed = Subcommand::parse(arguments);
        if (parsed && *parsed && !(*parsed)->argument.isEmpty())
            fuzz::check(arguments.mid(1).join(QLatin1Char(' ')).contains((*parsed)->argument), "the argument is given verbatim");
        break;
    }
    }
    return 0;
}
