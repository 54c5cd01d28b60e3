#include "CGSBridge/CGSBridge.h"
#include "UI/Settings/SpaceEditor.h"
#include "UI/Settings/SpacesPane.h"
#include "tests/UI/SettingsWorld.h"
#include "tests/support/Controls.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace lumivast;
using test::control;

namespace {

class SpacesPaneTest : public test::SettingsWorldTest {
protected:
    SpacesPane* open(std::optional<QString> id = std::nullopt)
    {
        controller->show(SettingsTab::spaces, id);
        return pane<SpacesPane>();
    }
    void removeLastDesktop()
    {
        world->displays.front().spaces.pop_back();
        world->announceChange(kSpaceEvents[0], false);
        scheduler.advance(SpaceWatcher::kDebounce);
        services->snapshots.send(); // as the application does after every snapshot
    }
    QStringList column(QListWidget* list, int role)
    {
        QStringList values;
        for (int row = 0; row < list->count(); ++row)
            values << list->item(row)->data(role).toString();
        return values;
    }
};

TEST_F(SpacesPaneTest, OneFlatListOfEveryDisplaysSpacesWithCurrentAndTints)
{
    store->setColor(QStringLiteral("#4F7BF7"), space(1).id);
    store->setColor(QStringLiteral("blue"), space(3).id);
    SpacesPane* spaces = open();
    ASSERT_NE(spaces, nullptr);
    QListWidget* list = spaces->list();
    EXPECT_EQ(column(list, Qt::DisplayRole), (QStringList{"Desktop 1", "Work", "Desktop 3", "Desktop 4"}));
    EXPECT_EQ(column(list, SpacesPane::kSubtitleRole), (QStringList{"Desktop 1", "Desktop 2", "Desktop 3", "Desktop 4"}));
    EXPECT_EQ(column(list, SpacesPane::kCurrentRole), (QStringList{"true", "false", "false", "true"}));
    EXPECT_EQ(list->item(0)->data(SpacesPane::kTintRole).value<QColor>(), QColor(0x4F, 0x7B, 0xF7));
    EXPECT_FALSE(list->item(1)->data(SpacesPane::kTintRole).isValid());
    EXPECT_FALSE(list->item(2)->data(SpacesPane::kTintRole).isValid());
    EXPECT_EQ(list->item(0)->data(Qt::DecorationRole).toString(), "rectangle.on.rectangle");

    // The pane follows the watcher, not the store.
    store->setName(QStringLiteral("Mail"), space(1).id);
    EXPECT_EQ(list->item(0)->text(), "Desktop 1");
    services->snapshots.send();
    EXPECT_EQ(spaces->list()->item(0)->text(), "Mail");
}

TEST_F(SpacesPaneTest, AFullScreenSpaceAndDemoRows)
{
    install(worldFrom(R"({"displays": [{"current": 1, "spaces": [{"managedID": 1}, {"managedID": 5, "type": "fullscreen", "pid": 40}]}],
                          "apps": [{"pid": 40, "bundleID": "org.example.player", "name": "Player"}]})"));
    watcher = std::make_unique<SpaceWatcher>(scheduler);
    watcher->start();
    services = std::make_unique<SettingsServices>(*watcher, *store, *tracker, *thumbnails, scheduler, panels);
    controller = std::make_unique<SettingsWindowController>(*services);
    SpacesPane* spaces = open();
    EXPECT_EQ(column(spaces->list(), Qt::DisplayRole), (QStringList{"Desktop 1", "Player"}));
    EXPECT_EQ(column(spaces->list(), SpacesPane::kSubtitleRole), (QStringList{"Desktop 1", "Full screen"}));
    EXPECT_EQ(spaces->list()->item(1)->data(Qt::DecorationRole).toString(), "macwindow");

    DemoMode::resetForTesting();
    home.defaults().set(Settings::Key::demoMode, true);
    services->snapshots.send();
    const DemoMode::Sample* sample = DemoMode::sample(space(1));
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(spaces->list()->item(0)->text(), sample->name);
    EXPECT_EQ(spaces->list()->item(0)->data(Qt::DecorationRole).toString(), sample->symbol);
    EXPECT_EQ(spaces->list()->item(0)->data(SpacesPane::kTintRole).value<QColor>(), QColor(sample->colorHex));
}

TEST_F(SpacesPaneTest, TheFirstVisitSelectsTheSpaceTheUserIsOnAndShowSelectsAnother)
{
    SpacesPane* spaces = open();
    EXPECT_EQ(controller->navigation().selectedSpaceID(), space(1).id);
    ASSERT_NE(spaces->editor(), nullptr);
    EXPECT_EQ(spaces->editor()->space().id, space(1).id);
    EXPECT_EQ(spaces->list()->currentRow(), 0);
    EXPECT_FALSE(spaces->emptyState()->isVisibleTo(spaces));

    controller->show(SettingsTab::spaces, space(3).id);
    EXPECT_EQ(spaces->editor()->space().id, space(3).id);
    EXPECT_EQ(spaces->list()->selectedItems().front()->text(), "Desktop 3");

    // A row chosen in the list becomes the selection.
    spaces->list()->setCurrentRow(3);
    EXPECT_EQ(controller->navigation().selectedSpaceID(), space(7).id);
    EXPECT_EQ(spaces->editor()->space().id, space(7).id);
}

TEST_F(SpacesPaneTest, AnEmptySnapshotSelectsNothing)
{
    install(worldFrom(R"({"displays": []})"));
    watcher = std::make_unique<SpaceWatcher>(scheduler);
    watcher->start();
    services = std::make_unique<SettingsServices>(*watcher, *store, *tracker, *thumbnails, scheduler, panels);
    controller = std::make_unique<SettingsWindowController>(*services);
    SpacesPane* spaces = open();
    EXPECT_EQ(spaces->list()->count(), 0);
    EXPECT_EQ(controller->navigation().selectedSpaceID(), std::nullopt);
    EXPECT_EQ(spaces->editor(), nullptr);
    EXPECT_TRUE(spaces->emptyState()->isVisibleTo(spaces));
}

TEST_F(SpacesPaneTest, ARemovedSpaceKeepsItsStaleIDWithNoRowSelected)
{
    SpacesPane* spaces = open(space(3).id);
    ASSERT_NE(spaces->editor(), nullptr);
    control<QLineEdit>(spaces->editor(), "noteField")->setText(QStringLiteral("Drafts"));
    emit control<QLineEdit>(spaces->editor(), "noteField")->textEdited(QStringLiteral("Drafts"));
    const QString gone = space(3).id;
    removeLastDesktop();
    EXPECT_EQ(spaces->editor(), nullptr);
    EXPECT_TRUE(spaces->emptyState()->isVisibleTo(spaces));
    EXPECT_TRUE(spaces->list()->selectedItems().isEmpty());
    EXPECT_EQ(controller->navigation().selectedSpaceID(), gone);
    // Going off screen saved the copy under the vanished id.
    EXPECT_EQ(store->meta(gone).note, QStringLiteral("Drafts"));

    // Coming back keeps the stale id.
    clickTab(SettingsTab::general);
    clickTab(SettingsTab::spaces);
    EXPECT_EQ(controller->navigation().selectedSpaceID(), gone);
    EXPECT_TRUE(pane<SpacesPane>()->list()->selectedItems().isEmpty());
}

TEST_F(SpacesPaneTest, TheSameSpaceKeepsItsEditorAcrossRedrawsWithTheFreshSpace)
{
    SpacesPane* spaces = open(space(2).id);
    QPointer<SpaceEditor> editor = spaces->editor();
    ASSERT_TRUE(editor);
    EXPECT_FALSE(control<QPushButton>(editor, "wallpaperButton")->isEnabled());
    control<QLineEdit>(editor, "nameField")->setText(QStringLiteral("Typed"));
    emit control<QLineEdit>(editor, "nameField")->textEdited(QStringLiteral("Typed"));

    switchTo(2);
    services->snapshots.send();
    EXPECT_EQ(spaces->editor(), editor.data());
    EXPECT_TRUE(editor->space().isActive);
    EXPECT_TRUE(control<QPushButton>(editor, "wallpaperButton")->isEnabled());
    EXPECT_EQ(control<QLineEdit>(editor, "nameField")->text(), "Typed");

    // Another Space gets a new editor; the first saved on its way out.
    spaces->list()->setCurrentRow(0);
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(store->meta(space(2).id).name, QStringLiteral("Typed"));
    // And the first again: a freshly loaded editor shows what was saved.
    spaces->list()->setCurrentRow(1);
    EXPECT_EQ(control<QLineEdit>(spaces->editor(), "nameField")->text(), "Typed");
}

} // namespace

