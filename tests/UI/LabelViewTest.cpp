#include "UI/MissionControl/LabelView.h"

#include "tests/support/SimWorldTest.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <cmath>

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

// The labels' own display link as the product defines it, written out so a changed constant fails.
constexpr Duration kFrameInterval = 17ms; // 60 frames a second at a millisecond resolution

class LabelViewTest : public SimWorldTest {
protected:
    static LabelPanel::Label label(const char* id, QRectF anchor, const char* name = "Mail")
    {
        LabelPanel::Label l;
        l.id = QString::fromLatin1(id);
        l.name = QString::fromUtf8(name);
        l.anchor = anchor;
        return l;
    }
    static double textWidth(const QString& text) { return QFontMetricsF(LabelView::font()).horizontalAdvance(text); }

    void show(LabelView& view, std::vector<LabelPanel::Label> list)
    {
        view.labels = std::move(list);
        view.retarget();
    }
    // Frames until the animation stops by itself (at most `limit`).
    int framesUntilStill(LabelView& view, int limit = 200)
    {
        int frames = 0;
        while (view.isAnimating() && frames < limit) {
            scheduler.advance(kFrameInterval);
            ++frames;
        }
        return frames;
    }
    const LabelView::Animated& item(const LabelView& view, const char* id) { return view.items().at(QString::fromLatin1(id)); }
};

} // namespace

TEST_F(LabelViewTest, PillGeometry)
{
    const QString longName = QStringLiteral("A rather long name for a desktop that will not fit");
    struct Case {
        const char* what;
        LabelPanel::Label label;
        QRectF expected;
    };
    auto with = [](LabelPanel::Label l, auto change) {
        change(l);
        return l;
    };
    const double mail = textWidth(QStringLiteral("Mail"));
    const QRectF anchor(100, 500, 110, 26); // centre (155, 513)
    const std::vector<Case> cases = {
        {"short name: text + 20, centred on the button", label("a", anchor),
         QRectF(std::round(155 - (mail + 20) / 2), 501, std::round(mail + 20), 24)},
        {"a symbol adds its 20", with(label("a", anchor), [](auto& l) { l.symbol = QStringLiteral("star"); }),
         QRectF(std::round(155 - (mail + 40) / 2), 501, std::round(mail + 40), 24)},
        {"an unknown symbol keeps its room", with(label("a", anchor), [](auto& l) { l.symbol = QStringLiteral("no.such.symbol"); }),
         QRectF(std::round(155 - (mail + 40) / 2), 501, std::round(mail + 40), 24)},
        {"expanded: 6 below the button", with(label("a", anchor), [](auto& l) { l.expanded = true; }),
         QRectF(std::round(155 - (mail + 20) / 2), 500 - 24 - 6, std::round(mail + 20), 24)},
        {"a narrow button caps at 120", label("a", QRectF(0, 0, 30, 26), longName.toUtf8().constData()), QRectF(-45, 1, 120, 24)},
        {"a wide button caps at its width + 40", label("a", QRectF(0, 0, 200, 26), longName.toUtf8().constData()),
         QRectF(-20, 1, 240, 24)},
    };
    ASSERT_GT(textWidth(longName), 260);
    LabelView view(scheduler);
    for (const Case& c : cases)
        EXPECT_EQ(view.pillRect(c.label), c.expected) << c.what;
}

TEST_F(LabelViewTest, ANewPillFadesInInPlaceAndSnapsOnTheTwentiethFrame)
{
    LabelView view(scheduler);
    show(view, {label("a", QRectF(100, 500, 110, 26))});
    const QRectF target = view.pillRect(view.labels[0]);
    EXPECT_EQ(item(view, "a").rect, target); // it does not fly in
    EXPECT_EQ(item(view, "a").opacity, 0);
    double last = 0;
    for (int frame = 1; frame <= 19; ++frame) {
        scheduler.advance(kFrameInterval);
        const double o = item(view, "a").opacity;
        EXPECT_GT(o, last) << frame;
        EXPECT_LT(o, 1) << frame;
        last = o;
    }
    scheduler.advance(kFrameInterval);
    EXPECT_EQ(item(view, "a").opacity, 1);
    EXPECT_FALSE(view.isAnimating()); // nothing left to change: the link stops
}

