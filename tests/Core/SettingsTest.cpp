#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

class SettingsTest : public lumivast::test::TempHomeTest {
protected:
    void SetUp() override { Settings::registerDefaults(); }
    UserDefaults& d() { return Settings::defaults(); }
};

TEST_F(SettingsTest, EveryKeyReadsItsRegisteredDefault)
{
    struct Row {
        QString key;
        QJsonValue expected;
    };
    const std::vector<Row> rows = {
        {K::menuBarStyle, "name"}, {K::menuBarShowsIcon, true}, {K::hudEnabled, true}, {K::hudDuration, 1.2},
        {K::thumbnailsEnabled, true}, {K::thumbnailRefreshInterval, 30.0}, {K::switchMode, "instant"},
        {K::overlayHotKey, "optionTab"}, {K::overlayShowsAllDisplays, true}, {K::didShowOnboarding, false},
        {K::askToNameNewSpaces, true}, {K::missionControlLabels, true}, {K::desktopShortcutModifier, "controlOption"},
        {K::moveWindowShortcuts, true}, {K::navigationShortcuts, true}, {K::wrapAround, true},
        {K::skipEmptyWhenCycling, false}, {K::hideEmptySpaces, false}, {K::hideFullscreenSpaces, false},
        {K::showAppIcons, true}, {K::switchSound, ""}, {K::speakSpaceNames, false}, {K::hudPosition, "top"},
        {K::hudSize, "regular"}, {K::hotCorner, "none"}, {K::notchHover, false}, {K::menuBarScrollSwitches, true},
        {K::floatingToolbar, false}, {K::desktopLabel, false}, {K::desktopLabelPosition, "bottomLeft"},
        {K::dockClickProtection, false}, {K::timeTracking, true}, {K::runAutomations, true},
        {K::followMovedWindow, false}, {K::backAndForth, true}, {K::autoNameSpaces, false}, {K::restoreFocus, true},
        {K::spaceLock, false}, {K::applyAppRules, true}, {K::autoSaveLayout, true},
        {K::restoreOnDisplayReconnect, true}, {K::gridColumns, 0}, {K::groupOverview, true}, {K::scratchpadApp, ""},
        {K::spaceDock, false}, {K::fourFingerTap, false}, {K::localAPI, false}, {K::activeProfile, ""},
    };
    ASSERT_EQ(rows.size(), 48u);
    ASSERT_EQ(Settings::registered().size(), 48u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.key.toStdString());
        EXPECT_EQ(Settings::registered()[i].key, row.key); // registration order
        switch (Settings::registered()[i].type) {
        case Settings::ValueType::Bool:
            EXPECT_EQ(d().boolValue(row.key), row.expected.toBool());
            break;
        case Settings::ValueType::Double:
            EXPECT_DOUBLE_EQ(d().doubleValue(row.key), row.expected.toDouble());
            break;
        case Settings::ValueType::Int:
            EXPECT_EQ(d().integerValue(row.key), row.expected.toInteger());
            break;
        case Settings::ValueType::String:
            EXPECT_EQ(d().string(row.key), row.expected.toString());
            break;
        default:
            ADD_FAILURE() << "unexpected type";
        }
    }
    EXPECT_EQ(Settings::switchMode(), SwitchMode::instant);
    EXPECT_EQ(Settings::desktopShortcutModifier(), DesktopShortcutModifier::controlOption);
    EXPECT_EQ(Settings::overlayHotKey(), OverlayHotKeyPreset::optionTab);
    EXPECT_EQ(Settings::hudPosition(), HUDPosition::top);
    EXPECT_EQ(Settings::hudSize(), HUDSize::regular);
    EXPECT_EQ(Settings::desktopLabelPosition(), DesktopLabelPosition::bottomLeft);
}

