#pragma once

#include "Core/Commands/SpaceCommand.h"

#include <QString>
#include <QVariant>

#include <functional>

// The hooks through which the bus front ends (scripting commands, properties
// and intents) reach the program without knowing the delegate. The delegate
// fills them once while launching; until then commands do nothing and the
// questions answer "", 0 and "".
namespace lumivast::ScriptingBridge {

struct Hooks {
    std::function<void(const SpaceCommand&)> handler;
    std::function<QString()> currentName;
    std::function<qint64()> currentNumber;
    std::function<QString()> allNames;
};

// The process-wide hooks; main thread only.
Hooks& hooks();

// What the front ends call: the hooks, or their defaults while unset.
void perform(const SpaceCommand& command);
QString currentName();
qint64 currentNumber();
QString allNames();

// A script's loosely typed Space argument (invalid: none given). Integers:
// 0 is the current Space, else that desktop; other numbers drop their
// fraction (not finite or out of the 64-bit range: current); texts that are a
// whole decimal number name that desktop, 0 included, other texts a Space by
// name, untrimmed; anything else is the current Space.
SpaceCommand::SpaceRef ref(const QVariant& value);

} // namespace lumivast::ScriptingBridge
