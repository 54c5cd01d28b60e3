#include "Core/Automation/AutomationRunner.h"
#include "Core/Automation/BrowserProfiles.h"
#include "Core/Automation/Keystroke.h"
#include "Core/Notes/NoteFiles.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/Sim/SimProcesses.h"
#include "tests/Core/WindowWorld.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <future>
#include <mutex>

using namespace lumivast;
using namespace std::chrono_literals;

namespace {

// Lines come from the main thread and from the process queue.
std::mutex g_logMutex;
QStringList g_automationLog;

void captureAutomationLog(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (QByteArray(context.category) != "lumivast.Automation")
        return;
    std::lock_guard lock(g_logMutex);
    g_automationLog << QStringLiteral("%1 %2").arg(type == QtCriticalMsg ? QStringLiteral("error") : QStringLiteral("other"), message);
}

class AutomationRunnerTest : public test::WindowWorldTest {
protected:
    AutomationRunnerTest()
    {
        world->childProcesses = processes;
        g_automationLog.clear();
        m_previous = qInstallMessageHandler(captureAutomationLog);
    }
    ~AutomationRunnerTest() override { qInstallMessageHandler(m_previous); }

    void automate(const char* spaceID, const SpaceAutomation& automation)
    {
        store.setAutomation(automation, QString::fromLatin1(spaceID));
    }
    // What happened so far, waiting for the process starts already asked for.
    std::vector<RecordingChildProcesses::Start> starts()
    {
        runner.waitForProcessStarts();
        return processes->starts();
    }
    QStringList openedPaths() const
    {
        QStringList paths;
        for (const auto& request : world->openRequests)
            paths << request.path;
        return paths;
    }
    QStringList openedURLs() const
    {
        QStringList urls;
        for (const QUrl& url : world->openedURLs())
            urls << url.toString();
        return urls;
    }
    std::set<std::int32_t> hidden() const
    {
        std::set<std::int32_t> pids;
        for (const SimWorld::App& app : world->apps) {
            if (app.hidden)
                pids.insert(app.pid);
        }
        return pids;
    }

    std::shared_ptr<RecordingChildProcesses> processes = std::make_shared<RecordingChildProcesses>();
    SpaceStore store{scheduler, home.path("spaces.json")};
    AutomationRunner runner{store, scheduler};

private:
    QtMessageHandler m_previous = nullptr;
};

std::map<QString, QString> spaceEnvironment(const QString& name, const QString& number, const QString& id)
{
    return {{"LUMIVAST_SPACE_NAME", name}, {"LUMIVAST_SPACE_NUMBER", number}, {"LUMIVAST_SPACE_ID", id}};
}

} // namespace

TEST_F(AutomationRunnerTest, OneChangeRunsEveryStepAtItsTimeAndALaterChangeCancelsNone)
{
    world->shortcuts().names = QStringList{"Leave S1", "Enter S2"};
    SpaceAutomation leaving;
    leaving.shortcutOnLeave = "Leave S1";
    leaving.scriptOnLeave = "echo left";
    automate("S1", leaving);
    SpaceAutomation entering;
    entering.launchApps = {"/Applications/Player.app"};
    entering.openURLs = {"https://example.org/today", "~/notes.txt"};
    entering.shortcutOnEnter = "Enter S2";
    entering.scriptOnEnter = "echo entered";
    entering.keystrokeOnEnter = "cmd+k";
    entering.hideOtherApps = true;
    entering.browserApp = "org.example.browser";
    entering.browserProfile = "Work";
    automate("S2", entering);
    runner.appsOnSpace = [](const Space&) { return std::set<std::int32_t>{402}; };

    runner.spaceChanged(space("S1"), space("S2"));
    // At once: the leave shortcut and command, then the enter shortcut and command.
    EXPECT_EQ(starts(), (std::vector<RecordingChildProcesses::Start>{
                            {"/bin/zsh", {"-lc", "echo left"}, spaceEnvironment("Desktop 1", "1", "S1")},
                            {"/bin/zsh", {"-lc", "echo entered"}, spaceEnvironment("Desktop 2", "2", "S2")},
                        }));
    EXPECT_EQ(world->shortcuts().runs(), (QStringList{"Leave S1", "Enter S2"}));
    EXPECT_TRUE(runner.launched().contains("S2")); // marked when scheduled

    scheduler.advance(200ms);
    runner.spaceChanged(space("S2"), space("S3")); // leaving again before the steps ran
    scheduler.advance(99ms);
    EXPECT_TRUE(world->openRequests.empty());
    scheduler.advance(1ms); // 0.3 s: the browser with its profile
    ASSERT_EQ(openedPaths(), QStringList{"/Applications/Browser.app"});
    EXPECT_EQ(world->openRequests[0].configuration.arguments, QStringList{"--profile-directory=Work"});
    scheduler.advance(49ms);
    EXPECT_TRUE(openedURLs().isEmpty());
    scheduler.advance(1ms); // 0.35 s: the apps, then the URLs
    EXPECT_EQ(openedPaths(), (QStringList{"/Applications/Browser.app", "/Applications/Player.app"}));
    EXPECT_TRUE(world->openRequests[1].configuration.activates);
    EXPECT_EQ(openedURLs(), (QStringList{"https://example.org/today", QUrl::fromLocalFile(QDir::homePath() + "/notes.txt").toString()}));
    scheduler.advance(49ms);
    EXPECT_TRUE(hidden().empty());
    scheduler.advance(1ms); // 0.4 s: every other app hidden
    EXPECT_FALSE(hidden().empty());
    EXPECT_FALSE(hidden().contains(402));
    scheduler.advance(49ms);
    EXPECT_TRUE(world->events().posted().empty());
    scheduler.advance(1ms); // 0.45 s: the keystroke
    ASSERT_EQ(world->events().posted().size(), 2u);
    EXPECT_EQ(world->events().posted()[0].event.keyCode, 40);
    EXPECT_EQ(world->events().posted()[0].event.flags, Keystroke::kCommand);
}