TEST_F(SpacesPaneTest, ANewSnapshotLeavesTheListWhereTheUserScrolledIt)
{
    const auto addDesktops = [this](int count) {
        for (int i = 0; i < count; ++i) {
            const auto id = std::uint64_t(100 + world->displays.front().spaces.size());
            world->displays.front().spaces.push_back(SimWorld::SimSpace{id, QStringLiteral("EXTRA-%1").arg(id), false, std::nullopt, 0});
        }
        world->announceChange(kSpaceEvents[0], false);
        scheduler.advance(SpaceWatcher::kDebounce);
        services->snapshots.send();
    };
    addDesktops(24);
    SpacesPane* spaces = open(space(1).id);
    ASSERT_NE(spaces, nullptr);
    window().resize(window().minimumSizeHint());
    window().show();
    QCoreApplication::processEvents();
    QListWidget* list = spaces->list();
    ASSERT_GT(list->verticalScrollBar()->maximum(), 0) << "the rows overflow";
    // Rows are as wide as the list: nothing to scroll sideways beside the vertical bar.
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());

    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    const int scrolled = list->verticalScrollBar()->value();
    addDesktops(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(list->verticalScrollBar()->value(), scrolled) << "the selected row, at the top, is not brought back";
    EXPECT_TRUE(list->item(0)->isSelected());
}
