#pragma once

#include "Core/Commands/CommandSink.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace lumivast::UrlIntake {

// The one reading of a command URL's text, shared by every way a URL comes
// in (the desktop's opener, a second launch, the local API): nothing when the
// text is not a URL or the URL is no command.
std::optional<SpaceCommand> command(const QString& text);

// A lumivast:// URL handed to the running program (by the desktop's URL
// opener or a second launch). A command goes to the sink, which reports its
// own outcome; a URL that is no command, and any lumivast: text the strict
// URL parser rejects, is reported to the sink as "Lumivast does not understand
// <host>" with the host as written (the whole text when it has no host);
// other text that is not a URL is dropped without a word.
void handle(const QString& text, CommandSink& sink);

} // namespace lumivast::UrlIntake
