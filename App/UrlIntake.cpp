#include "App/UrlIntake.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QUrl>

namespace lumivast::UrlIntake {

namespace {

// The host part of `text` as written: QUrl lower-cases hosts and gives none
// for a URL it rejects.
QString hostAsGiven(const QString& text)
{
    static const QRegularExpression authority(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://([^/?#]*)"));
    const QRegularExpressionMatch match = authority.match(text);
    if (!match.hasMatch())
        return {};
    QString host = match.captured(1);
    host.remove(0, host.lastIndexOf(QLatin1Char('@')) + 1);
    static const QRegularExpression port(QStringLiteral(":[0-9]*$"));
    if (!host.endsWith(QLatin1Char(']')))
        host.remove(port);
    return host;
}

} // namespace

std::optional<SpaceCommand> command(const QString& text)
{
    // Strict: text with spaces or stray characters is not a URL.
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid())
        return std::nullopt;
    return SpaceCommand::fromUrl(url);
}

void handle(const QString& text, CommandSink& sink)
{
    if (text.isEmpty())
        return;
    // Strict: text with spaces or stray characters is not a URL. Text in this
    // program's own scheme is answered all the same: it was meant for it.
    if (QUrl(text, QUrl::StrictMode).isValid()) {
        if (const std::optional<SpaceCommand> parsed = command(text)) {
            sink.perform(*parsed);
            return;
        }
    } else if (!text.startsWith(QLatin1String("lumivast:"), Qt::CaseInsensitive)) {
        return;
    }
    const QString host = hostAsGiven(text);
    sink.reportError(QCoreApplication::translate("UrlIntake", "Lumivast does not understand %1").arg(host.isEmpty() ? text : host));
}

} // namespace lumivast::UrlIntake