TEST_F(SettingsTest, EnumGettersFallBackForTextThatNamesNoCase)
{
    d().set(K::desktopShortcutModifier, "Hyper");
    EXPECT_EQ(Settings::desktopShortcutModifier(), DesktopShortcutModifier::off);
    d().set(K::desktopShortcutModifier, "hyper");
    EXPECT_EQ(Settings::desktopShortcutModifier(), DesktopShortcutModifier::hyper);
    d().set(K::switchMode, "Classic");
    EXPECT_EQ(Settings::switchMode(), SwitchMode::instant);
    d().set(K::switchMode, "classic");
    EXPECT_EQ(Settings::switchMode(), SwitchMode::classic);
    d().set(K::hudSize, "");
    EXPECT_EQ(Settings::hudSize(), HUDSize::regular);
    d().set(K::hudPosition, 3); // not text at all
    EXPECT_EQ(Settings::hudPosition(), HUDPosition::top);
    d().set(K::overlayHotKey, " f13");
    EXPECT_EQ(Settings::overlayHotKey(), OverlayHotKeyPreset::optionTab);
    d().set(K::desktopLabelPosition, "center");
    EXPECT_EQ(Settings::desktopLabelPosition(), DesktopLabelPosition::center);
    d().remove(K::desktopShortcutModifier);
    EXPECT_EQ(Settings::desktopShortcutModifier(), DesktopShortcutModifier::controlOption);
}

TEST_F(SettingsTest, ProfileByDisplaySetupIsAllOrNothing)
{
    EXPECT_TRUE(Settings::profileByDisplaySetup().isEmpty());
    d().set(K::profileByDisplaySetup, QJsonObject{{"a", "Work"}, {"b", "Home"}});
    EXPECT_EQ(Settings::profileByDisplaySetup().value("b"), QStringLiteral("Home"));
    d().set(K::profileByDisplaySetup, QJsonObject{{"a", "Work"}, {"b", 2}});
    EXPECT_TRUE(Settings::profileByDisplaySetup().isEmpty());
}

TEST_F(SettingsTest, ExportableKeys)
{
    const QStringList& keys = Settings::exportableKeys();
    EXPECT_EQ(keys.size(), 47);
    EXPECT_EQ(keys.at(19), K::overviewOrder);
    EXPECT_FALSE(keys.contains(K::didShowOnboarding));
    EXPECT_FALSE(keys.contains(K::activeProfile));
    EXPECT_EQ(keys.first(), K::menuBarStyle);
    EXPECT_EQ(keys.last(), K::localAPI);
}

TEST(SettingsEnums, RawValuesRoundTripAndConversionIsCaseSensitive)
{
    for (MenuBarStyle style : allCases<MenuBarStyle>())
        EXPECT_EQ(fromRawValue<MenuBarStyle>(rawValue(style)), style);
    for (HotCorner corner : allCases<HotCorner>())
        EXPECT_EQ(fromRawValue<HotCorner>(rawValue(corner)), corner);
    EXPECT_EQ(rawValue(DesktopShortcutModifier::controlOption), QStringLiteral("controlOption"));
    EXPECT_FALSE(fromRawValue<HotCorner>(u"TopLeft").has_value());
    EXPECT_EQ(fromRawValueOrFallback<HotCorner>(u"TopLeft"), HotCorner::none);
    EXPECT_EQ(fromRawValueOrFallback<MenuBarStyle>(u"bars"), MenuBarStyle::name);

    const auto styles = allCases<MenuBarStyle>();
    ASSERT_EQ(styles.size(), 6u);
    EXPECT_EQ(styles[2], MenuBarStyle::numberAndName);
    for (std::size_t i = 0; i < styles.size(); ++i)
        EXPECT_EQ(showsAllSpaces(styles[i]), i >= 4);
    EXPECT_EQ(scale(HUDSize::regular), 1.0);
    EXPECT_EQ(scale(HUDSize::small), 0.8);
    EXPECT_EQ(scale(HUDSize::large), 1.5);
}

using AppPathsTest = lumivast::test::TempHomeTest;

TEST_F(AppPathsTest, FoldersAreCreatedOnAccess)
{
    const QString support = home.path("data/Lumivast");
    EXPECT_FALSE(QFileInfo::exists(support));
    EXPECT_EQ(AppPaths::thumbnailsDirectory(), support + "/Thumbnails");
    EXPECT_TRUE(QFileInfo(support + "/Thumbnails").isDir());
    EXPECT_EQ(AppPaths::supportDirectory(), support); // existing folder: same path, no error
    EXPECT_EQ(AppPaths::iconsDirectory(), support + "/Icons");
    EXPECT_TRUE(QFileInfo(support + "/Icons").isDir());
    EXPECT_EQ(AppPaths::file("spaces.json"), support + "/spaces.json");
}
