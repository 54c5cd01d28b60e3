#include "Platform/PlistValue.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace lumivast {

PlistValue PlistValue::dict(std::initializer_list<std::pair<QString, PlistValue>> entries)
{
    Dict d;
    d.reserve(entries.size());
    for (const auto& [key, value] : entries)
        d.push_back({PlistValue(key), value});
    return PlistValue(std::move(d));
}

PlistValue PlistValue::array(std::initializer_list<PlistValue> items)
{
    return PlistValue(Array(items));
}

PlistValue::PlistValue(Array value) : m_kind(Kind::Array), m_array(std::move(value)) {}
PlistValue::PlistValue(Dict value) : m_kind(Kind::Dict), m_dict(std::move(value)) {}

std::optional<bool> PlistValue::boolean() const
{
    if (m_kind == Kind::Bool)
        return m_bool;
    return std::nullopt;
}

std::optional<std::int64_t> PlistValue::integer() const
{
    if (m_kind == Kind::Integer)
        return m_int;
    if (m_kind == Kind::Real) {
        const double d = m_real;
        // 2^63 itself is not representable, hence the strict upper bound.
        if (!std::isfinite(d) || std::trunc(d) != d || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
            return std::nullopt;
        return static_cast<std::int64_t>(d);
    }
    return std::nullopt;
}

std::optional<std::int32_t> PlistValue::int32() const
{
    const auto i = integer();
    if (!i || *i < std::numeric_limits<std::int32_t>::min() || *i > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(*i);
}

std::optional<double> PlistValue::real() const
{
    if (m_kind == Kind::Real)
        return m_real;
    if (m_kind == Kind::Integer)
        return static_cast<double>(m_int);
    return std::nullopt;
}

const PlistValue* PlistValue::value(const QString& key) const
{
    const Dict* d = dict();
    if (!d)
        return nullptr;
    for (const PlistEntry& entry : *d) {
        const QString* k = entry.key.string();
        if (k && *k == key)
            return &entry.value;
    }
    return nullptr;
}

PlistValue& PlistValue::insert(const QString& key, PlistValue value)
{
    if (!dict()) {
        *this = PlistValue(Dict());
    }
    Dict& d = *dict();
    for (PlistEntry& entry : d) {
        const QString* k = entry.key.string();
        if (k && *k == key) {
            entry.value = std::move(value);
            return entry.value;
        }
    }
    d.push_back({PlistValue(key), std::move(value)});
    return d.back().value;
}

bool PlistValue::isStringKeyedDict() const
{
    const Dict* d = dict();
    if (!d)
        return false;
    for (const PlistEntry& entry : *d) {
        if (!entry.key.string())
            return false;
    }
    return true;
}

PlistValue PlistValue::fromJson(const QJsonValue& json)
{
    switch (json.type()) {
    case QJsonValue::Bool:
        return PlistValue(json.toBool());
    case QJsonValue::Double: {
        const double d = json.toDouble();
        PlistValue asReal(d);
        if (auto i = asReal.integer())
            return PlistValue(*i);
        return asReal;
    }
    case QJsonValue::String:
        return PlistValue(json.toString());
    case QJsonValue::Array: {
        Array items;
        for (const QJsonValue& item : json.toArray())
            items.push_back(fromJson(item));
        return PlistValue(std::move(items));
    }
    case QJsonValue::Object: {
        Dict d;
        const QJsonObject object = json.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            d.push_back({PlistValue(it.key()), fromJson(it.value())});
        return PlistValue(std::move(d));
    }
    default:
        return PlistValue();
    }
}

bool PlistValue::operator==(const PlistValue& other) const
{
    if (m_kind != other.m_kind)
        return false;
    switch (m_kind) {
    case Kind::Null:
        return true;
    case Kind::Bool:
        return m_bool == other.m_bool;
    case Kind::Integer:
        return m_int == other.m_int;
    case Kind::Real:
        return m_real == other.m_real;
    case Kind::String:
        return m_string == other.m_string;
    case Kind::Array:
        return m_array == other.m_array;
    case Kind::Dict:
        return m_dict == other.m_dict;
    }
    return false;
}

} // namespace lumivast
