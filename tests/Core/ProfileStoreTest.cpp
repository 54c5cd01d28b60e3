#include "Core/Profiles/ProfileStore.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "Platform/VirtualScheduler.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <ctime>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

class ProfileStoreTest : public test::TempHomeTest {
protected:
    void SetUp() override { Settings::registerDefaults(); }

    QString path() const { return AppPaths::file(QStringLiteral("profiles.json")); }
    QByteArray fileBytes() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList fileNames() const
    {
        QStringList names;
        for (const SpaceProfile& p : profiles.all())
            names.append(p.name);
        return names;
    }
    QString active() const { return Settings::defaults().string(K::activeProfile).value_or(QString()); }
    static SpaceMetaMap named(const QString& name) { return {{"A", SpaceMeta{.name = name}}}; }
    void seed(std::vector<SpaceProfile> list) { ASSERT_TRUE(DataFile::write(path(), ProfileStore::encode(list))); }
    QDateTime at(int hour) const { return QDateTime(QDate(2025, 3, 1), QTime(hour, 30), QTimeZone::utc()); }

    VirtualScheduler scheduler;
    SpaceStore store{scheduler, AppPaths::file(QStringLiteral("spaces.json"))};
    ProfileStore profiles{store, scheduler, path()};
};

} // namespace

TEST_F(ProfileStoreTest, ActivationIgnoresCaseAndStoresTheStoredName)
{
    seed({{"Work", named("Code"), at(8)}, {"work", named("Other"), at(8)}});
    EXPECT_TRUE(profiles.activate("WORK"));
    EXPECT_EQ(active(), "Work"); // the first in file order, in its own spelling
    EXPECT_EQ(store.meta("A").name, "Code");

    EXPECT_FALSE(profiles.activate("Home"));
    EXPECT_EQ(active(), "Work");
    EXPECT_EQ(store.meta("A").name, "Code");
}

TEST_F(ProfileStoreTest, ActiveProfileIsSavedBeforeSwitchingOnlyWhenItIsAnotherByExactName)
{
    seed({{"Home", named("Sofa"), at(7)}, {"Work", named("Code"), at(8)}});
    Settings::defaults().set(K::activeProfile, "Home");
    store.setName("Couch", "A"); // an edit made under "Home"
    scheduler.advance(1h);
    ASSERT_TRUE(profiles.activate("work"));
    EXPECT_EQ(store.meta("A").name, "Code");
    const auto list = profiles.all();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "Home");
    EXPECT_EQ(list[0].metas.at("A").name, "Couch");
    EXPECT_EQ(list[0].savedAt, scheduler.wallNow().toUTC());
    EXPECT_EQ(list[1].savedAt, at(8));

    // The active one again: nothing is saved, unsaved edits are dropped.
    store.setName("Scratch", "A");
    const QByteArray before = fileBytes();
    ASSERT_TRUE(profiles.activate("Work"));
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(store.meta("A").name, "Code");

    // "work" active, "Work" stored: exact comparison saves the set under "work", a profile of its own.
    Settings::defaults().set(K::activeProfile, "work");
    ASSERT_TRUE(profiles.activate("Work"));
    EXPECT_EQ(fileNames(), (QStringList{"Home", "Work", "work"}));
    EXPECT_EQ(active(), "Work");
}

TEST_F(ProfileStoreTest, SaveReplacesSortsByCodePointsAndIsPrettyPrinted)
{
    seed({{"zeta", {}, at(1)}, {"home", {}, at(2)}, {"Work", {}, at(3)}});
    store.setName("Desk", "A");
    profiles.saveCurrent("home");
    EXPECT_EQ(fileNames(), (QStringList{"Work", "home", "zeta"}));
    EXPECT_EQ(profiles.all()[1].metas, store.metas());
    EXPECT_EQ(active(), "home");
    EXPECT_TRUE(fileBytes().contains("\n    {\n        \"metas\""));
    EXPECT_TRUE(fileBytes().contains("\"savedAt\": \"2026-01-05T09:00:00Z\""));
}

TEST_F(ProfileStoreTest, ActivatingAnEmptyProfileClearsEveryMetadata)
{
    seed({{"Blank", {}, at(1)}});
    store.setName("Desk", "A");
    store.setColor("#112233", "B");
    ASSERT_TRUE(profiles.activate("Blank"));
    EXPECT_TRUE(store.metas().empty());
}

TEST_F(ProfileStoreTest, DeleteAlwaysWritesAndClearsOnlyAnExactActiveName)
{
    seed({{"Work", named("Code"), at(1)}, {"home", {}, at(2)}});
    Settings::defaults().set(K::activeProfile, "Work");
    profiles.remove("work");
    EXPECT_EQ(fileNames(), (QStringList{"Work", "home"}));
    EXPECT_EQ(active(), "Work");
    ASSERT_TRUE(profiles.activate("Work"));
    profiles.remove("Work");
    EXPECT_EQ(fileNames(), QStringList{"home"});
    EXPECT_EQ(active(), "");
    EXPECT_EQ(store.meta("A").name, "Code"); // the Spaces keep what it gave them

    QFile::remove(path());
    profiles.remove("nobody");
    EXPECT_EQ(QJsonDocument::fromJson(fileBytes()).array().size(), 0);
}

