// The overview's geometry without a widget: the header, the pill, the banner,
// the grid's columns and rows, the cards and the app strips, for a few sizes
// and models; and the picture cache that outlives an opening.

#include "UI/Overview/OverlayLayout.h"
#include "UI/Overview/OverlayPictureCache.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <type_traits>

using namespace lumivast;

namespace {

OverlayTile tile(const QString& id, int apps = 0, bool note = false, bool automation = false)
{
    OverlayTile t;
    t.id = id;
    t.name = QStringLiteral("Desktop ") + id;
    for (int a = 0; a < apps; ++a)
        t.apps.push_back(SpaceContents::AppOnSpace{400 + a, std::nullopt, QStringLiteral("App %1").arg(a), {}});
    if (note)
        t.note = QStringLiteral("a note");
    t.hasAutomation = automation;
    return t;
}

OverlaySection section(const QString& title, std::vector<OverlayTile> tiles)
{
    return OverlaySection{title, title, std::move(tiles)};
}

std::size_t shownApps(std::size_t apps)
{
    return std::min<std::size_t>(apps, 6);
}

} // namespace

TEST(OverlayLayout, FramesFollowTheSizeAndTheModel)
{
    struct Case {
        const char* name;
        QSizeF size;
        double scroll;
        QString query;
        std::vector<OverlaySection> sections;
        int columns;
        QSizeF tileSize;
        bool banner;
        std::vector<double> xs; // each tile's left edge, in order
    };
    const Case cases[] = {
        {"one block, three columns", {1440, 900}, 0, {}, {section({}, {tile("1", 2), tile("2"), tile("3", 1, true), tile("4"), tile("5")})},
         3, {300, 188}, false, {72, 400, 728, 72, 400}},
        {"two titled blocks, banner, scrolled", {1024, 768}, 40, QStringLiteral("desk"),
         {section(QStringLiteral("Work"), {tile("1", 7), tile("2", 0, false, true)}),
          section(QStringLiteral("Home"), {tile("3"), tile("4", 3, true), tile("5"), tile("6")})},
         2, {220, 138}, true, {72, 320, 72, 320, 72, 320}},
        {"wide screen, large tiles", {2560, 1440}, 0, {}, {section({}, {tile("1", 9, false, true), tile("2", 3)})}, 4, {440, 275},
         false, {72, 540}},
        {"a search that matches nothing", {1440, 900}, 0, QStringLiteral("zz"), {}, 3, {300, 188}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OverlayFrames f = OverlayLayout::frames(
            OverlayLayout::Input{c.size, c.scroll, c.query, c.sections, c.columns, c.tileSize, c.banner});
        const double w = c.size.width();

        // The header spans the column; the pill sits on its middle right of the title, the hints after it.
        EXPECT_EQ(f.header.topLeft(), QPointF(72, 56));
        EXPECT_EQ(f.header.width(), w - 144);
        const OverlayLayout::Pill pill = OverlayLayout::pill(c.query, w);
        EXPECT_GT(f.pill.left(), f.header.left() + 16);
        EXPECT_EQ(f.pill.size(), QSizeF(pill.width, pill.height));
        EXPECT_DOUBLE_EQ(f.pill.center().y(), f.header.center().y());
        EXPECT_GE(f.header.height(), f.pill.height());
        EXPECT_EQ(f.hints.left(), f.pill.right() + 16);
        EXPECT_EQ(f.hints.right(), f.header.right());

        // The banner, with its button at its right end, comes between the header and the grid.
        double gridTop = f.header.bottom() + 28;
        ASSERT_EQ(f.banner.has_value(), c.banner);
        ASSERT_EQ(f.bannerButton.has_value(), c.banner);
        if (c.banner) {
            EXPECT_EQ(*f.banner, QRectF(72, gridTop, w - 144, f.banner->height()));
            EXPECT_TRUE(f.banner->contains(*f.bannerButton));
            EXPECT_EQ(f.bannerButton->right(), f.banner->right() - 16);
            gridTop = f.banner->bottom() + 28;
        }
        EXPECT_EQ(f.scrollArea, QRectF(0, gridTop, w, c.size.height() - gridTop));

        // Columns, rows and sections.
        ASSERT_EQ(f.tiles.size(), c.xs.size());
        std::size_t n = 0;
        std::size_t titles = 0;
        double y = gridTop - c.scroll; // where the next block starts
        bool first = true;
        for (const OverlaySection& s : c.sections) {
            if (!first)
                y += 36;
            first = false;
            if (!s.title.isEmpty()) {
                ASSERT_LT(titles, f.sectionTitles.size());
                EXPECT_EQ(f.sectionTitles[titles].second, s.title);
                EXPECT_EQ(f.sectionTitles[titles].first.topLeft(), QPointF(72, y));
                y = f.sectionTitles[titles++].first.bottom() + 14;
            }
            double rowBottom = y;
            for (std::size_t i = 0; i < s.tiles.size(); ++i, ++n) {
                const OverlayTileFrame& frame = f.tiles[n];
                const OverlayTile& t = s.tiles[i];
                EXPECT_EQ(frame.id, t.id);
                if (i > 0 && i % std::size_t(c.columns) == 0)
                    y = rowBottom + 30;
                EXPECT_EQ(frame.card, QRectF(QPointF(c.xs[n], y), c.tileSize)) << t.id.toStdString();
                EXPECT_EQ(frame.tile.topLeft(), frame.card.topLeft());
                EXPECT_GT(frame.tile.bottom(), frame.card.bottom());
                EXPECT_TRUE(frame.tile.contains(frame.name.center()));
                EXPECT_EQ(frame.note.has_value(), t.note.has_value());
                rowBottom = std::max(rowBottom, frame.tile.bottom());

                // The strip in the card's bottom-left corner: the icons in a row inside it, then the count of the rest.
                ASSERT_EQ(frame.appStrip.has_value(), !t.apps.empty());
                ASSERT_EQ(frame.appIcons.size(), shownApps(t.apps.size()));
                EXPECT_EQ(frame.moreApps.has_value(), t.apps.size() > 6);
                if (frame.appStrip) {
                    const QRectF strip = *frame.appStrip;
                    EXPECT_EQ(strip.topLeft(), QPointF(frame.card.left() + 8, frame.card.bottom() - 38));
                    EXPECT_EQ(strip.height(), 30);
                    EXPECT_LE(strip.right(), frame.card.right() - 8);
                    for (std::size_t a = 0; a < frame.appIcons.size(); ++a) {
                        EXPECT_EQ(frame.appIcons[a], QRectF(strip.left() + 6 + double(a) * 26, strip.top() + 4, 22, 22)) << a;
                        EXPECT_TRUE(strip.contains(frame.appIcons[a]));
                    }
                    if (frame.moreApps) {
                        EXPECT_GE(frame.moreApps->left(), frame.appIcons.back().right());
                        EXPECT_TRUE(strip.contains(*frame.moreApps));
                    }
                }
                EXPECT_EQ(frame.automationMark.has_value(), t.hasAutomation);
                if (frame.automationMark) {
                    EXPECT_TRUE(frame.card.contains(*frame.automationMark));
                    if (frame.appStrip)
                        EXPECT_FALSE(frame.automationMark->intersects(*frame.appStrip));
                }
            }
            y = rowBottom;
        }
        EXPECT_EQ(titles, f.sectionTitles.size());

        // Nothing matches a search: the line that says so, where the grid would start.
        EXPECT_EQ(f.noMatch.has_value(), c.sections.empty() && !c.query.isEmpty());
        if (f.noMatch)
            EXPECT_EQ(f.noMatch->topLeft(), QPointF(72, gridTop));
        const double end = f.noMatch ? f.noMatch->bottom() : y;
        EXPECT_DOUBLE_EQ(f.contentHeight, end - (gridTop - c.scroll) + 48);
    }
}

TEST(OverlayPictureCache, APictureHandedOutOutlivesEveryLaterMiss)
{
    // Anything handed out is a value, never a reference into the cache.
    OverlayPictureCache pictures;
    static_assert(!std::is_reference_v<decltype(pictures.shadow({}, 0, 0, 1, 0))>);
    static_assert(!std::is_reference_v<decltype(pictures.border({}, 0, {}, 1, 0))>);
    static_assert(!std::is_reference_v<decltype(pictures.card({}, {}, {}, 1, 0, true).image)>);

    QImage preview(320, 200, QImage::Format_RGB32);
    preview.fill(QColor(40, 160, 90));
    OverlayPictureCache::Source source;
    source.image = preview;
    source.size = preview.size();
    OverlayTile t = tile("1");

    const QImage& card = pictures.card(t.id, source, QSize(300, 188), 1, 14, true).image;
    const QImage& shadow = pictures.shadow(QSize(300, 188), 10, 0.3, 1, 14);
    const QImage& border = pictures.border(QSize(300, 188), 1, Qt::white, 1, 14);
    const QImage cardBefore = card.copy();
    const QImage shadowBefore = shadow.copy();
    const QImage borderBefore = border.copy();
    ASSERT_EQ(pictures.made(), 1);
    ASSERT_EQ(card.pixelColor(150, 94), QColor(40, 160, 90));

    // Misses enough to drop every entry: the card at two other sizes, and
    // more shadows and borders than are kept.
    pictures.card(t.id, source, QSize(200, 125), 1, 14, true);
    pictures.card(t.id, source, QSize(100, 63), 1, 14, true);
    EXPECT_FALSE(pictures.holds(t.id, source, QSize(300, 188), 1, 14)) << "dropped by the later misses";
    for (int i = 1; i <= 300; ++i) {
        pictures.shadow(QSize(10 + i, 10), 10, 0.3, 1, 14);
        pictures.border(QSize(10 + i, 10), 1, Qt::white, 1, 14);
    }
    EXPECT_EQ(card, cardBefore);
    EXPECT_EQ(shadow, shadowBefore);
    EXPECT_EQ(border, borderBefore);

    // A stand-in is scaled from the size held, and is not taken for the picture made at that size.
    const OverlayPictureCache::Card standIn = pictures.card(t.id, source, QSize(300, 188), 1, 14, false);
    EXPECT_TRUE(standIn.standIn);
    EXPECT_EQ(pictures.made(), 3);
    EXPECT_FALSE(pictures.holds(t.id, source, QSize(300, 188), 1, 14));
    pictures.make(t.id, source, QSize(300, 188), 1, 14);
    EXPECT_TRUE(pictures.holds(t.id, source, QSize(300, 188), 1, 14));
    EXPECT_FALSE(standIn.image.isNull()) << "the stand-in handed out stays whole after it is replaced";

    // A Space that is gone takes its pictures with it.
    pictures.keepOnly({QStringLiteral("2")});
    EXPECT_FALSE(pictures.holds(t.id, source, QSize(300, 188), 1, 14));
}
