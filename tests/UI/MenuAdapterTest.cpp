#include "Platform/VirtualScheduler.h"
#include "UI/MenuBar/TrayStatusItem.h"
#include "UI/Menus/MenuAdapter.h"

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

MenuItem item(const QString& title, std::function<void()> action = {})
{
    MenuItem i;
    i.title = title;
    i.action = std::move(action);
    return i;
}

QAction* actionTitled(QMenu* menu, const QString& textStart)
{
    for (QAction* a : menu->actions()) {
        if (a->text().startsWith(textStart))
            return a;
    }
    return nullptr;
}

} // namespace

TEST(MenuAdapter, TextsAsWrittenSeparatorsKeptAndHintsInQtsNativeText)
{
    VirtualScheduler scheduler;
    MenuItem rename = item(QStringLiteral("Rename Tom & Jerry\tTwo\u2026"), [] {});
    MenuItem row = item(QStringLiteral("Desktop 1"), [] {});
    row.key = Qt::Key_1;
    row.modifiers = Qt::ControlModifier | Qt::AltModifier;
    MenuItem header = item(QStringLiteral("Display"));
    header.enabled = false;
    MenuItem parent = item(QStringLiteral("Windows and Spaces"));
    parent.children = {item(QStringLiteral("Find"), [] {})};
    std::unique_ptr<QMenu> menu(MenuAdapter::build(
        {header, row, MenuItem::separator(), MenuItem::separator(), rename, parent}, scheduler));

    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 6);
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_TRUE(actions[3]->isSeparator()); // two in a row stay two
    EXPECT_FALSE(menu->separatorsCollapsible());
    EXPECT_FALSE(actions[0]->isEnabled());
    // "&" is no mnemonic, a tab no column.
    EXPECT_EQ(actions[4]->text(), QStringLiteral("Rename Tom && Jerry Two\u2026"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Desktop 1\tCtrl+Alt+1"));
    EXPECT_TRUE(actions[5]->menu());
    EXPECT_TRUE(menu->toolTipsVisible());
}

TEST(MenuAdapter, ChosenItemsRunAfterTheMenuClosedByClickHintOrKeyboard)
{
    VirtualScheduler scheduler;
    std::vector<QString> ran;
    MenuItem first = item(QStringLiteral("Desktop 1"), [&ran] { ran.push_back(QStringLiteral("one")); });
    first.state = MenuItem::State::on;
    first.rich = MenuItem::RichTitle{QStringLiteral("1  "), QStringLiteral("Desktop 1"), {}, QStringLiteral("a note"), 3};
    MenuItem third = item(QStringLiteral("Desktop 3"), [&ran] { ran.push_back(QStringLiteral("three")); });
    third.rich = MenuItem::RichTitle{QStringLiteral("3  "), QStringLiteral("Desktop 3"), {}, std::nullopt, 0};
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::blue);
    third.rich->appIcons = {icon};
    MenuItem quit = item(QStringLiteral("Quit"), [&ran] { ran.push_back(QStringLiteral("quit")); });
    quit.key = Qt::Key_Q;
    quit.modifiers = Qt::ControlModifier;

    QMenu* menu = MenuAdapter::build({first, third, quit}, scheduler, nullptr, true);
    QPointer<QMenu> alive(menu);
    menu->popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    // The rich rows make room for the note line.
    EXPECT_GT(menu->actionGeometry(menu->actions()[0]).height(), menu->actionGeometry(menu->actions()[1]).height());
    EXPECT_TRUE(menu->actions()[0]->isChecked());

    // Arrow keys and Return choose a rich row; it runs once the menu is gone.
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(ran.empty());
    scheduler.runPending();
    EXPECT_EQ(ran, std::vector<QString>{QStringLiteral("three")});
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(alive); // closed menus go

    // A hint's keys choose its item while the menu is open.
    std::unique_ptr<QMenu> again(MenuAdapter::build({first, third, quit}, scheduler));
    again->popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(again.get()));
    QTest::keyClick(again.get(), Qt::Key_Q, Qt::ControlModifier);
    scheduler.runPending();
    EXPECT_EQ(ran.back(), QStringLiteral("quit"));
    EXPECT_FALSE(again->isVisible());

    // A click chooses too.
    std::unique_ptr<QMenu> clicked(MenuAdapter::build({first, third, quit}, scheduler));
    clicked->popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clicked.get()));
    QTest::mouseClick(clicked.get(), Qt::LeftButton, {}, clicked->actionGeometry(clicked->actions()[0]).center());
    scheduler.runPending();
    EXPECT_EQ(ran.back(), QStringLiteral("one"));
}

