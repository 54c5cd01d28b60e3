#pragma once

#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

namespace lumivast {

struct PlistEntry;

// A property-list value as the window server hands them out: null, Boolean,
// integer, real, string, array or dictionary. Dictionary keys are values too
// (the system does not promise string keys), kept in insertion order.
class PlistValue {
public:
    using Array = std::vector<PlistValue>;
    using Dict = std::vector<PlistEntry>;

    enum class Kind { Null, Bool, Integer, Real, String, Array, Dict };

    // Defined below PlistEntry: a constructor's body needs m_dict's element
    // type complete, and PlistEntry needs this class complete first.
    PlistValue(); // null
    PlistValue(bool value);
    PlistValue(int value);
    PlistValue(std::int64_t value);
    PlistValue(std::uint32_t value);
    PlistValue(double value);
    PlistValue(QString value);
    PlistValue(const char* value);
    PlistValue(Array value);
    PlistValue(Dict value);

    // A dictionary with string keys, in the given order.
    static PlistValue dict(std::initializer_list<std::pair<QString, PlistValue>> entries);
    static PlistValue array(std::initializer_list<PlistValue> items);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isNumber() const { return m_kind == Kind::Integer || m_kind == Kind::Real; }

    const QString* string() const { return m_kind == Kind::String ? &m_string : nullptr; }
    const Array* array() const { return m_kind == Kind::Array ? &m_array : nullptr; }
    const Dict* dict() const { return m_kind == Kind::Dict ? &m_dict : nullptr; }
    Array* array() { return m_kind == Kind::Array ? &m_array : nullptr; }
    Dict* dict() { return m_kind == Kind::Dict ? &m_dict : nullptr; }
    std::optional<bool> boolean() const;
    // A number that converts exactly to a 64-bit integer (3.0 does, 3.5 does not).
    std::optional<std::int64_t> integer() const;
    std::optional<std::int32_t> int32() const;
    std::optional<double> real() const;

    // Dictionary value under a string key (the first match); null when this
    // is not a dictionary or has no such key.
    const PlistValue* value(const QString& key) const;
    PlistValue& insert(const QString& key, PlistValue value); // replaces an existing key
    // A dictionary all of whose keys are strings.
    bool isStringKeyedDict() const;

    // JSON in, for world files: whole numbers become integers, objects dictionaries.
    static PlistValue fromJson(const QJsonValue& json);

    bool operator==(const PlistValue& other) const;

private:
    Kind m_kind = Kind::Null;
    bool m_bool = false;
    std::int64_t m_int = 0;
    double m_real = 0;
    QString m_string;
    Array m_array;
    Dict m_dict;
};

struct PlistEntry {
    PlistValue key;
    PlistValue value;
    bool operator==(const PlistEntry&) const = default;
};

inline PlistValue::PlistValue() = default;
inline PlistValue::PlistValue(bool value) : m_kind(Kind::Bool), m_bool(value) {}
inline PlistValue::PlistValue(int value) : m_kind(Kind::Integer), m_int(value) {}
inline PlistValue::PlistValue(std::int64_t value) : m_kind(Kind::Integer), m_int(value) {}
inline PlistValue::PlistValue(std::uint32_t value) : m_kind(Kind::Integer), m_int(value) {}
inline PlistValue::PlistValue(double value) : m_kind(Kind::Real), m_real(value) {}
inline PlistValue::PlistValue(QString value) : m_kind(Kind::String), m_string(std::move(value)) {}
inline PlistValue::PlistValue(const char* value) : m_kind(Kind::String), m_string(QString::fromUtf8(value)) {}

} // namespace lumivast
