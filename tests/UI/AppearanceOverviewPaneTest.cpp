#include "Platform/Sim/SimAudio.h"
#include "UI/Settings/AppearancePane.h"
#include "UI/Settings/OverviewPane.h"
#include "UI/Settings/TabularDigits.h"
#include "tests/UI/PaneTesting.h"
#include "tests/UI/SettingsWorld.h"

#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <gtest/gtest.h>

using namespace lumivast;
using lumivast::test::findByText;
using lumivast::test::shown;
namespace K = Settings::Key;

namespace {

SettingPicker* pickerOf(QWidget* pane, const QString& key, int nth = 0)
{
    for (SettingPicker* picker : pane->findChildren<SettingPicker*>()) {
        if (picker->key() == key && nth-- == 0)
            return picker;
    }
    ADD_FAILURE() << "no picker for " << key.toStdString();
    return nullptr;
}

QStringList titles(SettingPicker* picker)
{
    QStringList list;
    for (int i = 0; i < picker->count(); ++i)
        list.append(picker->itemText(i));
    return list;
}

class AppearancePaneTest : public test::SettingsWorldTest {
protected:
    AppearancePane* open()
    {
        controller->show(SettingsTab::appearance);
        return pane<AppearancePane>();
    }
    const QStringList& played() { return world->audio().played(); }
};

TEST_F(AppearancePaneTest, DefaultsAndTheRowsThatComeAndGo)
{
    AppearancePane* appearance = open();
    ASSERT_NE(appearance, nullptr);
    EXPECT_EQ(pickerOf(appearance, K::menuBarStyle)->currentText(), "Name");
    EXPECT_EQ(titles(pickerOf(appearance, K::menuBarStyle)),
              (QStringList{"Name", "Number", "Number and name", "Icon only", "All Spaces (numbers)", "All Spaces (dots)"}));
    EXPECT_TRUE(findByText<SettingToggle>(appearance, "Show Space icon")->isChecked());
    EXPECT_TRUE(findByText<SettingToggle>(appearance, "Scroll over the menu bar item to switch")->isChecked());
    EXPECT_TRUE(findByText<SettingToggle>(appearance, "Show the Space name")->isChecked());
    EXPECT_EQ(titles(pickerOf(appearance, K::hudPosition)), (QStringList{"Top", "Center", "Bottom"}));
    EXPECT_EQ(titles(pickerOf(appearance, K::hudSize)), (QStringList{"Small", "Regular", "Large"}));
    EXPECT_EQ(pickerOf(appearance, K::hudPosition)->currentText(), "Top");
    EXPECT_EQ(pickerOf(appearance, K::hudSize)->currentText(), "Regular");
    EXPECT_EQ(appearance->durationLabel()->text(), "1.2s");
    EXPECT_EQ(pickerOf(appearance, K::switchSound)->currentText(), "None");
    EXPECT_EQ(titles(pickerOf(appearance, K::switchSound)),
              (QStringList{"None", "Tink", "Pop", "Bottle", "Frog", "Morse", "Purr", "Submarine", "Glass", "Hero"}));
    EXPECT_FALSE(findByText<SettingToggle>(appearance, "Speak the Space name")->isChecked());
    EXPECT_FALSE(shown(appearance->labelPositionRow(), appearance));
    EXPECT_FALSE(shown(appearance->toolbarHelp(), appearance));
    EXPECT_FALSE(shown(appearance->allSpacesHelp(), appearance));

    // All Spaces styles trade the icon toggle for their help; others, and junk, bring it back with its value.
    Settings::defaults().set(K::menuBarShowsIcon, false);
    pickerOf(appearance, K::menuBarStyle)->setCurrentIndex(5);
    EXPECT_EQ(Settings::defaults().object(K::menuBarStyle), QJsonValue("dots"));
    EXPECT_TRUE(shown(appearance->allSpacesHelp(), appearance));
    EXPECT_FALSE(shown(appearance->showIconRow(), appearance));
    EXPECT_EQ(appearance->allSpacesHelp()->property("text").toString(),
              "Click a Space to switch. Right-click or Alt-click for the menu.");
    pickerOf(appearance, K::menuBarStyle)->setCurrentIndex(1);
    EXPECT_TRUE(shown(appearance->showIconRow(), appearance));
    EXPECT_FALSE(findByText<SettingToggle>(appearance, "Show Space icon")->isChecked());
    Settings::defaults().set(K::menuBarStyle, "ribbon");
    EXPECT_EQ(pickerOf(appearance, K::menuBarStyle)->currentIndex(), -1);
    EXPECT_TRUE(shown(appearance->showIconRow(), appearance));

    // The HUD rows hide with the HUD and keep their values.
    Settings::defaults().set(K::hudPosition, "bottom");
    findByText<SettingToggle>(appearance, "Show the Space name")->click();
    for (QWidget* row : appearance->hudRows())
        EXPECT_FALSE(shown(row, appearance));
    EXPECT_TRUE(shown(findByText<SettingToggle>(appearance, "Speak the Space name"), appearance));
    findByText<SettingToggle>(appearance, "Show the Space name")->click();
    for (QWidget* row : appearance->hudRows())
        EXPECT_TRUE(shown(row, appearance));
    EXPECT_EQ(pickerOf(appearance, K::hudPosition)->currentText(), "Bottom");

    findByText<SettingToggle>(appearance, "Show the Space name on the desktop")->click();
    EXPECT_TRUE(shown(appearance->labelPositionRow(), appearance));
    EXPECT_EQ(pickerOf(appearance, K::desktopLabelPosition)->currentText(), "Bottom left");
    EXPECT_EQ(titles(pickerOf(appearance, K::desktopLabelPosition)),
              (QStringList{"Bottom left", "Bottom right", "Top left", "Top right", "Center"}));
    findByText<SettingToggle>(appearance, "Floating Space toolbar on each display")->click();
    EXPECT_TRUE(shown(appearance->toolbarHelp(), appearance));
}

TEST_F(AppearancePaneTest, TheDurationSliderWritesTenthsAndNeverRewritesAValueFromElsewhere)
{
    AppearancePane* appearance = open();
    QSlider* slider = appearance->durationSlider();
    EXPECT_EQ(slider->minimum(), 5);
    EXPECT_EQ(slider->maximum(), 30);
    slider->setValue(13);
    EXPECT_EQ(Settings::defaults().object(K::hudDuration), QJsonValue(1.3));
    EXPECT_EQ(appearance->durationLabel()->text(), "1.3s");
    slider->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Settings::defaults().object(K::hudDuration), QJsonValue(3.0));
    EXPECT_EQ(appearance->durationLabel()->text(), "3.0s");
    slider->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(appearance->durationLabel()->text(), "0.5s");

