// lumivast:// URLs, as the desktop's opener, a second launch or the local API hand them over.
#include "App/UrlIntake.h"
#include "fuzz/FuzzSupport.h"
#include "tests/support/RecordingFront.h"

using namespace lumivast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ensureApplication();
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    const std::optional<SpaceCommand> parsed = UrlIntake::command(text);
    fuzz::check(UrlIntake::command(text) == parsed, "the same text reads the same");

    test::RecordingFront sink;
    UrlIntake::handle(text, sink);
    const int performed = int(sink.commands.size());
    for (const SpaceCommand& command : sink.commands)
        fuzz::check(parsed && command == *parsed, "what is performed is what the text reads as");
    QStringList toasts;
    for (const QString& call : sink.calls)
        toasts << call.mid(QStringLiteral("reportError ").size());
    fuzz::check(performed + toasts.size() <= 1, "one outcome at most");
    if (parsed)
        fuzz::check(performed == 1, "a command is performed");
    else if (!text.isEmpty() && text.startsWith(QLatin1String("lumivast:"), Qt::CaseInsensitive))
        fuzz::check(toasts.size() == 1, "text meant for this program is answered");
    for (const QString& toast : toasts)
        fuzz::check(toast.startsWith(QLatin1String("Lumivast does not understand ")), "the refusal's wording");
    return 0;
}