TEST_F(ProfileStoreTest, OnlyCompleteProfilesWithTheExactDateFormDecode)
{
    const auto doc = [](const char* savedAt, const char* extra = "") {
        return QByteArray(R"([{"name":"A","metas":{"x":{"name":"N"}},"savedAt":")") + savedAt + "\"" + extra + "}]";
    };
    EXPECT_TRUE(ProfileStore::decode(doc("2025-03-01T08:30:00Z")));
    for (const QByteArray& bad : {doc("2025-03-01T08:30:00+00:00"), doc("2025-03-01T08:30:00.000Z"),
                                  doc("2025-03-01T08:30Z"), doc("2025-02-30T08:30:00Z"), doc("2025-03-01 08:30:00Z"),
                                  QByteArray(R"([{"name":"A","metas":{}}])"), QByteArray(R"([{"name":1,"metas":{},"savedAt":"2025-03-01T08:30:00Z"}])"),
                                  QByteArray(R"({"name":"A"})"), QByteArray("[1]")})
        EXPECT_FALSE(ProfileStore::decode(bad)) << bad.toStdString();
}

TEST_F(ProfileStoreTest, BrokenFileCountsAsEmptyAndIsKeptBesideUnchanged)
{
    const QByteArray broken = R"([{"name":"Home","metas":{},"savedAt":"yesterday"}])";
    ASSERT_TRUE(DataFile::write(path(), broken));
    EXPECT_FALSE(profiles.activate("home"));
    profiles.saveCurrent("Fresh");
    EXPECT_EQ(fileNames(), QStringList{"Fresh"});
    const QStringList aside = QDir(AppPaths::supportDirectory()).entryList({"profiles.json.unreadable-*"});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(AppPaths::supportDirectory() + "/" + aside.front());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), broken);
}

TEST_F(ProfileStoreTest, AtEveryWriteOfASwitchTheFilesDescribeOneProfile)
{
    seed({{"Alpha", named("Mail"), at(8)}, {"Beta", named("Code"), at(8)}});
    ASSERT_TRUE(profiles.activate("Alpha"));
    scheduler.advance(SpaceStore::saveDelay);
    store.setName(QStringLiteral("Post"), QStringLiteral("A")); // an edit under Alpha, not yet saved

    // What a restart would read, at each moment a file is written.
    const QString spacesPath = AppPaths::file(QStringLiteral("spaces.json"));
    auto onDisk = [&] {
        const auto names = SpaceMetaCoding::fromFileBytes(DataFile::read(spacesPath).bytes);
        const QJsonObject defaults = QJsonDocument::fromJson(DataFile::read(Settings::defaults().filePath()).bytes).object();
        const QString activeOnDisk = defaults.value(K::activeProfile).toString();
        return std::pair{activeOnDisk, names ? names->at("A").name.value_or(QString()) : QString()};
    };
    std::vector<std::pair<QString, QString>> seen;
    QObject::connect(&Settings::defaults(), &UserDefaults::changed, [&](const QString& key) {
        if (key == K::activeProfile)
            seen.push_back(onDisk());
    });
    ASSERT_TRUE(profiles.activate("Beta"));
    seen.push_back(onDisk());
    scheduler.advance(SpaceStore::saveMaxWait);
    seen.push_back(onDisk());

    ASSERT_FALSE(seen.empty());
    for (const auto& [activeOnDisk, name] : seen) {
        // A profile on record is the one whose names are on disk; none on record mixes nothing.
        if (activeOnDisk == "Alpha")
            EXPECT_EQ(name, "Post");
        else if (activeOnDisk == "Beta")
            EXPECT_EQ(name, "Code");
        else
            EXPECT_TRUE(activeOnDisk.isEmpty()) << activeOnDisk.toStdString();
    }
    EXPECT_EQ(seen.back(), std::pair(QStringLiteral("Beta"), QStringLiteral("Code")));
    // Alpha kept its edit.
    EXPECT_EQ(profiles.all().front().metas.at("A").name, "Post");
}

TEST_F(ProfileStoreTest, ATimeInADaylightSavingGapLoadsInEveryZone)
{
    const QByteArray zone = qgetenv("TZ");
    const QByteArray file = R"([{"name": "Work", "savedAt": "2025-03-30T02:30:00Z", "metas": {}},)"
                            R"( {"name": "Home", "savedAt": "2025-10-26T02:30:00Z", "metas": {}}])";
    for (const char* name : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "UTC"}) {
        qputenv("TZ", name);
        ::tzset();
        const auto decoded = ProfileStore::decode(file);
        ASSERT_TRUE(decoded) << name;
        ASSERT_EQ(decoded->size(), 2u);
        EXPECT_EQ(decoded->at(0).savedAt, QDateTime(QDate(2025, 3, 30), QTime(2, 30), QTimeZone::utc())) << name;
        EXPECT_EQ(decoded->at(1).savedAt, QDateTime(QDate(2025, 10, 26), QTime(2, 30), QTimeZone::utc())) << name;
        // And what is written reads back the same.
        const auto again = ProfileStore::decode(ProfileStore::encode(*decoded));
        ASSERT_TRUE(again) << name;
        EXPECT_EQ(again->at(0).savedAt, decoded->at(0).savedAt) << name;
    }
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    ::tzset();
}