TEST(MenuAdapter, TheCheckedRowWithAnIconShowsAMarkBesideItsIconNotAFrameRoundIt)
{
    VirtualScheduler scheduler;
    // The same two rows twice, the check on the first row, then on the second.
    auto rows = [](bool firstChecked) {
        std::vector<MenuItem> items;
        for (int i = 0; i < 2; ++i) {
            MenuItem row = item(QStringLiteral("Desktop %1").arg(i + 1), [] {});
            row.symbol = QStringLiteral("envelope");
            row.rich = MenuItem::RichTitle{QStringLiteral("%1  ").arg(i + 1), row.title, {}, std::nullopt, 0};
            row.state = (i == 0) == firstChecked ? MenuItem::State::on : MenuItem::State::off;
            items.push_back(row);
        }
        return items;
    };
    std::unique_ptr<QMenu> checked(MenuAdapter::build(rows(true), scheduler));
    std::unique_ptr<QMenu> unchecked(MenuAdapter::build(rows(false), scheduler));
    checked->resize(checked->sizeHint());
    unchecked->resize(checked->sizeHint());
    const QRect first = checked->actionGeometry(checked->actions()[0]);
    ASSERT_EQ(first, unchecked->actionGeometry(unchecked->actions()[0]));
    const QImage a = checked->grab(first).toImage();
    const QImage b = unchecked->grab(first).toImage();
    ASSERT_EQ(a.size(), b.size());
    // Where the two renderings of the first row differ: only right of the icon column.
    int differing = 0, leftmost = a.width();
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ++differing;
                leftmost = std::min(leftmost, x);
            }
        }
    }
    EXPECT_GT(differing, 10); // a mark that can be seen
    const int iconRight = checked->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, checked.get()) + 4;
    EXPECT_GT(leftmost, iconRight); // the icon is drawn alike, without a sunken frame
}

TEST(MenuAdapter, AMenuTallerThanTheScreenScrollsInOneColumn)
{
    VirtualScheduler scheduler;
    std::vector<MenuItem> few, many;
    for (int i = 0; i < 3; ++i)
        few.push_back(item(QStringLiteral("Desktop %1").arg(i + 1), [] {}));
    for (int i = 0; i < 200; ++i)
        many.push_back(item(QStringLiteral("Desktop %1").arg(i + 1), [] {}));
    many.push_back(item(QStringLiteral("Quit Lumivast"), [] {}));
    std::unique_ptr<QMenu> small(MenuAdapter::build(few, scheduler));
    std::unique_ptr<QMenu> tall(MenuAdapter::build(many, scheduler));
    tall->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tall.get()));
    const QRect screen = tall->screen()->availableGeometry();
    EXPECT_LE(tall->height(), screen.height());
    EXPECT_LT(tall->width(), small->sizeHint().width() * 3 / 2); // no second column
    // Every row sits in the one column.
    EXPECT_EQ(tall->actionGeometry(tall->actions().back()).left(), tall->actionGeometry(tall->actions().front()).left());
    tall->close();
}

