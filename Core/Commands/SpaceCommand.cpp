#include "Core/Commands/SpaceCommand.h"

#include <QHash>
#include <QUrlQuery>

#include <charconv>
#include <string>

namespace lumivast {

bool sameText(const QString& a, const QString& b)
{
    return a == b || a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

bool sameText(const std::optional<QString>& a, const std::optional<QString>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || sameText(*a, *b);
}

namespace {

// An optional sign, then ASCII digits only, within 64 bits.
std::optional<std::int64_t> wholeInteger(const QString& text)
{
    qsizetype i = 0;
    std::string digits;
    if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        if (text[0] == u'-')
            digits += '-';
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        digits += char(c);
    }
    std::int64_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (error != std::errc{} || stop != end)
        return std::nullopt;
    return value;
}

struct ParsedUrl {
    QString word;
    std::optional<QString> first; // first path component, decoded
    QHash<QString, QString> items;

    std::optional<QString> item(const QString& name) const
    {
        const auto it = items.constFind(name);
        return it == items.cend() ? std::nullopt : std::optional<QString>(*it);
    }

    // Which Space a targeted command means.
    SpaceCommand::SpaceRef target() const
    {
        using Ref = SpaceCommand::SpaceRef;
        if (first) {
            if (first->compare(u"current", Qt::CaseInsensitive) == 0)
                return Ref::current();
            if (const auto n = wholeInteger(*first))
                return Ref::number(*n);
            return Ref::name(*first);
        }
        if (items.isEmpty())
            return Ref::current();
        if (word == u"switch" || word == u"move-window") {
            if (auto name = item(QStringLiteral("name")))
                return Ref::name(std::move(*name));
        }
        if (const auto space = item(QStringLiteral("space"))) {
            if (const auto n = wholeInteger(*space))
                return Ref::number(*n);
        }
        return Ref::current();
    }
};

ParsedUrl parse(const QUrl& url)
{
    ParsedUrl parsed;
    parsed.word = url.host(QUrl::FullyDecoded).toLower();

    // Split before decoding so that an encoded slash stays inside its component.
    const QStringList parts = url.path(QUrl::FullyEncoded).split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        QString component = QUrl::fromPercentEncoding(part.toUtf8());
        if (component != u"/") {
            parsed.first = std::move(component);
            break;
        }
    }

    // A repeated item keeps its first value.
    const QUrlQuery query(url);
    for (const auto& [name, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (!parsed.items.contains(name))
            parsed.items.insert(name, value);
    }
    return parsed;
}

} // namespace

std::optional<SpaceCommand> SpaceCommand::fromUrl(const QUrl& url)
{
    if (url.scheme().toLower() != u"lumivast")
        return std::nullopt;
    const ParsedUrl p = parse(url);
    const QString& w = p.word;

    if (w == u"switch")
        return switchTo(p.target());
    if (w == u"next" || w == u"right")
        return step(true);
    if (w == u"previous" || w == u"prev" || w == u"left")
        return step(false);
    if (w == u"back" || w == u"last")
        return back();
    if (w == u"overview")
        return overview();
    if (w == u"move-window") {
        const QString direction = p.first.value_or(QString()).toLower();
        if (direction == u"next" || direction == u"right")
            return moveWindowStep(true);
        if (direction == u"previous" || direction == u"left")
            return moveWindowStep(false);
        return moveWindow(p.target());
    }
    if (w == u"rename")
        return rename(p.target(), p.item(QStringLiteral("name")));
    if (w == u"note")
        return note(p.target(), p.item(QStringLiteral("text")));
    if (w == u"setup")
        return setup(p.target());
    if (w == u"settings")
        return settings();
    if (w == u"diagnostics")
        return diagnostics();
    if (w == u"profile" || w == u"template") {
        std::optional<QString> name = p.first ? p.first : p.item(QStringLiteral("name"));
        if (!name)
            return std::nullopt;
        return w == u"profile" ? profile(std::move(*name)) : template_(std::move(*name));
    }
    if (w == u"save-layout")
        return saveLayout();
    if (w == u"restore-layout")
        return restoreLayout();
    if (w == u"eject")
        return eject();
    if (w == u"windows")
        return windows(p.first && p.first->toLower() == u"all");
    if (w == u"launcher" || w == u"launch")
        return launcher();
    if (w == u"scratchpad")
        return scratchpad();
    if (w == u"minimize-all")
        return minimizeAll();
    if (w == u"undo-minimize")
        return undoMinimize();
    if (w == u"save-space")
        return saveAndClose();
    if (w == u"add-desktop")
        return addDesktop();
    if (w == u"remove-desktop")
        return removeDesktop(p.target());
    if (w == u"notes")
        return notes(p.target());
    if (w == u"demo-tour")
        return demoTour();
    if (w == u"up")
        return step2D(true);
    if (w == u"down")
        return step2D(false);
    return std::nullopt; // includes the empty word of a URL without a host
}

} // namespace lumivast
