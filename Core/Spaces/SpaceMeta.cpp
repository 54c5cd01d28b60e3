#include "Core/Spaces/SpaceMeta.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace lumivast {

bool isSafeIconFileName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
        && !name.contains(QStringLiteral("..")) && !name.contains(QChar(u'\0'));
}

namespace SpaceMetaCoding {

namespace {

void putOptional(QJsonObject& object, const QString& key, const std::optional<QString>& value)
{
    if (value)
        object.insert(key, *value);
}

// Reading one member. Missing and null both mean "take the default"; any
// other type mismatch fails the value.
struct Reader {
    const QJsonObject& object;
    bool ok = true;

    std::optional<QString> string(const QString& key)
    {
        const QJsonValue v = object.value(key);
        if (v.isUndefined() || v.isNull())
            return std::nullopt;
        if (!v.isString()) {
            ok = false;
            return std::nullopt;
        }
        return v.toString();
    }

    bool boolean(const QString& key, bool fallback)
    {
        const QJsonValue v = object.value(key);
        if (v.isUndefined() || v.isNull())
            return fallback;
        if (!v.isBool()) {
            ok = false;
            return fallback;
        }
        return v.toBool();
    }

    QStringList strings(const QString& key)
    {
        const QJsonValue v = object.value(key);
        if (v.isUndefined() || v.isNull())
            return {};
        if (!v.isArray()) {
            ok = false;
            return {};
        }
        QStringList list;
        for (const QJsonValue& element : v.toArray()) {
            if (!element.isString()) {
                ok = false;
                return {};
            }
            list.append(element.toString());
        }
        return list;
    }
};

} // namespace

QJsonObject encode(const SpaceAutomation& a)
{
    QJsonObject o;
    o.insert(QStringLiteral("launchApps"), QJsonArray::fromStringList(a.launchApps));
    o.insert(QStringLiteral("openURLs"), QJsonArray::fromStringList(a.openURLs));
    o.insert(QStringLiteral("pinnedApps"), QJsonArray::fromStringList(a.pinnedApps));
    o.insert(QStringLiteral("launchOnce"), a.launchOnce);
    o.insert(QStringLiteral("launchOnlyIfEmpty"), a.launchOnlyIfEmpty);
    o.insert(QStringLiteral("hideOtherApps"), a.hideOtherApps);
    putOptional(o, QStringLiteral("shortcutOnEnter"), a.shortcutOnEnter);
    putOptional(o, QStringLiteral("shortcutOnLeave"), a.shortcutOnLeave);
    putOptional(o, QStringLiteral("scriptOnEnter"), a.scriptOnEnter);
    putOptional(o, QStringLiteral("scriptOnLeave"), a.scriptOnLeave);
    putOptional(o, QStringLiteral("keystrokeOnEnter"), a.keystrokeOnEnter);
    putOptional(o, QStringLiteral("browserApp"), a.browserApp);
    putOptional(o, QStringLiteral("browserProfile"), a.browserProfile);
    return o;
}

QJsonObject encode(const SpaceMeta& m)
{
    QJsonObject o;
    putOptional(o, QStringLiteral("name"), m.name);
    putOptional(o, QStringLiteral("symbol"), m.symbol);
    putOptional(o, QStringLiteral("colorHex"), m.colorHex);
    putOptional(o, QStringLiteral("note"), m.note);
    putOptional(o, QStringLiteral("iconFile"), m.iconFile);
    if (m.automation)
        o.insert(QStringLiteral("automation"), encode(*m.automation));
    putOptional(o, QStringLiteral("group"), m.group);
    return o;
}

QJsonObject encode(const SpaceMetaMap& metas)
{
    QJsonObject o;
    for (const auto& [key, meta] : metas)
        o.insert(key, encode(meta));
    return o;
}

std::optional<SpaceAutomation> decodeAutomation(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    Reader r{object};
    SpaceAutomation a;
    a.launchApps = r.strings(QStringLiteral("launchApps"));
    a.openURLs = r.strings(QStringLiteral("openURLs"));
    a.launchOnce = r.boolean(QStringLiteral("launchOnce"), true);
    a.shortcutOnEnter = r.string(QStringLiteral("shortcutOnEnter"));
    a.shortcutOnLeave = r.string(QStringLiteral("shortcutOnLeave"));
    a.scriptOnEnter = r.string(QStringLiteral("scriptOnEnter"));
    a.scriptOnLeave = r.string(QStringLiteral("scriptOnLeave"));
    a.launchOnlyIfEmpty = r.boolean(QStringLiteral("launchOnlyIfEmpty"), false);
    a.pinnedApps = r.strings(QStringLiteral("pinnedApps"));
    a.keystrokeOnEnter = r.string(QStringLiteral("keystrokeOnEnter"));
    a.hideOtherApps = r.boolean(QStringLiteral("hideOtherApps"), false);
    a.browserApp = r.string(QStringLiteral("browserApp"));
    a.browserProfile = r.string(QStringLiteral("browserProfile"));
    if (!r.ok)
        return std::nullopt;
    return a;
}

std::optional<SpaceMeta> decodeMeta(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    Reader r{object};
    SpaceMeta m;
    m.name = r.string(QStringLiteral("name"));
    m.symbol = r.string(QStringLiteral("symbol"));
    m.colorHex = r.string(QStringLiteral("colorHex"));
    m.note = r.string(QStringLiteral("note"));
    m.iconFile = r.string(QStringLiteral("iconFile"));
    m.group = r.string(QStringLiteral("group"));
    const QJsonValue automation = object.value(QStringLiteral("automation"));
    if (!automation.isUndefined() && !automation.isNull()) {
        m.automation = decodeAutomation(automation);
        if (!m.automation)
            return std::nullopt;
    }
    if (!r.ok)
        return std::nullopt;
    // A path here could point the icon code outside the Icons folder.
    if (m.iconFile && !isSafeIconFileName(*m.iconFile))
        m.iconFile.reset();
    return m;
}

std::optional<SpaceMetaMap> decodeMap(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    SpaceMetaMap metas;
    for (auto it = object.begin(); it != object.end(); ++it) {
        std::optional<SpaceMeta> meta = decodeMeta(it.value());
        if (!meta)
            return std::nullopt;
        // A record whose only field was a rejected icon name would be written back as "{}".
        if (meta->isEmpty() && it.value().toObject().contains(QStringLiteral("iconFile")))
            continue;
        metas.emplace(it.key(), std::move(*meta));
    }
    return metas;
}

QByteArray toFileBytes(const SpaceMetaMap& metas)
{
    return QJsonDocument(encode(metas)).toJson(QJsonDocument::Indented);
}

std::optional<SpaceMetaMap> fromFileBytes(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return decodeMap(doc.object());
}

} // namespace SpaceMetaCoding

} // namespace lumivast
