#include "Core/Windows/BrowserTabs.h"

#include "Platform/Platform.h"

namespace lumivast::BrowserTabs {

bool isSupported(const QString& bundleID)
{
    return bundleID == safari || chromium.contains(bundleID);
}

QString quoted(const QString& text)
{
    // An application's name is not ours to trust: a quote or backslash in it
    // must not end the literal and let the rest be read as script.
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default: out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString script(const QString& applicationName)
{
    return QStringLiteral("tell application ") + quoted(applicationName) + QStringLiteral(" to get URL of every tab of front window");
}

QStringList urls(const QStringList& bundleIDs)
{
    Platform& platform = Platform::current();
    QStringList result;
    for (const QString& bundleID : bundleIDs) {
        if (!isSupported(bundleID))
            continue;
        std::optional<RunningApplication> app;
        for (const RunningApplication& candidate : platform.runningApplications().runningApplications()) {
            if (candidate.bundleID == bundleID) {
                app = candidate;
                break;
            }
        }
        if (!app || !app->localizedName)
            continue;
        const QString source = script(*app->localizedName);
        const auto answer = platform.scripts().run(source);
        if (answer && answer->isList && !answer->items.empty()) {
            for (const ScriptValue& item : answer->items) {
                if (item.text)
                    result << *item.text;
            }
            continue;
        }
        // Not a list with items: asked once more, and a single text is taken as it is.
        if (const auto again = platform.scripts().run(source); again && again->text)
            result << *again->text;
    }
    return result;
}

} // namespace lumivast::BrowserTabs
