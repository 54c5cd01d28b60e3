#include "UI/Settings/PaneKit.h"
#include "UI/Settings/SettingsPanes.h"
#include "UI/Symbols/SymbolCatalogue.h"
#include "tests/UI/SettingsWorld.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

class SettingsWindowTest : public test::SettingsWorldTest {};

TEST(SettingsTabs, TitlesSymbolsOrderAndParsing)
{
    struct Row {
        SettingsTab tab;
        const char* raw;
        const char* title;
        const char* symbol;
    };
    const std::vector<Row> rows = {
        {SettingsTab::general, "general", "General", "gearshape"},
        {SettingsTab::spaces, "spaces", "Spaces", "rectangle.3.group"},
        {SettingsTab::windows, "windows", "Windows", "macwindow.on.rectangle"},
        {SettingsTab::profiles, "profiles", "Profiles", "person.crop.rectangle.stack"},
        {SettingsTab::shortcuts, "shortcuts", "Shortcuts", "command"},
        {SettingsTab::appearance, "appearance", "Appearance", "paintbrush"},
        {SettingsTab::overview, "overview", "Overview", "square.grid.2x2"},
        {SettingsTab::stats, "stats", "Time", "clock"},
        {SettingsTab::setup, "setup", "Setup", "checklist"},
        {SettingsTab::backup, "backup", "Backup", "externaldrive"},
    };
    ASSERT_EQ(allSettingsTabs().size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(allSettingsTabs()[i], row.tab) << row.raw;
        EXPECT_EQ(rawValue(row.tab), row.raw);
        EXPECT_EQ(title(row.tab), row.title);
        EXPECT_EQ(symbol(row.tab), row.symbol);
        EXPECT_TRUE(SymbolCatalogue::contains(symbol(row.tab))) << row.symbol;
        EXPECT_EQ(settingsTabFromRawValue(row.raw), row.tab);
    }
    for (const char* text : {"Time", "Stats", "time", "General", " general", ""})
        EXPECT_EQ(settingsTabFromRawValue(text), std::nullopt) << text;
}

TEST_F(SettingsWindowTest, FirstShowOpensGeneralCentredAtTheDefaultSizeAndLaterShowsNeitherMoveNorResize)
{
    EXPECT_EQ(controller->window(), nullptr);
    controller->show();
    ASSERT_NE(controller->window(), nullptr);
    EXPECT_EQ(window().windowTitle(), "Lumivast Settings");
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(controller->navigation().tab(), SettingsTab::general);
    EXPECT_EQ(window().sidebar()->currentRow(), 0);
    EXPECT_EQ(window().size(), QSize(760, 600));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window().geometry().center() - screenCentre).manhattanLength(), 8);

    window().move(40, 30);
    window().resize(900, 700);
    SettingsWindow* first = controller->window();
    controller->show(SettingsTab::windows);
    EXPECT_EQ(controller->window(), first);
    EXPECT_EQ(window().pos(), QPoint(40, 30));
    EXPECT_EQ(window().size(), QSize(900, 700));
    EXPECT_EQ(controller->navigation().tab(), SettingsTab::windows);
}

TEST_F(SettingsWindowTest, TheTabSurvivesClosingAndShowWithoutTabKeepsIt)
{
    controller->show();
    clickTab(SettingsTab::backup);
    EXPECT_EQ(controller->navigation().tab(), SettingsTab::backup);
    window().close();
    EXPECT_FALSE(window().isVisible());
    controller->show();
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(controller->navigation().tab(), SettingsTab::backup);
    EXPECT_EQ(window().sidebar()->currentRow(), 9);
}

TEST_F(SettingsWindowTest, ShowWithASpaceSelectsItAndALaterShowWithoutOneKeepsIt)
{
    controller->show(SettingsTab::windows);
    const QString id = space(3).id;
    controller->show(SettingsTab::spaces, id);
    EXPECT_EQ(controller->navigation().tab(), SettingsTab::spaces);
    EXPECT_EQ(controller->navigation().selectedSpaceID(), id);
    controller->show();
    EXPECT_EQ(controller->navigation().selectedSpaceID(), id);
    // An id no Space has is kept as it is.
    controller->show(SettingsTab::spaces, QStringLiteral("gone"));
    EXPECT_EQ(controller->navigation().selectedSpaceID(), QStringLiteral("gone"));
}