TEST_F(LabelViewTest, AMovedPillGlidesWithoutFading)
{
    LabelView view(scheduler);
    show(view, {label("a", QRectF(100, 500, 110, 26))});
    framesUntilStill(view);
    const QRectF from = item(view, "a").rect;
    show(view, {label("a", QRectF(200, 500, 110, 26))});
    const QRectF to = item(view, "a").target;
    ASSERT_EQ(to.x(), from.x() + 100);
    scheduler.advance(kFrameInterval);
    const double x = item(view, "a").rect.x();
    EXPECT_GT(x, from.x() + 20); // about 27 % of the way per frame
    EXPECT_LT(x, from.x() + 35);
    EXPECT_EQ(item(view, "a").opacity, 1);
    const int frames = framesUntilStill(view);
    EXPECT_GT(frames, 10);
    EXPECT_LT(frames, 40);
    EXPECT_EQ(item(view, "a").rect, to);
}

TEST_F(LabelViewTest, AnUnlistedPillFadesOutWhereItIsAndIsDropped)
{
    LabelView view(scheduler);
    show(view, {label("a", QRectF(100, 500, 110, 26)), label("b", QRectF(300, 500, 110, 26))});
    framesUntilStill(view);
    const QRectF place = item(view, "a").rect;
    show(view, {label("b", QRectF(300, 500, 110, 26))});
    EXPECT_EQ(view.order(), (QStringList{"b", "a"})); // listed first, the leaving after
    EXPECT_EQ(item(view, "a").targetOpacity, 0);
    scheduler.advance(kFrameInterval * 5);
    EXPECT_EQ(item(view, "a").rect, place);
    EXPECT_GT(item(view, "a").opacity, 0.2);
    EXPECT_LT(item(view, "a").opacity, 0.5);
    framesUntilStill(view);
    EXPECT_FALSE(view.items().contains(QStringLiteral("a")));
    EXPECT_TRUE(view.items().contains(QStringLiteral("b")));

    // Listed again before it is gone, the same pill fades back in from where it was.
    show(view, {label("b", QRectF(300, 500, 110, 26))});
    show(view, {label("a", QRectF(100, 500, 110, 26)), label("b", QRectF(300, 500, 110, 26))});
    scheduler.advance(kFrameInterval);
    show(view, {label("b", QRectF(300, 500, 110, 26))});
    scheduler.advance(kFrameInterval * 3);
    const double fading = item(view, "a").opacity;
    show(view, {label("a", QRectF(100, 500, 110, 26)), label("b", QRectF(300, 500, 110, 26))});
    scheduler.advance(kFrameInterval);
    EXPECT_GT(item(view, "a").opacity, fading);
}

TEST_F(LabelViewTest, ReduceMotionMovesAtOnceButStillFades)
{
    world->reduceMotion = true;
    LabelView view(scheduler);
    show(view, {label("a", QRectF(100, 500, 110, 26))});
    framesUntilStill(view);
    show(view, {label("a", QRectF(400, 300, 110, 26)), label("b", QRectF(600, 300, 110, 26))});
    scheduler.advance(kFrameInterval);
    EXPECT_EQ(item(view, "a").rect, item(view, "a").target);
    EXPECT_LT(item(view, "b").opacity, 0.5);
}

TEST_F(LabelViewTest, ClearingDrawsNothingAtOnce)
{
    LabelView view(scheduler);
    view.resize(400, 300);
    show(view, {label("a", QRectF(100, 250, 110, 26))});
    view.clear();
    EXPECT_TRUE(view.items().empty());
    EXPECT_FALSE(view.isAnimating());
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    for (int x = 0; x < image.width(); x += 5)
        EXPECT_EQ(qAlpha(image.pixel(x, 37)), 0);
}

