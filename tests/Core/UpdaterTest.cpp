#include "Core/Shell/Updater.h"

#include "Platform/PackageManagerUpdates.h"
#include "Platform/Sim/SimServices.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

TEST(UpdaterTest, StartsTheServiceAndOffersOneCheckItem)
{
    SimUpdates service;
    Updater updater(service);
    EXPECT_EQ(service.starts, 1);

    std::vector<MenuItem> items = updater.menuItems();
    ASSERT_EQ(items.size(), 1u);
    const MenuItem& item = items.front();
    EXPECT_EQ(item.title, QString::fromUtf8("Check for Updates\u2026"));
    EXPECT_FALSE(item.hasKey());
    EXPECT_TRUE(item.enabled);
    EXPECT_FALSE(item.isSeparator);
    EXPECT_TRUE(item.children.empty());
    ASSERT_TRUE(item.action);

    int messages = 0;
    updater.onMessage = [&](const QString&) { ++messages; };
    item.action();
    updater.menuItems().front().action(); // every opening of the menu gets a working item of its own
    EXPECT_EQ(service.checkRequests, 2);
    EXPECT_EQ(messages, 0); // the service answered through its own interface
    EXPECT_EQ(service.starts, 1);
}

TEST(UpdaterTest, ServiceWithoutInterfaceHasItsAnswerShown)
{
    PackageManagerUpdates service;
    Updater updater(service);
    QStringList shown;
    updater.onMessage = [&](const QString& text) { shown << text; };
    updater.menuItems().front().action();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.front(), service.checkForUpdates());
}

} // namespace
