#include "UI/SpaceDock/SpaceDockController.h"
#include "UI/Symbols/SymbolCatalogue.h"
#include "tests/UI/PanelWorld.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

using WindowInfo = SpaceContents::WindowInfo;

WindowInfo window(std::uint32_t id, std::int32_t pid, const QString& app, const QString& title)
{
    WindowInfo w;
    w.id = id;
    w.pid = pid;
    w.appName = app;
    w.title = title;
    w.spaceID = 1;
    return w;
}

class SpaceDockTest : public test::PanelWorldTest {
protected:
    void SetUp() override
    {
        PanelWorldTest::SetUp();
        Settings::defaults().set(Settings::Key::spaceDock, true);
        dock.onFocus = [this](const WindowInfo& w) { focused.push_back(w.id); };
    }

    std::vector<std::uint32_t> entries() const
    {
        std::vector<std::uint32_t> result;
        for (const WindowInfo& w : const_cast<SpaceDockController&>(dock).model().apps())
            result.push_back(w.id);
        return result;
    }

    // Three windows of Browser and one of Mail.
    const std::vector<WindowInfo> four{window(21, 401, "Browser", "One"), window(22, 401, "Browser", "Two"),
                                       window(23, 403, "Mail", ""), window(24, 401, "Browser", "Three")};
    SpaceDockController dock{scheduler};
    std::vector<std::uint32_t> focused;
};

TEST_F(SpaceDockTest, OneIconPerAppWithItsFirstWindow)
{
    dock.update(four, "Desktop 1");
    EXPECT_EQ(entries(), (std::vector<std::uint32_t>{21, 23}));
    EXPECT_EQ(dock.model().spaceName(), "Desktop 1");
    ASSERT_EQ(dock.view()->buttons().size(), 2u);
    EXPECT_EQ(dock.view()->buttons()[0]->toolTip(), "Browser: One");
    EXPECT_EQ(dock.view()->buttons()[1]->toolTip(), "Mail"); // no title: the app name alone
    EXPECT_TRUE(dock.view()->buttons()[0]->hasAppIcon());
    EXPECT_FALSE(dock.view()->emptySymbol());
}

TEST_F(SpaceDockTest, TheNameTakesOneLineOfAtMost52)
{
    dock.update(four, "Work");
    EXPECT_EQ(dock.view()->nameLabel()->text(), "Work");
    dock.update(four, "A rather long name for a Space");
    EXPECT_TRUE(dock.view()->nameLabel()->text().endsWith(QChar(0x2026)));
    EXPECT_LE(dock.view()->nameLabel()->width(), SpaceDockView::kNameMaxWidth);
}

TEST_F(SpaceDockTest, AClickHandsTheEntryToOnFocusCopiedOnEveryUpdate)
{
    dock.update(four, "Desktop 1");
    QTest::mouseClick(dock.view()->buttons()[1], Qt::LeftButton);
    EXPECT_EQ(focused, std::vector<std::uint32_t>{23});

    std::vector<std::uint32_t> later;
    dock.onFocus = [&](const WindowInfo& w) { later.push_back(w.id); };
    QTest::mouseClick(dock.view()->buttons()[0], Qt::LeftButton);
    EXPECT_EQ(focused, (std::vector<std::uint32_t>{23, 21})); // not copied before the next update
    dock.update(four, "Desktop 1");
    QTest::mouseClick(dock.view()->buttons()[0], Qt::LeftButton);
    EXPECT_EQ(later, std::vector<std::uint32_t>{21});
}

TEST_F(SpaceDockTest, AnAppThatDoesNotRunShowsTheAppSymbolAndStillClicks)
{
    dock.update({window(31, 999, "Gone", "x")}, "Desktop 1");
    ASSERT_EQ(dock.view()->buttons().size(), 1u);
    EXPECT_FALSE(dock.view()->buttons()[0]->hasAppIcon());
    QTest::mouseClick(dock.view()->buttons()[0], Qt::LeftButton);
    EXPECT_EQ(focused, std::vector<std::uint32_t>{31});
}

TEST_F(SpaceDockTest, AnEmptySpaceShowsTheNameAndTheTray)
{
    ASSERT_TRUE(SymbolCatalogue::contains("tray"));
    dock.update({}, "Work");
    ASSERT_TRUE(dock.panel());
    EXPECT_TRUE(dock.panel()->isVisible());
    EXPECT_TRUE(dock.view()->buttons().empty());
    ASSERT_TRUE(dock.view()->emptySymbol());
    EXPECT_FALSE(dock.view()->emptySymbol()->pixmap().isNull());
    EXPECT_EQ(dock.view()->nameLabel()->text(), "Work");
}