TEST_F(LabelViewTest, PillsArePaintedUprightWhereTheirButtonsAre)
{
    LabelView view(scheduler);
    view.resize(400, 300);
    LabelPanel::Label red = label("a", QRectF(100, 250, 110, 26)); // near the top: origin bottom left
    red.color = QColor(255, 0, 0);
    red.isActive = true;
    LabelPanel::Label dark = label("b", QRectF(250, 20, 110, 26));
    show(view, {red, dark});
    framesUntilStill(view);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);

    // Red pill: 251..275 from the bottom, so 25..49 from the top; sampled left of its text.
    const QRectF pill = view.pillRect(red);
    const QColor inside = image.pixelColor(int(pill.x()) + 5, 37);
    EXPECT_GT(inside.red(), 200);
    EXPECT_LT(inside.green(), 60);
    EXPECT_NEAR(inside.alphaF(), 0.92, 0.02);
    EXPECT_EQ(qAlpha(image.pixel(int(pill.x()) + 5, 300 - 37)), 0); // nothing where an unflipped pill would be
    // The outline of the active Space is white.
    const QColor edge = image.pixelColor(int(pill.center().x()), 25);
    EXPECT_GT(edge.green(), 100);
    // The default fill is a dark grey.
    const QRectF darkPill = view.pillRect(dark);
    const QColor grey = image.pixelColor(int(darkPill.x()) + 5, int(300 - darkPill.center().y()));
    EXPECT_LT(grey.red(), 50);
    EXPECT_NEAR(grey.alphaF(), 0.92, 0.02);
}

TEST_F(LabelViewTest, ANameThatFitsIsShownWholeAndALongOneElided)
{
    LabelView view(scheduler);
    // Pill widths are rounded to whole points, some of them down: the names must still show whole.
    for (const char* name : {"Mail", "Work", "Desktop 2", "Music", "Chat", "Code", "i", "Photos & Video"}) {
        for (const bool symbol : {false, true}) {
            LabelPanel::Label l = label("a", QRectF(0, 0, 110, 26), name);
            if (symbol)
                l.symbol = QStringLiteral("star");
            EXPECT_EQ(view.visibleName(l, view.pillRect(l)), QString::fromUtf8(name)) << name << symbol;
        }
    }
    const LabelPanel::Label tooLong = label("a", QRectF(0, 0, 30, 26), "A rather long name for a narrow button");
    const QString shown = view.visibleName(tooLong, view.pillRect(tooLong));
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_LE(QFontMetricsF(LabelView::font()).horizontalAdvance(shown), 120 - 20);
}

TEST_F(LabelViewTest, PillsSideBySideKeepClearOfEachOther)
{
    // Buttons 110 pt wide, 126 pt apart: long names would give 150 pt pills running under their neighbours.
    LabelView view(scheduler);
    LabelPanel::Label a = label("a", QRectF(512, 940, 110, 26), "Mail & Calendar for the team");
    a.symbol = QStringLiteral("envelope");
    const LabelPanel::Label b = label("b", QRectF(638, 940, 110, 26), "Client: Northbridge");
    const LabelPanel::Label c = label("c", QRectF(764, 940, 110, 26), "Go");
    show(view, {a, b, c});
    const QRectF ra = item(view, "a").target;
    const QRectF rb = item(view, "b").target;
    const QRectF rc = item(view, "c").target;
    EXPECT_LE(ra.right() + LabelView::kNeighbourGap - 1, rb.left());
    EXPECT_LE(rb.right() + LabelView::kNeighbourGap - 1, rc.left());
    EXPECT_TRUE(view.visibleName(view.items().at("a").label, ra).endsWith(QChar(0x2026))); // elided, not hidden
    EXPECT_EQ(rc, view.pillRect(c)); // a short name keeps its own width
    // Alone, a pill may still grow to its usual limit.
    show(view, {a});
    EXPECT_EQ(item(view, "a").target.width(), 150);
}