TEST_F(SettingsWindowTest, TheSidebarIsNeverWithoutASelection)
{
    controller->show(SettingsTab::overview);
    QListWidget* sidebar = window().sidebar();
    sidebar->clearSelection();
    EXPECT_EQ(sidebar->selectedItems().size(), 1);
    EXPECT_EQ(sidebar->currentRow(), 6);
    // A Ctrl-click on the selected row and a click below the last row.
    const QRect row = sidebar->visualItemRect(sidebar->item(6));
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, Qt::ControlModifier, row.center());
    EXPECT_EQ(sidebar->selectedItems().size(), 1);
    const QRect last = sidebar->visualItemRect(sidebar->item(sidebar->count() - 1));
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, QPoint(last.center().x(), last.bottom() + 40));
    ASSERT_EQ(sidebar->selectedItems().size(), 1);
    EXPECT_EQ(sidebar->selectedItems().front()->text(), "Overview");
    EXPECT_EQ(controller->navigation().tab(), SettingsTab::overview);
    // A plain click on another row picks it.
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, sidebar->visualItemRect(sidebar->item(7)).center());
    EXPECT_EQ(controller->navigation().tab(), SettingsTab::stats);
    EXPECT_EQ(sidebar->selectedItems().front()->text(), "Time");
}

TEST_F(SettingsWindowTest, TheFrameIsSavedAndTheNextRunOpensAtItsSize)
{
    controller->show();
    window().resize(820, 640);
    scheduler.advance(SettingsWindow::kFrameSaveDelay);
    ASSERT_TRUE(home.defaults().string(SettingsWindow::kFrameKey));
    EXPECT_EQ(SettingsWindow::savedSize(), QSize(820, 640));

    SettingsWindowController next(*services);
    next.show();
    EXPECT_EQ(next.window()->size(), QSize(820, 640));

    home.defaults().set(SettingsWindow::kFrameKey, QStringLiteral("junk"));
    EXPECT_EQ(SettingsWindow::savedSize(), QSize(760, 600));
}

// ---- the pane kit ----

class PaneKitTest : public test::SettingsWorldTest {};

TEST_F(PaneKitTest, AToggleWritesAtOnceAndFollowsOutsideWritesWithoutWritingBack)
{
    SettingToggle toggle(QStringLiteral("Space Lock"), K::spaceLock);
    EXPECT_FALSE(toggle.isChecked()); // the registered default
    toggle.click();
    EXPECT_EQ(home.defaults().object(K::spaceLock), QJsonValue(true));

    int writes = 0;
    QObject::connect(&home.defaults(), &UserDefaults::changed, &toggle, [&](const QString& key) {
        if (key == K::spaceLock)
            ++writes;
    });
    home.defaults().set(K::spaceLock, false);
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_EQ(writes, 1); // the outside write only
    // Junk reads as the components read it.
    home.defaults().set(K::spaceLock, QStringLiteral("yes"));
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_EQ(home.defaults().object(K::spaceLock), QJsonValue(QStringLiteral("yes")));
}

TEST_F(PaneKitTest, APickerStoresRawValuesAndLeavesAnUnknownValueAlone)
{
    SettingPicker picker(K::switchMode, {{QStringLiteral("Instant"), QStringLiteral("instant")},
                                         {QStringLiteral("Classic"), QStringLiteral("classic")}});
    EXPECT_EQ(picker.currentIndex(), 0);
    picker.setCurrentIndex(1);
    EXPECT_EQ(home.defaults().string(K::switchMode), "classic");
    home.defaults().set(K::switchMode, QStringLiteral("warp"));
    EXPECT_EQ(picker.currentIndex(), -1);
    EXPECT_EQ(home.defaults().string(K::switchMode), "warp");
    home.defaults().set(K::switchMode, QStringLiteral("instant"));
    EXPECT_EQ(picker.currentIndex(), 0);

    // Numbers match by value: a stored whole 30 is the 30.0 option.
    SettingPicker seconds(K::thumbnailRefreshInterval, {{QStringLiteral("15 s"), 15.0}, {QStringLiteral("30 s"), 30.0}});
    home.defaults().set(K::thumbnailRefreshInterval, QJsonValue(qint64(30)));
    EXPECT_EQ(seconds.currentIndex(), 1);
    home.defaults().set(K::thumbnailRefreshInterval, QJsonValue(QStringLiteral("30")));
    EXPECT_EQ(seconds.currentIndex(), -1);
}

TEST_F(PaneKitTest, AFormKeepsItsOutcomeLineBelowEverySection)
{
    PaneForm form;
    FormSection* first = form.addSection(QStringLiteral("First"));
    first->addRow(new QLabel(QStringLiteral("row")));
    form.setOutcome(QStringLiteral("Done."));
    FormSection* second = form.addSection(QStringLiteral("Second"));
    form.resize(520, 600);
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.outcome(), QStringLiteral("Done."));
    EXPECT_GT(form.outcomeLabel()->y(), second->y() + second->height() - 1);
    EXPECT_GT(second->y(), first->y());
    form.setOutcome(std::nullopt);
    EXPECT_EQ(form.outcome(), std::nullopt);
}

} // namespace

