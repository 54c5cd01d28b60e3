#include "Core/Windows/LayoutManager.h"
#include "UI/Settings/ProfilesPane.h"
#include "tests/UI/PaneTesting.h"
#include "tests/UI/SettingsWorld.h"

#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace lumivast;
using lumivast::test::findByText;
namespace K = Settings::Key;

namespace {

class ProfilesPaneTest : public test::SettingsWorldTest {
protected:
    ProfilesPane* open()
    {
        controller->show(SettingsTab::profiles);
        return pane<ProfilesPane>();
    }

    static QStringList names(const ProfilesPane* profiles)
    {
        QStringList list;
        for (const SpaceProfile& p : profiles->profiles())
            list.append(p.name);
        return list;
    }

    static void save(ProfilesPane* profiles, const QString& typed)
    {
        profiles->nameField()->setText(typed);
        profiles->saveButton()->click();
    }

    // Opens a row's "More" menu and chooses an item, as the user would.
    void choose(ProfilesPane* profiles, int row, const QString& item)
    {
        QWidget* line = profiles->profileRow(row);
        ASSERT_NE(line, nullptr);
        findByText<QPushButton>(line, "More")->click();
        QMenu* menu = line->findChild<QMenu*>();
        ASSERT_NE(menu, nullptr);
        QAction* action = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->text() == item)
                action = a;
        }
        ASSERT_NE(action, nullptr) << item.toStdString();
        action->trigger();
        scheduler.runPending(); // the menu's choice runs once the menu has closed
    }

    // Whether a profile row shows the green mark of the profile in use.
    static bool marked(ProfilesPane* profiles, int row)
    {
        QWidget* line = profiles->profileRow(row);
        QWidget* mark = line->findChild<QWidget*>("profileMark");
        return mark && test::hasPixel(mark->grab().toImage(), test::isGreen);
    }

    QJsonObject bindings() const { return Settings::defaults().dictionary(K::profileByDisplaySetup).value_or(QJsonObject()); }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = home.path(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
};

TEST_F(ProfilesPaneTest, ProfilesAreSavedTrimmedReplacedAndMarkedExactly)
{
    ProfilesPane* profiles = open();
    ASSERT_NE(profiles, nullptr);
    EXPECT_TRUE(profiles->profiles().empty()); // no profiles.json: only the field and its button
    EXPECT_EQ(profiles->nameField()->placeholderText(), "Work, Home, Travel\u2026");
    EXPECT_TRUE(profiles->saveButton()->isEnabled());

    save(profiles, "  Home  ");
    EXPECT_EQ(names(profiles), QStringList{"Home"});
    EXPECT_EQ(profiles->nameField()->text(), "");
    EXPECT_EQ(Settings::defaults().string(K::activeProfile), "Home");
    EXPECT_TRUE(marked(profiles, 0));

    save(profiles, " \t ");
    EXPECT_EQ(names(profiles), QStringList{"Home"});
    EXPECT_EQ(profiles->nameField()->text(), " \t "); // nothing saved, the text stays

    save(profiles, "\tWork ");
    save(profiles, "Home");
    EXPECT_EQ(names(profiles), (QStringList{"Home", "Work"})); // replaced, not added; sorted by name
    EXPECT_EQ(ProfileStore::read(AppPaths::file("profiles.json")).size(), 2u);

    // The comparison is exact: "work" marks no row of "Work".
    Settings::defaults().set(K::activeProfile, "work");
    profiles->reloadProfiles();
    EXPECT_FALSE(marked(profiles, 0));
    EXPECT_FALSE(marked(profiles, 1));

    // Use makes the profile the one in use and loads its Spaces.
    Settings::defaults().set(K::activeProfile, "");
    store->setName("Renamed", space(1).id);
    findByText<QPushButton>(profiles->profileRow(1), "Use")->click();
    EXPECT_EQ(Settings::defaults().string(K::activeProfile), "Work");
    EXPECT_EQ(store->meta(space(1).id).name, std::nullopt);
    EXPECT_TRUE(marked(profiles, 1));

    // A fresh pane reloads from the file.
    clickTab(SettingsTab::general);
    clickTab(SettingsTab::profiles);
    EXPECT_EQ(names(pane<ProfilesPane>()), (QStringList{"Home", "Work"}));
    EXPECT_EQ(pane<ProfilesPane>()->outcome(), std::nullopt);
}

