#include "UI/MenuBar/BrandIcon.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

Space desktopNumbered(int n, QString display = "Main")
{
    return Space{QString("uuid-%1").arg(n), n, std::move(display), n, 0, false, std::nullopt, false};
}

bool filledAt(const QImage& image, QPointF bottomLeftPoint)
{
    // Centre of a square, converted to the image's top-left rows.
    return qAlpha(image.pixel(int(bottomLeftPoint.x()), int(16 - bottomLeftPoint.y()))) > 200;
}

} // namespace

TEST(BrandIcon, AutoColourStepsRoundTheWheel)
{
    const struct {
        int desktop;
        int hueDegrees;
    } rows[] = {{1, 47}, {2, 94}, {8, 16}, {10, 110}};
    for (const auto& row : rows) {
        const QColor c = BrandIcon::autoColor(desktopNumbered(row.desktop));
        EXPECT_NEAR(c.hsvHueF(), row.hueDegrees / 360.0, 1e-3) << row.desktop;
        EXPECT_NEAR(c.hsvSaturationF(), 0.52, 1e-3);
        EXPECT_NEAR(c.valueF(), 0.7, 1e-3);
    }
    EXPECT_EQ(BrandIcon::autoColor(desktopNumbered(3, "Main")), BrandIcon::autoColor(desktopNumbered(3, "Other")));
}

TEST(BrandIcon, FullScreenSpacesGetAStableColourFromTheirId)
{
    Space fs{"A1B2-FULL", 40, "Main", std::nullopt, 2, true, 501, false};
    const QColor first = BrandIcon::autoColor(fs);
    EXPECT_EQ(BrandIcon::autoColor(fs), first);
    // Whatever the id, n stays within 1...16, so the hue is one of those sixteen steps.
    for (const QString& id : {QString("x"), QString("a very long identifier with spaces"), QString()}) {
        fs.id = id;
        const int degrees = qRound(BrandIcon::autoColor(fs).hsvHueF() * 360);
        bool found = false;
        for (int n = 1; n <= 16; ++n)
            found |= (n * 47) % 360 == degrees;
        EXPECT_TRUE(found) << degrees;
    }
}

TEST(BrandIcon, GlyphFillsOnlyTheActiveSquare)
{
    const QPointF centres[4] = {{4.25, 4.25}, {11.75, 4.25}, {4.25, 11.75}, {11.75, 11.75}};
    for (int active : {-1, 0, 1, 2, 3, 4}) {
        const QImage image = BrandIcon::menuBarImage(active);
        ASSERT_EQ(image.size(), QSize(16, 16));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(filledAt(image, centres[i]), i == active) << "active " << active << " square " << i;
    }
    // Outlines are drawn: the bottom-left square's left edge at x = 1.5.
    EXPECT_GT(qAlpha(BrandIcon::menuBarImage(-1).pixel(1, 12)), 60);
}