// Every picker, slider and number field of every pane and of the Space editor:
// the wheel scrolls the form past it unless it has the keyboard focus.
TEST_F(PaneKitTest, TheWheelScrollsTheFormPastAControlWithoutFocus)
{
    int writes = 0;
    QObject::connect(&home.defaults(), &UserDefaults::changed, store.get(), [&] { ++writes; });
    QObject::connect(store.get(), &SpaceStore::changed, store.get(), [&] { ++writes; });
    const auto wheel = [](QWidget* widget, int notches) {
        const QPointF centre = QRectF(widget->rect()).center();
        QWheelEvent event(centre, widget->mapToGlobal(centre), QPoint(), QPoint(0, -120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(widget, &event);
    };
    const auto valueOf = [](QWidget* control) {
        if (auto* box = qobject_cast<QComboBox*>(control))
            return box->currentIndex();
        return qobject_cast<QAbstractSlider*>(control)->value();
    };
    bool scrolled = false;
    int tried = 0;
    for (SettingsTab tab : allSettingsTabs()) {
        controller->show(tab, tab == SettingsTab::spaces ? std::optional<QString>(space(3).id) : std::nullopt);
        window().resize(window().minimumSizeHint());
        window().show();
        QCoreApplication::processEvents();
        for (QWidget* control : window().pane()->findChildren<QWidget*>()) {
            if (!qobject_cast<QComboBox*>(control) && !qobject_cast<QAbstractSlider*>(control))
                continue;
            if (qobject_cast<QScrollBar*>(control) || !control->isVisibleTo(&window()) || !control->isEnabled())
                continue;
            auto* form = [&]() -> PaneForm* {
                for (QWidget* up = control->parentWidget(); up; up = up->parentWidget())
                    if (auto* found = qobject_cast<PaneForm*>(up))
                        return found;
                return nullptr;
            }();
            ASSERT_NE(form, nullptr) << control->metaObject()->className();
            form->verticalScrollBar()->setValue(0);
            const int before = valueOf(control);
            writes = 0;
            wheel(control, 2);
            ++tried;
            EXPECT_EQ(valueOf(control), before) << rawValue(tab).toStdString() << " "
                                                << control->metaObject()->className();
            EXPECT_EQ(writes, 0) << rawValue(tab).toStdString();
            scrolled = scrolled || form->verticalScrollBar()->value() > 0;
        }
    }
    EXPECT_GE(tried, 14); // the pickers of every pane, the duration slider and the editor's
    EXPECT_TRUE(scrolled);

    // With the focus the wheel is the control's again.
    controller->show(SettingsTab::appearance);
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    auto* position = window().pane()->findChildren<SettingPicker*>().first();
    position->setFocus();
    ASSERT_TRUE(position->hasFocus());
    const int before = position->currentIndex();
    wheel(position, 1);
    EXPECT_NE(position->currentIndex(), before);
}

// At the window's smallest size every pane's form fits its column: labels
// wrap and fields narrow, so nothing is cut at the right edge.
TEST_F(SettingsWindowTest, AtItsSmallestSizeNothingRunsPastAPanesEdge)
{
    for (SettingsTab tab : allSettingsTabs()) {
        controller->show(tab, tab == SettingsTab::spaces ? std::optional<QString>(space(3).id) : std::nullopt);
        window().resize(window().minimumSize());
        window().show();
        QCoreApplication::processEvents();
        ASSERT_EQ(window().size(), window().minimumSize());
        QList<PaneForm*> forms = window().pane()->findChildren<PaneForm*>();
        forms << qobject_cast<PaneForm*>(window().pane());
        for (PaneForm* form : forms) {
            if (!form || !form->isVisibleTo(&window()))
                continue;
            QWidget* viewport = form->viewport();
            for (QWidget* widget : form->widget()->findChildren<QWidget*>()) {
                if (!widget->isVisibleTo(&window()) || widget->width() == 0)
                    continue;
                if (!qobject_cast<QLabel*>(widget) && !qobject_cast<QAbstractButton*>(widget)
                    && !qobject_cast<QComboBox*>(widget) && !qobject_cast<QLineEdit*>(widget))
                    continue;
                const QRect inViewport(widget->mapTo(viewport, QPoint(0, 0)), widget->size());
                EXPECT_LE(inViewport.right(), viewport->width() - 1)
                    << rawValue(tab).toStdString() << " " << widget->metaObject()->className() << " \""
                    << widget->property("text").toString().toStdString() << "\"";
                // A label shows its whole text: as wide as it needs, or wrapping.
                if (auto* label = qobject_cast<QLabel*>(widget); label && !label->wordWrap() && label->pixmap().isNull()
                                                                  && label->textFormat() != Qt::RichText) {
                    EXPECT_GE(label->width() + 1, label->fontMetrics().horizontalAdvance(label->text()))
                        << rawValue(tab).toStdString() << " \"" << label->text().toStdString() << "\"";
                }
            }
        }
    }
}