    int writes = 0;
    QObject::connect(&Settings::defaults(), &UserDefaults::changed, appearance, [&](const QString& key) { writes += key == K::hudDuration; });
    Settings::defaults().set(K::hudDuration, 7.26);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(appearance->durationLabel()->text(), "7.3s"); // printed as stored, one decimal
    EXPECT_EQ(slider->value(), 30);
    EXPECT_EQ(Settings::defaults().object(K::hudDuration), QJsonValue(7.26));

    // A fresh pane on that value writes nothing either.
    clickTab(SettingsTab::general);
    clickTab(SettingsTab::appearance);
    EXPECT_EQ(Settings::defaults().object(K::hudDuration), QJsonValue(7.26));
    EXPECT_EQ(writes, 1);
    EXPECT_TRUE(TabularDigits::hasTabularDigits(pane<AppearancePane>()->durationLabel()->font()));
    EXPECT_GE(pane<AppearancePane>()->durationLabel()->minimumWidth(), 36);
}

TEST_F(AppearancePaneTest, EachNewSoundIsPlayedOnceWhoeverChoseItButNeverOnOpening)
{
    Settings::defaults().set(K::switchSound, "Pop");
    AppearancePane* appearance = open();
    EXPECT_TRUE(played().isEmpty());

    SettingPicker* sound = pickerOf(appearance, K::switchSound);
    sound->setCurrentIndex(sound->findText("Glass"));
    EXPECT_EQ(Settings::defaults().object(K::switchSound), QJsonValue("Glass"));
    EXPECT_EQ(played(), QStringList{"Glass"});

    sound->setCurrentIndex(0);
    EXPECT_EQ(Settings::defaults().object(K::switchSound), QJsonValue(""));
    EXPECT_EQ(played(), QStringList{"Glass"});

    Settings::defaults().set(K::switchSound, "Hero"); // from outside the pane
    Settings::defaults().set(K::switchSound, "Hero");
    Settings::defaults().set(K::switchSound, "Nonesuch");
    EXPECT_EQ(played(), (QStringList{"Glass", "Hero"}));
    EXPECT_EQ(sound->currentIndex(), -1);

    clickTab(SettingsTab::general);
    Settings::defaults().set(K::switchSound, "Tink"); // no pane, no preview
    clickTab(SettingsTab::appearance);
    EXPECT_EQ(played(), (QStringList{"Glass", "Hero"}));
}