TEST_F(AutomationRunnerTest, TheHideStepKeepsTheSpacesAppsAsTheyWereAtTheChangeAndSparesOthersByKind)
{
    const std::int32_t own = addOwnApp();
    world->apps.push_back({407, "org.example.menu", "Menu Helper", "accessory"});
    world->apps.push_back({408, "com.apple.finder", "Finder", "regular"});
    world->apps.push_back({409, "", "Unbundled", "regular"});
    SpaceAutomation automation;
    automation.hideOtherApps = true;
    automate("S2", automation);
    std::set<std::int32_t> onSpace{402};
    runner.appsOnSpace = [&onSpace](const Space&) { return onSpace; };

    runner.spaceChanged(std::nullopt, space("S2"));
    onSpace.clear(); // asked at the change, not again when the step runs
    scheduler.advance(400ms);
    // Hidden: ordinary apps without a window on the Space, one without a bundle identifier among them.
    EXPECT_EQ(hidden(), (std::set<std::int32_t>{401, 403, 404, 405, 409}));
    EXPECT_FALSE(world->app(own)->hidden);
    EXPECT_FALSE(world->app(406)->hidden); // installed, not running
}

TEST_F(AutomationRunnerTest, EntriesWithASchemeSeparatorAreURLsAndEverythingElseIsAPath)
{
    SpaceAutomation automation;
    automation.openURLs = {
        "https://example.org/a",
        "https://example.org/a b", // not a valid URL: skipped
        "~/Notes/today.md",
        "~",
        "plan.md", // relative: from the working folder
        "mailto:someone@example.org", // no "://": a file path, never a URL
        "/srv/a://b",
        "obsidian://open?vault=Work",
    };
    automate("S3", automation);
    runner.runSetup(space("S3"));
    const QString cwd = QDir::currentPath();
    EXPECT_EQ(openedURLs(), (QStringList{
                                "https://example.org/a",
                                QUrl::fromLocalFile(QDir::homePath() + "/Notes/today.md").toString(),
                                QUrl::fromLocalFile(QDir::homePath()).toString(),
                                QUrl::fromLocalFile(cwd + "/plan.md").toString(),
                                QUrl::fromLocalFile(cwd + "/mailto:someone@example.org").toString(),
                                "/srv/a://b",
                                "obsidian://open?vault=Work",
                            }));
    EXPECT_TRUE(g_automationLog.isEmpty());
}

