#include "Platform/UserDefaults.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>

#include <limits>

#include <gtest/gtest.h>

using namespace lumivast;
using lumivast::test::TempHomeTest;

using UserDefaultsTest = TempHomeTest;

TEST_F(UserDefaultsTest, KeepsTypesAcrossSaveAndReload)
{
    auto& d = home.defaults();
    d.set("flag", true);
    d.set("ratio", 1.5);
    d.set("count", 7);
    d.set("text", QStringLiteral("hello"));
    d.set("list", QJsonArray{"a", "b"});
    d.set("dict", QJsonObject{{"k", "v"}});

    auto again = home.reopenDefaults();
    EXPECT_EQ(again->object("flag"), QJsonValue(true));
    EXPECT_TRUE(again->boolValue("flag"));
    EXPECT_DOUBLE_EQ(again->doubleValue("ratio"), 1.5);
    EXPECT_EQ(again->integerValue("count"), 7);
    EXPECT_EQ(again->string("text"), QStringLiteral("hello"));
    EXPECT_EQ(again->stringList("list"), (QStringList{"a", "b"}));
    EXPECT_EQ(again->dictionary("dict")->value("k").toString(), QStringLiteral("v"));
}

TEST_F(UserDefaultsTest, RegisteredDefaultsStayApartFromStoredValues)
{
    auto& d = home.defaults();
    d.registerDefaults({{"hud", true}, {"size", QStringLiteral("regular")}});
    EXPECT_TRUE(d.boolValue("hud"));
    EXPECT_FALSE(d.hasStoredValue("hud"));
    d.set("hud", false);
    EXPECT_FALSE(d.boolValue("hud"));
    d.remove("hud");
    EXPECT_TRUE(d.boolValue("hud")); // the registered default comes back

    auto again = home.reopenDefaults();
    EXPECT_FALSE(again->object("size").has_value()); // registrations are never written
}

TEST_F(UserDefaultsTest, TypedReadsConvertLikeTheGettersNeed)
{
    auto& d = home.defaults();
    d.set("n", 2.9);
    d.set("s", QStringLiteral("42"));
    d.set("yes", QStringLiteral("YES"));
    d.set("mixed", QJsonArray{"a", 1});
    EXPECT_EQ(d.integerValue("n"), 2);
    EXPECT_TRUE(d.boolValue("n"));
    EXPECT_EQ(d.integerValue("s"), 42);
    EXPECT_TRUE(d.boolValue("yes"));
    EXPECT_FALSE(d.string("n").has_value()); // only text reads as text
    EXPECT_FALSE(d.stringList("mixed").has_value());
    EXPECT_FALSE(d.boolValue("missing"));
    EXPECT_EQ(d.integerValue("missing"), 0);
}

TEST_F(UserDefaultsTest, SignalsOnlyRealChanges)
{
    auto& d = home.defaults();
    d.registerDefaults({{"hud", true}});
    QSignalSpy spy(&d, &UserDefaults::changed);
    d.set("hud", true); // stored now, but what readers see is unchanged
    d.set("hud", true);
    EXPECT_EQ(spy.count(), 0);
    d.set("hud", false);
    d.set("hud", false);
    EXPECT_EQ(spy.count(), 1);
    d.remove("hud");
    d.remove("hud");
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(1).at(0).toString(), QStringLiteral("hud"));
}

TEST_F(UserDefaultsTest, SetsAsideAnUnreadableFileInsteadOfLosingIt)
{
    const QString file = home.defaults().filePath();
    QDir().mkpath(QFileInfo(file).absolutePath());
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{ not json");
    }
    UserDefaults d(QStringLiteral("Lumivast"), file);
    EXPECT_FALSE(d.object("anything").has_value());
    const QStringList aside = QDir(QFileInfo(file).absolutePath()).entryList({"defaults.json.unreadable-*"});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(QFileInfo(file).absolutePath() + "/" + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("{ not json"));

    d.set("k", 1); // the next save starts a fresh file
    EXPECT_EQ(home.reopenDefaults()->integerValue("k"), 1);
}

TEST_F(UserDefaultsTest, OtherDomainsAreSeparateStores)
{
    auto& dock = UserDefaults::domainNamed(QStringLiteral("com.example.dock"));
    dock.set("mru-spaces", false);
    EXPECT_EQ(&dock, &UserDefaults::domainNamed(QStringLiteral("com.example.dock")));
    EXPECT_FALSE(home.defaults().object("mru-spaces").has_value());
    EXPECT_NE(dock.filePath(), home.defaults().filePath());
}

TEST_F(UserDefaultsTest, IntegerReadsOfHugeNumbersSaturate)
{
    auto& d = home.defaults();
    d.set("big", 1e300);
    d.set("small", -1e300);
    d.set("bigText", QStringLiteral("1e300"));
    EXPECT_EQ(d.integerValue("big"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(d.integerValue("small"), std::numeric_limits<qint64>::min());
    EXPECT_EQ(d.integerValue("bigText"), std::numeric_limits<qint64>::max());
}

TEST_F(UserDefaultsTest, SetsAsideAFileThatCannotBeOpenedBeforeSaving)
{
    // A directory in the file's place stands for a file that exists but cannot be read.
    const QString file = home.defaults().filePath();
    ASSERT_TRUE(QDir().mkpath(file));
    QFile inside(file + "/kept");
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.close();

    UserDefaults d(QStringLiteral("Lumivast"), file);
    d.set("k", 1);
    const QStringList aside = QDir(QFileInfo(file).absolutePath()).entryList({"defaults.json.unreadable-*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(QFile::exists(QFileInfo(file).absolutePath() + "/" + aside.first() + "/kept"));
    EXPECT_EQ(home.reopenDefaults()->integerValue("k"), 1);
}