TEST_F(SpaceDockTest, TheSettingDecidesAndOffLeavesTheModelAsItWas)
{
    Settings::defaults().set(Settings::Key::spaceDock, false);
    dock.update(four, "Desktop 1");
    EXPECT_FALSE(dock.panel());
    EXPECT_TRUE(entries().empty());

    Settings::defaults().set(Settings::Key::spaceDock, true);
    dock.update(four, "Desktop 1");
    ASSERT_TRUE(dock.panel());
    Panel* panel = dock.panel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->level(), Panel::Level::floating);
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));

    Settings::defaults().set(Settings::Key::spaceDock, false);
    dock.update({}, "Elsewhere");
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(entries(), (std::vector<std::uint32_t>{21, 23}));
    EXPECT_EQ(dock.model().spaceName(), "Desktop 1");

    Settings::defaults().set(Settings::Key::spaceDock, true);
    dock.update({}, "Back");
    EXPECT_EQ(dock.panel(), panel);
    EXPECT_TRUE(panel->isVisible());
}

TEST_F(SpaceDockTest, FirstShownLeftOfTheMainScreenThenKeepsItsOriginAndGrowsUp)
{
    dock.update({window(21, 401, "Browser", "One")}, "Desktop 1");
    // The main screen's visible frame is (0, 0, 1512, 958): its menu bar takes 24.
    const QRectF first = dock.panel()->modelFrame();
    EXPECT_EQ(first.topLeft(), QPointF(12, 479));
    EXPECT_EQ(first.size(), QSizeF(dock.view()->sizeHint()));
    EXPECT_EQ(SpaceDockController::savedFrame(), first);

    dock.update(four, "Desktop 1");
    const QRectF second = dock.panel()->modelFrame();
    EXPECT_EQ(second.topLeft(), first.topLeft());
    EXPECT_EQ(second.height(), first.height() + SpaceDockView::kIconSide + 8);
}

TEST_F(SpaceDockTest, ARememberedFrameIsTakenWhenShownAgain)
{
    Settings::defaults().set(SpaceDockController::frameDefaultsKey(), QStringLiteral("300 200 52 100"));
    dock.update(four, "Desktop 1");
    EXPECT_EQ(dock.panel()->modelFrame().topLeft(), QPointF(300, 200));
    EXPECT_EQ(dock.panel()->modelFrame().size(), QSizeF(dock.view()->sizeHint()));
}

TEST_F(SpaceDockTest, DraggingTheBackgroundMovesTheColumnAndIsRemembered)
{
    dock.update(four, "Desktop 1");
    QWidget* view = dock.view();
    const QPointF start = dock.panel()->modelFrame().topLeft();
    const auto send = [&](QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(local), QPointF(view->mapToGlobal(local)), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(42, 32), Qt::LeftButton); // right 40, down 30
    send(QEvent::MouseButtonRelease, QPoint(42, 32), Qt::NoButton);
    const QPointF moved = dock.panel()->modelFrame().topLeft();
    EXPECT_EQ(moved, start + QPointF(40, -30));
    EXPECT_EQ(SpaceDockController::savedFrame()->topLeft(), moved);
}

TEST_F(SpaceDockTest, FollowsTheCurrentSpace)
{
    dock.updateForCurrentSpace(watcher->snapshot(), *contents, *store);
    EXPECT_EQ(dock.model().spaceName(), "Desktop 1");
    EXPECT_EQ(entries(), (std::vector<std::uint32_t>{11, 14}));

    switchTo(2);
    dock.updateForCurrentSpace(watcher->snapshot(), *contents, *store);
    EXPECT_EQ(dock.model().spaceName(), "Work");
    EXPECT_EQ(entries(), (std::vector<std::uint32_t>{12, 16}));

    // No current Space: the dock is left as it was.
    dock.updateForCurrentSpace(SpaceSnapshot::empty(), *contents, *store);
    EXPECT_EQ(dock.model().spaceName(), "Work");
}

TEST_F(SpaceDockTest, ScreenshotShowsTheNameAndTheAppIcons)
{
    dock.update(four, "Desktop 1");
    QApplication::processEvents();
    const QImage image = dock.view()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    keep(image, "space-dock");
    EXPECT_EQ(image.size(), dock.view()->sizeHint());
    const auto centre = [&](QWidget* w) { return image.pixelColor(w->mapTo(dock.view(), w->rect().center())); };
    RunningApplications& apps = Platform::current().runningApplications();
    EXPECT_EQ(centre(dock.view()->buttons()[0]).rgb(), apps.icon(401).pixelColor(0, 0).rgb());
    EXPECT_EQ(centre(dock.view()->buttons()[1]).rgb(), apps.icon(403).pixelColor(0, 0).rgb());

    // The name is drawn: its label holds light text pixels over the dark pane.
    const QRect name(dock.view()->nameLabel()->mapTo(dock.view(), QPoint(0, 0)), dock.view()->nameLabel()->size());
    int light = 0;
    for (int y = name.top(); y <= name.bottom(); ++y) {
        for (int x = name.left(); x <= name.right(); ++x)
            light += qGray(image.pixel(x, y)) > 110;
    }
    EXPECT_GT(light, 10);
}

} // namespace
