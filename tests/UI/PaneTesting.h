#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace lumivast::test {

// The first control of that type showing exactly that text under `root`.
template <typename T>
T* findByText(QWidget* root, const QString& text)
{
    for (T* widget : root->findChildren<T*>()) {
        if (widget->text() == text)
            return widget;
    }
    ADD_FAILURE() << "no control " << text.toStdString();
    return nullptr;
}

// Whether the widget would show while `pane` shows.
inline bool shown(QWidget* widget, QWidget* pane)
{
    return widget && widget->isVisibleTo(pane);
}

// Whether an image holds a pixel of a clearly green (or orange) hue.
inline bool hasPixel(const QImage& image, bool (*accept)(const QColor&))
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 128 && accept(c))
                return true;
        }
    }
    return false;
}
inline bool isGreen(const QColor& c) { return c.green() > c.red() + 40 && c.green() > c.blue() + 40; }
inline bool isOrange(const QColor& c) { return c.red() > c.green() + 40 && c.green() > c.blue() + 40; }

} // namespace lumivast::test
