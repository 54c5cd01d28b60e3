#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QRectF>
#include <QString>

#include <optional>

// The pieces the window-layout and saved-Space files share: dates as
// internet date-times in whole seconds, frames as [[x, y], [width, height]],
// and strict reads that refuse a missing key or a value of another type.
namespace lumivast::RecordCoding {

// UTC, no fraction: 2026-01-31T09:15:00Z.
QString dateText(const QDateTime& date);
// An internet date-time with whole seconds and a zone ("Z" or "+hh:mm").
std::optional<QDateTime> date(const QJsonValue& value);

QJsonArray frameJson(const QRectF& frame);
std::optional<QRectF> frame(const QJsonValue& value);

std::optional<QString> string(const QJsonObject& object, const char* key);
// An array of strings; nothing when any item is not one.
std::optional<QStringList> strings(const QJsonValue& value);

// Rectangles equal to the last bit (QRectF's == allows a tolerance).
bool sameFrame(const QRectF& a, const QRectF& b);

} // namespace lumivast::RecordCoding
