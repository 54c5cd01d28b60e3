#include "App/UrlIntake.h"

#include <QRegularExpression>
#include <QUrl>

namespace lumivast::UrlIntake {

std::optional<SpaceCommand> command(const QString& text)
{
    // Strict: text with spaces or stray characters is not a URL.
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid())
        return std::nullopt;
    return SpaceCommand::fromUrl(url);
}

void handle(const QString& text, const std::function<void(const SpaceCommand&)>& perform,
            const std::function<void(const QString& message)>& errorToast)
{
    // Strict: text with spaces or stray characters is not a URL.
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid())
        return;
    if (const std::optional<SpaceCommand> parsed = command(text)) {
        if (perform)
            perform(*parsed);
        return;
    }
    const QString host = url.host();
    if (errorToast)
        errorToast(QStringLiteral("Lumivast does not understand ") + (host.isEmpty() ? text : host));
}

QStringList launchURLs(const QStringList& arguments)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    QStringList urls;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--settings")) {
            ++i;
            continue;
        }
        if (!argument.startsWith(QLatin1Char('-')) && scheme.match(argument).hasMatch())
            urls.append(argument);
    }
    return urls;
}

} // namespace lumivast::UrlIntake
