#pragma once

#include <QColor>
#include <QString>

#include <optional>

namespace lumivast {

// A colour from hex text such as "#4F7BF7" (surrounding white space and one
// leading "#" allowed); nothing when the text is not exactly six hex digits.
std::optional<QColor> colorFromHex(const QString& text);

} // namespace lumivast
