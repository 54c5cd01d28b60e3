#pragma once

#include "Core/Commands/SpaceCommand.h"

#include <QString>
#include <QVariant>

// How the bus front ends (scripting commands, properties and intents) read
// their arguments.
namespace lumivast::ScriptingBridge {

// A script's loosely typed Space argument (invalid: none given). Integers:
// 0 is the current Space, else that desktop; other numbers drop their
// fraction (not finite or out of the 64-bit range: current); texts that are a
// whole decimal number name that desktop, 0 included, other texts a Space by
// name, untrimmed; anything else is the current Space.
SpaceCommand::SpaceRef ref(const QVariant& value);

} // namespace lumivast::ScriptingBridge
