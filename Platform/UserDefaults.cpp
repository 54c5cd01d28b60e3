#include "Platform/UserDefaults.h"

#include "Platform/DataFile.h"
#include "Platform/Log.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>

#include <cmath>
#include <limits>

namespace lumivast {

namespace {

UserDefaults* g_standard = nullptr;
std::unique_ptr<UserDefaults> g_ownedStandard;
std::map<QString, std::unique_ptr<UserDefaults>>& domains()
{
    static std::map<QString, std::unique_ptr<UserDefaults>> map;
    return map;
}

bool isObject(const QJsonDocument& doc)
{
    return doc.isObject();
}

// Converting a double outside qint64's range is undefined; saturate instead.
qint64 saturatingInteger(double d)
{
    if (!std::isfinite(d))
        return 0;
    if (d >= 9223372036854775808.0)
        return std::numeric_limits<qint64>::max();
    if (d < -9223372036854775808.0)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(d);
}

} // namespace

UserDefaults::UserDefaults(QString domain, QString filePath, QObject* parent)
    : QObject(parent), m_domain(std::move(domain)), m_filePath(std::move(filePath))
{
    load();
}

UserDefaults::~UserDefaults()
{
    if (g_standard == this)
        g_standard = nullptr;
}

QString UserDefaults::configFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Lumivast");
}

UserDefaults& UserDefaults::standard()
{
    if (!g_standard) {
        g_ownedStandard = std::make_unique<UserDefaults>(QStringLiteral("Lumivast"),
                                                         configFolder() + QStringLiteral("/defaults.json"));
        g_standard = g_ownedStandard.get();
    }
    return *g_standard;
}

void UserDefaults::setStandard(UserDefaults* defaults)
{
    g_standard = defaults;
}

UserDefaults& UserDefaults::domainNamed(const QString& name)
{
    auto& map = domains();
    auto it = map.find(name);
    if (it == map.end()) {
        QString safe = name;
        safe.replace(QLatin1Char('/'), QLatin1Char('_'));
        auto store = std::make_unique<UserDefaults>(name, configFolder() + QStringLiteral("/domains/") + safe + QStringLiteral(".json"));
        it = map.emplace(name, std::move(store)).first;
    }
    return *it->second;
}

void UserDefaults::resetDomains()
{
    domains().clear();
}

void UserDefaults::load()
{
    m_stored = {};
    if (m_filePath.isEmpty())
        return;
    if (auto doc = DataFile::readJson(m_filePath, isObject))
        m_stored = doc->object();
}

void UserDefaults::reload()
{
    const QJsonObject before = m_stored;
    load();
    QStringList keys = before.keys() + m_stored.keys();
    keys.removeDuplicates();
    for (const QString& key : keys) {
        if (before.value(key) != m_stored.value(key))
            emit changed(key);
    }
}

void UserDefaults::save() const
{
    m_unsaved = false;
    if (m_filePath.isEmpty())
        return;
    DataFile::write(m_filePath, QJsonDocument(m_stored).toJson(QJsonDocument::Indented));
}

void UserDefaults::registerDefaults(const QJsonObject& values)
{
    for (auto it = values.begin(); it != values.end(); ++it) {
        const auto before = object(it.key());
        m_registered.insert(it.key(), it.value());
        emitIfChanged(it.key(), before);
    }
}

std::optional<QJsonValue> UserDefaults::object(const QString& key) const
{
    if (auto it = m_stored.constFind(key); it != m_stored.constEnd())
        return *it;
    if (auto it = m_registered.constFind(key); it != m_registered.constEnd())
        return *it;
    return std::nullopt;
}

bool UserDefaults::boolValue(const QString& key) const
{
    const auto value = object(key);
    if (!value)
        return false;
    switch (value->type()) {
    case QJsonValue::Bool:
        return value->toBool();
    case QJsonValue::Double:
        return value->toDouble() != 0.0;
    case QJsonValue::String: {
        const QString text = value->toString().trimmed().toLower();
        return text == QLatin1String("true") || text == QLatin1String("yes") || text.toLongLong() != 0;
    }
    default:
        return false;
    }
}

qint64 UserDefaults::integerValue(const QString& key) const
{
    const auto value = object(key);
    if (!value)
        return 0;
    switch (value->type()) {
    case QJsonValue::Bool:
        return value->toBool() ? 1 : 0;
    case QJsonValue::Double: {
        return saturatingInteger(value->toDouble());
    }
    case QJsonValue::String: {
        bool ok = false;
        const QString text = value->toString().trimmed();
        const qint64 n = text.toLongLong(&ok);
        if (ok)
            return n;
        const double d = text.toDouble(&ok);
        return ok ? saturatingInteger(d) : 0;
    }
    default:
        return 0;
    }
}

double UserDefaults::doubleValue(const QString& key) const
{
    const auto value = object(key);
    if (!value)
        return 0.0;
    switch (value->type()) {
    case QJsonValue::Bool:
        return value->toBool() ? 1.0 : 0.0;
    case QJsonValue::Double:
        return value->toDouble();
    case QJsonValue::String:
        return value->toString().trimmed().toDouble();
    default:
        return 0.0;
    }
}

std::optional<QString> UserDefaults::string(const QString& key) const
{
    const auto value = object(key);
    if (!value || !value->isString())
        return std::nullopt;
    return value->toString();
}

std::optional<QStringList> UserDefaults::stringList(const QString& key) const
{
    const auto value = object(key);
    if (!value || !value->isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue& item : value->toArray()) {
        if (!item.isString())
            return std::nullopt;
        list.append(item.toString());
    }
    return list;
}

std::optional<QJsonObject> UserDefaults::dictionary(const QString& key) const
{
    const auto value = object(key);
    if (!value || !value->isObject())
        return std::nullopt;
    return value->toObject();
}

void UserDefaults::set(const QString& key, const QJsonValue& value)
{
    if (value.isUndefined() || value.isNull()) {
        remove(key);
        return;
    }
    if (auto it = m_stored.constFind(key); it != m_stored.constEnd() && *it == value)
        return;
    const auto before = object(key);
    m_stored.insert(key, value);
    save();
    emitIfChanged(key, before);
}

void UserDefaults::setUnsaved(const QString& key, const QJsonValue& value)
{
    if (value.isUndefined() || value.isNull() || (m_stored.contains(key) && m_stored.value(key) == value)) {
        set(key, value);
        return;
    }
    const auto before = object(key);
    m_stored.insert(key, value);
    m_unsaved = true;
    emitIfChanged(key, before);
}

void UserDefaults::saveUnsaved()
{
    if (m_unsaved)
        save();
}

void UserDefaults::remove(const QString& key)
{
    if (!m_stored.contains(key))
        return;
    const auto before = object(key);
    m_stored.remove(key);
    save();
    emitIfChanged(key, before);
}

void UserDefaults::emitIfChanged(const QString& key, const std::optional<QJsonValue>& before)
{
    if (object(key) != before)
        emit changed(key);
}

} // namespace lumivast