TEST(TrayStatusItem, DrawsTheWholeLookIntoOneImage)
{
    QImage glyph(16, 16, QImage::Format_ARGB32_Premultiplied);
    glyph.fill(Qt::black);
    const StatusItem::Image templateImage{glyph, true};
    const QColor text(Qt::darkGreen);

    // Template images in the text colour, then the title; at the screen's density.
    const QImage both = TrayStatusItem::compose(QStringLiteral("Mail"), templateImage,
                                                StatusItem::ImagePosition::imageLeading, text, 2.0);
    EXPECT_EQ(both.devicePixelRatio(), 2.0);
    EXPECT_EQ(both.height(), 44);
    EXPECT_GT(both.width(), 2 * (16 + 10));
    EXPECT_EQ(both.pixelColor(8, 22), text);
    int titleInk = 0;
    for (int x = 2 * 20; x < both.width(); ++x)
        for (int y = 0; y < both.height(); ++y)
            titleInk += qAlpha(both.pixel(x, y)) > 0;
    EXPECT_GT(titleInk, 40);

    // A picture keeps its colours; an image-only strip ignores the title.
    QImage picture = glyph;
    picture.fill(Qt::red);
    const QImage own = TrayStatusItem::compose(QStringLiteral("x"), StatusItem::Image{picture, false},
                                               StatusItem::ImagePosition::imageOnly, text, 1.0);
    EXPECT_EQ(own.size(), QSize(22, 22)); // never narrower than the slot, centred
    EXPECT_EQ(own.pixelColor(11, 11), QColor(Qt::red));
    EXPECT_EQ(qAlpha(own.pixel(1, 11)), 0);

    // Nothing to show is a transparent image, never a null one.
    const QImage empty = TrayStatusItem::compose(QString(), std::nullopt, StatusItem::ImagePosition::imageLeading, text, 1.0);
    ASSERT_FALSE(empty.isNull());
    EXPECT_EQ(qAlpha(empty.pixel(11, 11)), 0);

    // Back from the host's slot to the image: centred and shrunk to fit, never enlarged.
    EXPECT_DOUBLE_EQ(TrayStatusItem::imageX(110, QRectF(100, 0, 22, 20), QSizeF(57, 22)), (10 - 0) / (22.0 / 57));
    EXPECT_DOUBLE_EQ(TrayStatusItem::imageX(111, QRectF(100, 0, 22, 22), QSizeF(22, 22)), 11);
    EXPECT_DOUBLE_EQ(TrayStatusItem::imageX(111, QRectF(100, 0, 44, 22), QSizeF(22, 22)), 0);
}

TEST(TrayStatusItem, WheelsOverTheIconScrollAndOthersPassThrough)
{
    VirtualScheduler scheduler;
    TrayStatusItem tray(scheduler);
    std::vector<StatusItem::Scroll> scrolls;
    tray.onScroll = [&scrolls](const StatusItem::Scroll& s) {
        scrolls.push_back(s);
        return true;
    };
    QWheelEvent notch(QPointF(), QPointF(), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    EXPECT_TRUE(QApplication::sendEvent(&tray.trayIcon(), &notch)); // swallowed
    ASSERT_EQ(scrolls.size(), 1u);
    EXPECT_EQ(scrolls[0].dy, -1);
    EXPECT_FALSE(scrolls[0].precise);

    QWheelEvent touchpad(QPointF(), QPointF(), QPoint(3, 7), QPoint(24, 56), Qt::NoButton, Qt::NoModifier,
                         Qt::ScrollUpdate, true);
    QApplication::sendEvent(&tray.trayIcon(), &touchpad);
    ASSERT_EQ(scrolls.size(), 2u);
    EXPECT_EQ(scrolls[1].dy, 7);
    EXPECT_TRUE(scrolls[1].precise);
    EXPECT_TRUE(scrolls[1].inverted);

    // The program's other windows keep their wheels.
    QWidget other;
    QWheelEvent elsewhere(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
    QApplication::sendEvent(&other, &elsewhere);
    EXPECT_EQ(scrolls.size(), 2u);
}