TEST_F(AutomationRunnerTest, WhatCannotBeStartedOrOpenedIsLoggedAndTheRestStillRuns)
{
    processes->failing["/bin/zsh"] = "execve: No such file or directory";
    SpaceAutomation automation;
    automation.launchApps = {"/Applications/Nothing.app", "/Applications/Player.app"};
    automation.scriptOnEnter = "true";
    automation.shortcutOnEnter = "Focus"; // the world has no shortcuts tool
    automate("S2", automation);

    runner.spaceChanged(space("S1"), space("S2"));
    runner.waitForProcessStarts();
    scheduler.advance(400ms);
    EXPECT_EQ(g_automationLog, (QStringList{
                                   "error run /usr/bin/shortcuts: No such file or directory",
                                   "error run /bin/zsh: execve: No such file or directory",
                                   "error launch /Applications/Nothing.app: The file \"Nothing.app\" couldn't be opened "
                                   "because there is no such file.",
                               }));
    EXPECT_TRUE(world->app(406)->running); // the player after it still opened
}

TEST_F(AutomationRunnerTest, TextFieldsAreSetFromTheirFirstCharacterAndPassedUnchanged)
{
    world->shortcuts().names = QStringList{" "};
    SpaceAutomation automation;
    automation.shortcutOnEnter = " ";
    automation.scriptOnEnter = "echo 'a b'; exit 3";
    automation.shortcutOnLeave = "";
    automation.scriptOnLeave = "";
    automation.keystrokeOnEnter = "";
    automation.browserApp = "";
    automation.browserProfile = "Work";
    automate("S2", automation);
    automate("S1", automation);

    runner.spaceChanged(space("S1"), space("S2"));
    scheduler.advance(1s);
    ASSERT_EQ(starts().size(), 1u);
    EXPECT_EQ(world->shortcuts().runs(), QStringList{" "});
    EXPECT_EQ(starts()[0].arguments, (QStringList{"-lc", "echo 'a b'; exit 3"}));
    // An empty browser still asks for the browser, which no installed app is.
    EXPECT_TRUE(world->openRequests.empty());
    EXPECT_TRUE(world->events().posted().empty());

    SpaceAutomation noProfile;
    noProfile.browserApp = "org.example.browser";
    noProfile.browserProfile = "";
    automate("S3", noProfile);
    runner.spaceChanged(space("S2"), space("S3"));
    scheduler.advance(1s);
    EXPECT_TRUE(world->openRequests.empty());
}

TEST_F(AutomationRunnerTest, ShortcutsAreListedSplitAndSortedByCodePoint)
{
    EXPECT_TRUE(AutomationRunner::availableShortcuts().isEmpty()); // no tool

    world->shortcuts().names = QStringList{"b", "A", "", "a"};
    // Listed from a worker, as the Space editor does.
    EXPECT_EQ(std::async(std::launch::async, &AutomationRunner::availableShortcuts).get(), (QStringList{"A", "a", "b"}));

    const QByteArray listing = "f\n\xF0\x9F\x98\x80\ne\xCC\x81\n\xC3\xA9\n\xFF\nx\r\n \n\n";
    EXPECT_EQ(AutomationRunner::shortcutNames(listing),
              (QStringList{" ", "f", "x\r", QString::fromUtf8("e\xCC\x81"), QString::fromUtf8("\xC3\xA9"), QString(QChar(0xFFFD)),
                           QString::fromUtf8("\xF0\x9F\x98\x80")}));
}

TEST_F(AutomationRunnerTest, SpaceCommandsRunInARealLoginShellWithTheSpaceInTheirEnvironment)
{
    world->childProcesses.reset(); // real processes
    qputenv("LUMIVAST_SPACE_NAME", "inherited");
    qputenv("LUMIVAST_TEST_KEPT", "kept");
    const QString out = home.path("env.txt");
    SpaceAutomation automation;
    automation.scriptOnEnter = QStringLiteral("env > '%1.part' && mv '%1.part' '%1'").arg(out);
    automate("F4", automation);

    runner.spaceChanged(std::nullopt, space("F4"));
    QDeadlineTimer deadline(20s);
    while (!QFile::exists(out) && !deadline.hasExpired())
        QThread::msleep(20);
    qunsetenv("LUMIVAST_SPACE_NAME");
    qunsetenv("LUMIVAST_TEST_KEPT");
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the shell wrote nothing";
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    EXPECT_TRUE(lines.contains("LUMIVAST_SPACE_NAME=Video")); // the inherited value replaced
    EXPECT_TRUE(lines.contains("LUMIVAST_SPACE_NUMBER=")); // present and empty on a full-screen Space
    EXPECT_TRUE(lines.contains("LUMIVAST_SPACE_ID=F4"));
    EXPECT_TRUE(lines.contains("LUMIVAST_TEST_KEPT=kept"));
    EXPECT_FALSE(lines.contains("LUMIVAST_SPACE_NAME=inherited"));
}