class OverviewPaneTest : public test::SettingsWorldTest {
protected:
    OverviewPane* open()
    {
        controller->show(SettingsTab::overview);
        return pane<OverviewPane>();
    }
};

TEST_F(OverviewPaneTest, DefaultsOptionsAndTheKeptInterval)
{
    OverviewPane* overview = open();
    ASSERT_NE(overview, nullptr);
    for (const char* on : {"Show Spaces from all displays", "Show app icons on each Space", "Group Spaces by category", "Capture previews"})
        EXPECT_TRUE(findByText<SettingToggle>(overview, on)->isChecked()) << on;
    for (const char* off : {"Hide empty Spaces", "Hide full screen app Spaces", "Rest the pointer on the notch to show Spaces"})
        EXPECT_FALSE(findByText<SettingToggle>(overview, off)->isChecked()) << off;
    EXPECT_FALSE(overview->resetArrangementButton()->isEnabled());
    EXPECT_EQ(overview->refreshPicker()->currentText(), "30 seconds");
    EXPECT_EQ(titles(overview->refreshPicker()), (QStringList{"15 seconds", "30 seconds", "1 minute", "5 minutes", "Only when switching"}));
    SettingPicker* corner = pickerOf(overview, K::hotCorner);
    EXPECT_EQ(corner->currentText(), "Off");
    EXPECT_EQ(titles(corner), (QStringList{"Off", "Top left", "Top right", "Bottom left", "Bottom right"}));

    corner->setCurrentIndex(4);
    EXPECT_EQ(Settings::defaults().object(K::hotCorner), QJsonValue("bottomRight"));
    corner->setCurrentIndex(0);
    EXPECT_EQ(Settings::defaults().object(K::hotCorner), QJsonValue("none"));
    overview->refreshPicker()->setCurrentIndex(4);
    EXPECT_EQ(Settings::defaults().object(K::thumbnailRefreshInterval), QJsonValue(0.0));
    overview->refreshPicker()->setCurrentIndex(2);
    EXPECT_EQ(Settings::defaults().object(K::thumbnailRefreshInterval), QJsonValue(60.0));

    // Hidden with previews off, shown again with the interval kept.
    findByText<SettingToggle>(overview, "Capture previews")->click();
    EXPECT_FALSE(shown(overview->refreshRow(), overview));
    findByText<SettingToggle>(overview, "Capture previews")->click();
    EXPECT_TRUE(shown(overview->refreshRow(), overview));
    EXPECT_EQ(overview->refreshPicker()->currentText(), "1 minute");

    // Numbers compare by value; any other interval selects nothing.
    Settings::defaults().set(K::thumbnailRefreshInterval, 300);
    EXPECT_EQ(overview->refreshPicker()->currentText(), "5 minutes");
    Settings::defaults().set(K::thumbnailRefreshInterval, 45.0);
    EXPECT_EQ(overview->refreshPicker()->currentIndex(), -1);
    EXPECT_EQ(Settings::defaults().object(K::thumbnailRefreshInterval), QJsonValue(45.0));
}

TEST_F(OverviewPaneTest, ResetArrangementIsEnabledOnlyByAStoredListOfIdsAndEmptiesIt)
{
    OverviewPane* overview = open();
    QPushButton* reset = overview->resetArrangementButton();
    struct Case {
        const char* name;
        QJsonValue stored;
        bool enabled;
    };
    const Case cases[] = {
        {"arranged", QJsonArray{"b", "a"}, true},
        {"empty list", QJsonArray{}, false},
        {"not texts", QJsonArray{1, 2}, false},
        {"mixed", QJsonArray{"a", 2}, false},
        {"not a list", QJsonValue("a,b"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings::defaults().set(K::overviewOrder, c.stored); // as the overview writes when tiles are dragged
        EXPECT_EQ(reset->isEnabled(), c.enabled);
    }
    Settings::defaults().remove(K::overviewOrder);
    EXPECT_FALSE(reset->isEnabled());

    Settings::defaults().set(K::overviewOrder, QJsonArray{"b", "a"});
    reset->click();
    EXPECT_EQ(Settings::defaults().object(K::overviewOrder), QJsonValue(QJsonArray{})); // the key stays
    EXPECT_TRUE(Settings::defaults().hasStoredValue(K::overviewOrder));
    EXPECT_FALSE(reset->isEnabled());
}

} // namespace