TEST_F(ProfilesPaneTest, BindingToTheCurrentDisplaysKeepsOtherSetupsAndSurvivesADelete)
{
    ProfileStore(*store, scheduler, AppPaths::file("profiles.json")).saveCurrent("Home");
    ProfileStore(*store, scheduler, AppPaths::file("profiles.json")).saveCurrent("Work");
    Settings::defaults().set(K::profileByDisplaySetup, QJsonObject{{"Main", "Travel"}});
    Settings::defaults().set(K::activeProfile, "");
    ProfilesPane* profiles = open();
    ASSERT_EQ(names(profiles), (QStringList{"Home", "Work"}));
    const QString here = LayoutManager::displaySetup(watcher->snapshot());
    ASSERT_FALSE(here.isEmpty());

    choose(profiles, 1, "Use automatically with the current displays");
    EXPECT_EQ(bindings(), (QJsonObject{{"Main", "Travel"}, {here, "Work"}}));
    EXPECT_EQ(profiles->outcome(), "Work will turn on when these displays are connected.");
    EXPECT_EQ(Settings::defaults().string(K::activeProfile), ""); // nothing was activated

    choose(profiles, 0, "Use automatically with the current displays");
    EXPECT_EQ(bindings(), (QJsonObject{{"Main", "Travel"}, {here, "Home"}}));
    EXPECT_EQ(profiles->outcome(), "Home will turn on when these displays are connected.");

    choose(profiles, 0, "Delete");
    EXPECT_EQ(names(profiles), QStringList{"Work"});
    EXPECT_EQ(bindings(), (QJsonObject{{"Main", "Travel"}, {here, "Home"}}));
    EXPECT_EQ(profiles->outcome(), "Home will turn on when these displays are connected."); // kept

    // A stored value that is not a dictionary of texts counts as none.
    Settings::defaults().set(K::profileByDisplaySetup, QJsonObject{{"Main", 3}});
    choose(profiles, 0, "Use automatically with the current displays");
    EXPECT_EQ(bindings(), (QJsonObject{{here, "Work"}}));

    // Update saves the current Spaces into the profile and makes it the one in use.
    store->setName("Inbox", space(3).id);
    Settings::defaults().set(K::activeProfile, "");
    choose(profiles, 0, "Update with current Spaces");
    EXPECT_EQ(Settings::defaults().string(K::activeProfile), "Work");
    EXPECT_EQ(ProfileStore::read(AppPaths::file("profiles.json")).front().metas.at(space(3).id).name, "Inbox");
}

TEST_F(ProfilesPaneTest, TemplatesApplyTheirOwnSlotsAndImportsAreReported)
{
    ProfilesPane* profiles = open();
    const std::size_t builtIns = SpaceTemplate::builtIn().size();
    ASSERT_EQ(ProfilesPane::templates().size(), builtIns);
    QWidget* developer = profiles->templateRow(0);
    ASSERT_NE(developer, nullptr);
    EXPECT_TRUE(findByText<QLabel>(developer, "Code, browser, terminal, communication and docs. 5 Spaces."));

    // Three desktops on the menu-bar display.
    findByText<QPushButton>(developer, "Apply")->click();
    EXPECT_EQ(profiles->outcome(), "Set up 3 Spaces. Add 2 more desktops in Mission Control, then apply again.");
    EXPECT_EQ(store->meta(space(1).id).name, "Code");

    // Cancelling the panel keeps the message.
    profiles->importButton()->click();
    EXPECT_EQ(panels.opened.back().allowedKinds, std::vector<FileKind>{FileKind::json});
    EXPECT_EQ(profiles->outcome(), "Set up 3 Spaces. Add 2 more desktops in Mission Control, then apply again.");

    // An array of templates is no template.
    const QByteArray one = R"({"name": "Developer", "summary": "Two of mine.", "slots": [
        {"name": "Mine A", "apps": [], "urls": []}, {"name": "Mine B", "apps": [], "urls": []}]})";
    panels.openAnswers.push_back(QStringList{writeFile("many.json", "[" + one + "]")});
    profiles->importButton()->click();
    EXPECT_EQ(profiles->outcome(), "That file is not a Lumivast template.");
    EXPECT_EQ(ProfilesPane::templates().size(), builtIns);

    // One of the same name as a built-in is listed after the built-ins, and each row applies its own.
    panels.openAnswers.push_back(QStringList{writeFile("mine.json", one)});
    profiles->importButton()->click();
    EXPECT_EQ(profiles->outcome(), "Imported Developer.");
    QWidget* mine = profiles->templateRow(int(builtIns));
    ASSERT_NE(mine, nullptr);
    EXPECT_TRUE(findByText<QLabel>(mine, "Developer"));
    EXPECT_TRUE(findByText<QLabel>(mine, "Two of mine. 2 Spaces."));

    findByText<QPushButton>(mine, "Apply")->click();
    EXPECT_EQ(profiles->outcome(), "Set up 2 Spaces.");
    EXPECT_EQ(store->meta(space(1).id).name, "Mine A");
    EXPECT_EQ(store->meta(space(2).id).name, "Mine B");

    findByText<QPushButton>(profiles->templateRow(0), "Apply")->click();
    EXPECT_EQ(store->meta(space(1).id).name, "Code");
    EXPECT_EQ(store->meta(space(2).id).name, "Browser");
}

} // namespace
