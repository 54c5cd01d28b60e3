#include "Core/Windows/RecordCoding.h"

#include <QRegularExpression>

#include <cmath>

namespace lumivast::RecordCoding {

QString dateText(const QDateTime& date)
{
    QDateTime utc = date.toUTC();
    utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));
    return utc.toString(Qt::ISODate);
}

std::optional<QDateTime> date(const QJsonValue& value)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(Z|[+-]\d{2}:\d{2})$)"));
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODate);
    if (!parsed.isValid())
        return std::nullopt;
    return parsed.toUTC();
}

QJsonArray frameJson(const QRectF& frame)
{
    return QJsonArray{QJsonArray{frame.x(), frame.y()}, QJsonArray{frame.width(), frame.height()}};
}

std::optional<QRectF> frame(const QJsonValue& value)
{
    const auto pair = [](const QJsonValue& v) -> std::optional<std::pair<double, double>> {
        const QJsonArray a = v.toArray();
        if (!v.isArray() || a.size() != 2 || !a[0].isDouble() || !a[1].isDouble())
            return std::nullopt;
        return std::pair{a[0].toDouble(), a[1].toDouble()};
    };
    const QJsonArray parts = value.toArray();
    if (!value.isArray() || parts.size() != 2)
        return std::nullopt;
    const auto origin = pair(parts[0]);
    const auto size = pair(parts[1]);
    if (!origin || !size)
        return std::nullopt;
    return QRectF(origin->first, origin->second, size->first, size->second);
}

std::optional<QString> string(const QJsonObject& object, const char* key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<QStringList> strings(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue& item : value.toArray()) {
        if (!item.isString())
            return std::nullopt;
        list << item.toString();
    }
    return list;
}

bool sameFrame(const QRectF& a, const QRectF& b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

} // namespace lumivast::RecordCoding