TEST(KeystrokeTest, CombinationsPressTheLastKeyWithEveryModifier)
{
    struct Case {
        const char* text;
        std::optional<Keystroke::Press> press;
    };
    using K = Keystroke::Press;
    const quint64 cmd = Keystroke::kCommand, shift = Keystroke::kShift, ctrl = Keystroke::kControl, opt = Keystroke::kOption;
    const Case cases[] = {
        {"cmd+shift+1", K{18, cmd | shift}},
        {"CMD + Shift + A", K{0, cmd | shift}},
        {"\u2318\u21E71", std::nullopt}, // one token, neither a modifier nor a key
        {"\u2318+\u21E7+1", K{18, cmd | shift}},
        {"\u2325+\u2303+left", K{123, opt | ctrl}},
        {"a+cmd", K{0, cmd}},
        {"cmd+a+b", K{11, cmd}},
        {"cmd+a+foo", std::nullopt},
        {"cmd", std::nullopt},
        {"cmd+", std::nullopt},
        {"+", std::nullopt},
        {"", std::nullopt},
        {"cmd++a", K{0, cmd}},
        {"ctrl+enter", K{36, ctrl}},
        {"control+return", K{36, ctrl}},
        {"esc", K{53, 0}},
        {"escape", K{53, 0}},
        {"shift+=", K{24, shift}},
        {"cmd+space", K{49, cmd}},
        {"option+alt+opt+\\", K{42, opt}},
        {"command+`", K{50, cmd}},
        {"f13", std::nullopt},
        {"cmd+\ta\u00A0", K{0, cmd}}, // tabs and other space separators are trimmed
        {"cmd+a\n", std::nullopt},     // line breaks are not
        {"a+ ", std::nullopt},         // a blank piece is an empty token, and clears the key
    };
    for (const Case& c : cases)
        EXPECT_EQ(Keystroke::parse(QString::fromUtf8(c.text)), c.press) << c.text;
}

TEST_F(AutomationRunnerTest, AKeystrokeIsOneKeyDownAndUpAtTheHIDTapWithTheFlagsOnBoth)
{
    Keystroke::send("ctrl+alt+f5");
    const auto& posted = world->events().posted();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].event.type, InputEvent::Type::keyDown);
    EXPECT_EQ(posted[1].event.type, InputEvent::Type::keyUp);
    for (const auto& p : posted) {
        EXPECT_EQ(p.tap, EventTap::hid);
        EXPECT_EQ(p.event.keyCode, 96);
        EXPECT_EQ(p.event.flags, Keystroke::kControl | Keystroke::kOption);
    }
    world->events().clearLog();
    world->events().refuseEvents = true;
    Keystroke::send("ctrl+1");
    EXPECT_TRUE(world->events().posted().empty());
}

TEST_F(AutomationRunnerTest, ABrowserStartsWithItsProfileButOneThatRunsOnlyComesForward)
{
    world->installed.push_back({"/Applications/Brave Browser.app", QString("com.brave.Browser"), "Brave Browser"});
    BrowserProfiles::open("com.brave.Browser", "Profile 2");
    ASSERT_EQ(world->openRequests.size(), 1u);
    EXPECT_EQ(world->openRequests[0].configuration.arguments, QStringList{"--profile-directory=Profile 2"});
    EXPECT_FALSE(world->openRequests[0].configuration.createsNewInstance);
    const auto brave = std::find_if(world->apps.begin(), world->apps.end(),
                                    [](const SimWorld::App& a) { return a.bundleID == "com.brave.Browser"; });
    ASSERT_NE(brave, world->apps.end());
    EXPECT_TRUE(brave->running);
    EXPECT_EQ(brave->launchArguments, QStringList{"--profile-directory=Profile 2"});

    BrowserProfiles::open("com.brave.Browser", "Profile 3"); // runs already: the argument is dropped
    EXPECT_EQ(brave->launchArguments, QStringList{"--profile-directory=Profile 2"});
    EXPECT_EQ(world->frontmostPID, brave->pid);

    BrowserProfiles::open("com.example.nothing", "Default");
    BrowserProfiles::open("", "Default");
    EXPECT_EQ(world->openRequests.size(), 2u);
    EXPECT_EQ(BrowserProfiles::supported().size(), 5u);
}

