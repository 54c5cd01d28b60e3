// The user's names in the window manager's own desktop names.
#include "Platform/X11/Desktops.h"
#include "tests/Platform/X11/XServerFixture.h"

#include <gtest/gtest.h>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

class X11NamesTest : public SharedDesktopTest {
protected:
    void TearDown() override
    {
        if (client)
            writeNames({QStringLiteral("desktop 1"), QStringLiteral("desktop 2"), QStringLiteral("desktop 3"), QStringLiteral("desktop 4")});
        SharedDesktopTest::TearDown();
    }
    // The names as another pager would set them.
    void writeNames(const QStringList& names)
    {
        QByteArray bytes;
        for (const QString& n : names)
            bytes += n.toUtf8() + '\0';
        xcb_change_property(client->get(), XCB_PROP_MODE_REPLACE, client->root(), client->atom("_NET_DESKTOP_NAMES"),
                            client->atom("UTF8_STRING"), 8, std::uint32_t(bytes.size()), bytes.constData());
        xcb_flush(client->get());
        ASSERT_TRUE(client->waitUntil([&] { return client->desktopNames() == names; }));
    }
    // Hands over the stored names and waits for the property to show `expected`.
    bool store(const std::map<std::uint64_t, QString>& names, const QStringList& expected)
    {
        platform->desktopNames().setStoredNames(names);
        return client->waitUntil([&] { return client->desktopNames() == expected; }, 3s);
    }
};

TEST_F(X11NamesTest, OnlyStoredNamesAreWrittenAndTakingOneBackRestoresTheWindowManagers)
{
    writeNames({"one", "two", "three", "four"});
    EXPECT_TRUE(store({{2, "Mail"}}, {"one", "Mail", "three", "four"})) << client->desktopNames().join('|').toStdString();
    EXPECT_TRUE(store({{2, "Mail"}, {4, "Web"}}, {"one", "Mail", "three", "Web"})) << client->desktopNames().join('|').toStdString();
    EXPECT_TRUE(store({{4, "Web"}}, {"one", "two", "three", "Web"})) << client->desktopNames().join('|').toStdString();
    // Another screen's numbers and desktops past the count name nothing here.
    EXPECT_TRUE(store({{4, "Web"}, {1002, "Elsewhere"}, {9, "Nine"}}, {"one", "two", "three", "Web"}));
}

TEST_F(X11NamesTest, NamesWrittenOverOursAreWrittenAgain)
{
    writeNames({"one", "two", "three", "four"});
    ASSERT_TRUE(store({{2, "Mail"}}, {"one", "Mail", "three", "four"})) << client->desktopNames().join('|').toStdString();
    // A window manager that starts later writes names of its own over all of them.
    writeNames({"Workspace 1", "Workspace 2", "Workspace 3", "Workspace 4"});
    const QStringList expected{"Workspace 1", "Mail", "Workspace 3", "Workspace 4"};
    EXPECT_TRUE(client->waitUntil([&] {
        scheduler.runPending();
        return client->desktopNames() == expected;
    }, 3s)) << client->desktopNames().join('|').toStdString();
}

TEST_F(X11NamesTest, NamesPastTheCountStay)
{
    writeNames({"one", "two", "three", "four", "five", "six"});
    EXPECT_TRUE(store({{1, "Start"}}, {"Start", "two", "three", "four", "five", "six"})) << client->desktopNames().join('|').toStdString();
}

// Some window managers fill a short list at once, so fewer names than desktops are checked on the merge itself.
TEST(X11DesktopNamesMerge, StoredNamesOverTheWindowManagersWithMoreAndFewerNames)
{
    using lumivast::x11::mergedNames;
    const struct {
        QStringList current;
        std::map<std::uint32_t, QString> stored;
        std::uint32_t count;
        QStringList expected;
    } cases[] = {
        {{"a", "b", "c"}, {{1, "Mail"}}, 3, {"a", "Mail", "c"}},
        {{"a", "b", "c", "d", "e"}, {{0, "Start"}}, 3, {"Start", "b", "c", "d", "e"}},
        {{"a"}, {{2, "Third"}}, 4, {"a", "", "Third"}},
        {{}, {{0, "Only"}}, 1, {"Only"}},
        {{"a", "b"}, {{5, "Gone"}}, 2, {"a", "b"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mergedNames(c.current, c.stored, c.count), c.expected) << c.current.join('|').toStdString();
    EXPECT_EQ(lumivast::x11::decodeNames(QByteArray("one\0two\0", 8)), (QStringList{"one", "two"}));
    EXPECT_EQ(lumivast::x11::encodeNames({"one", "two"}), QByteArray("one\0two\0", 8));
}

} // namespace
