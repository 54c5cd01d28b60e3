#pragma once

#include <QColor>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QWidget>

#include <optional>

class QPainter;

namespace lumivast {

// What one presentation of the HUD shows. Built anew for every presentation.
struct HUDView {
    QString title;
    std::optional<QString> subtitle;
    QString symbol;                  // a system symbol name
    std::optional<QImage> customIcon; // drawn instead of the symbol, untinted
    QColor color = Qt::white;        // tint of the symbol
    double scale = 1.0;              // multiplies the inner sizes
    // The widest the whole view (outer margin included) may be; a longer line
    // is elided in the middle. None: as wide as its text.
    std::optional<double> maxWidth;
    // For a screen where nothing blends translucent pixels: an opaque capsule
    // without a shadow (the panel is cut to the capsule's outline).
    bool opaque = false;

    // Transparent room around the capsule for its shadow; not scaled.
    static constexpr double outerMargin = 16;

    // The capsule alone: as wide as its longer line (lines never wrap), at most `maxWidth` with the margin.
    QSizeF capsuleSize() const;
    // The lines as drawn, elided to the width there is.
    QString shownTitle() const;
    std::optional<QString> shownSubtitle() const;
    // The capsule plus the outer margin on every side: the panel's size.
    QSizeF fittingSize() const;
    // Draws the whole view (margin included) into a `fittingSize()` area at the origin.
    void paint(QPainter& painter) const;

    bool operator==(const HUDView& other) const;
};

// Hosts one HUDView in the HUD panel.
class HUDViewWidget final : public QWidget {
    Q_OBJECT
public:
    explicit HUDViewWidget(HUDView view, QWidget* parent = nullptr);
    const HUDView& view() const { return m_view; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HUDView m_view;
};

} // namespace lumivast