TEST_F(AutomationRunnerTest, AltTabGetsItsTwoKeysAndARunningOneIsRestartedASecondLater)
{
    const QString altTab = AltTabSetup::kBundleID;
    EXPECT_FALSE(AltTabSetup::isInstalled());
    world->apps.push_back({420, altTab, "AltTab", "regular"});
    EXPECT_TRUE(AltTabSetup::isInstalled());

    EXPECT_TRUE(AltTabSetup::showCurrentSpaceOnly(scheduler));
    UserDefaults& prefs = Platform::current().preferenceDomain(altTab);
    EXPECT_EQ(prefs.object("spacesToShow"), QJsonValue("1")); // text, not a number
    EXPECT_EQ(prefs.object("spacesToShow2"), QJsonValue("1"));
    EXPECT_EQ(world->quitRequests, std::vector<std::int32_t>{420});
    EXPECT_FALSE(world->app(420)->running);
    scheduler.advance(999ms);
    EXPECT_FALSE(world->app(420)->running);
    scheduler.advance(1ms);
    EXPECT_TRUE(world->app(420)->running);
    EXPECT_EQ(openedPaths(), QStringList{"/Applications/AltTab.app"});

    // Not running: the keys only, read at its next start.
    world->terminateApplication(420);
    prefs.remove("spacesToShow");
    EXPECT_TRUE(AltTabSetup::showCurrentSpaceOnly(scheduler));
    scheduler.advance(2s);
    EXPECT_EQ(prefs.object("spacesToShow"), QJsonValue("1"));
    EXPECT_EQ(world->openRequests.size(), 1u);

    // Preferences the system will not open: the one false answer, and nothing else happens.
    world->unopenablePreferenceDomains.insert(altTab);
    prefs.remove("spacesToShow");
    EXPECT_FALSE(AltTabSetup::showCurrentSpaceOnly(scheduler));
    EXPECT_FALSE(prefs.object("spacesToShow").has_value());
}

TEST(NoteFilesTest, SafeNamesAndFirstContent)
{
    EXPECT_EQ(NoteFiles::safeName("Work/Home: Ideas"), "Work-Home- Ideas");
    EXPECT_EQ(NoteFiles::safeName(" Desktop 3 "), " Desktop 3 ");
    EXPECT_EQ(NoteFiles::safeName(QString("a") + QChar(u'\0') + "b"), "a-b");
    // A file name holds 255 bytes: a longer name is cut between whole characters, ".md" included.
    const QString family = QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7"); // 18 bytes, one character
    for (const QString& longName : {QString(300, QLatin1Char('x')), QString(200, QChar(0x00E9)), family.repeated(20)}) {
        const QString cut = NoteFiles::safeName(longName);
        EXPECT_LE(cut.toUtf8().size() + 3, 255) << longName.size();
        EXPECT_GT(cut.toUtf8().size() + 3, 255 - 18) << longName.size();
        EXPECT_TRUE(longName.startsWith(cut));
        EXPECT_EQ(cut.size() % (longName.front() == family.front() ? family.size() : 1), 0);
    }
    EXPECT_EQ(NoteFiles::safeName(QString(252, QLatin1Char('y'))).size(), 252);
    EXPECT_EQ(NoteFiles::firstContent("Work/Home: Ideas", "one\ntwo"), QByteArray("# Work/Home: Ideas\n\none\ntwo\n\n- [ ] \n"));
    EXPECT_EQ(NoteFiles::firstContent("Caf\u00e9", ""), QByteArray("# Caf\xC3\xA9\n\n\n\n- [ ] \n"));
}

TEST_F(AutomationRunnerTest, ANoteFileIsWrittenOnceAndOpenedEveryTime)
{
    store.setName("Work/Home: Ideas", "S2");
    store.setNote("first", "S2");
    const QString path = NoteFiles::open(space("S2"), store);
    EXPECT_EQ(path, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/Lumivast Notes/Work-Home- Ideas.md");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("# Work/Home: Ideas\n\nfirst\n\n- [ ] \n"));
    file.close();

    store.setNote("changed", "S2");
    EXPECT_EQ(NoteFiles::open(space("S2"), store), path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("# Work/Home: Ideas\n\nfirst\n\n- [ ] \n")); // never rewritten
    EXPECT_EQ(openedURLs(), QStringList(2, QUrl::fromLocalFile(path).toString()));
}
