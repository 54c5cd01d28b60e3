#pragma once

#include <QFont>

// Numbers that change in place (a duration beside a slider, a column of
// times) keep still only when every digit is as wide as every other.
namespace lumivast::TabularDigits {

// `base` when its digits are all equally wide, else the system's fixed-width
// font at the same size.
QFont font(const QFont& base);
bool hasTabularDigits(const QFont& font);

} // namespace lumivast::TabularDigits
