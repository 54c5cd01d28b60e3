// The simulated window list, running applications, Dock and screens as world files describe them.
#include "Platform/Sim/SimWindowList.h"
#include "Platform/Sim/SimWorld.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

std::shared_ptr<SimWorld> load(const char* json, QString* error = nullptr)
{
    return SimWorld::fromJson(QJsonDocument::fromJson(json).object(), error);
}

} // namespace

TEST(SimDesktopTest, WindowListEntriesCarryTheSystemsKeys)
{
    auto world = load(R"({
      "apps": [ {"pid": 7, "bundleID": "org.example.a", "name": "A"}, {"pid": 8, "bundleID": "org.example.b", "name": "", "policy": "accessory"} ],
      "windows": [ {"id": 1, "pid": 7, "title": "One", "frame": {"x": 1, "y": 2, "w": 3, "h": 4}, "layer": 3, "alpha": 0.5},
                   {"id": 2, "pid": 8} ],
      "frontmost": 8
    })");
    ASSERT_TRUE(world);
    const PlistValue list = world->windowList().copyWindowInfo(WindowList::kOptionExcludeDesktopElements, 0);
    ASSERT_TRUE(list.array());
    ASSERT_EQ(list.array()->size(), 2u);
    const PlistValue& first = list.array()->at(0);
    EXPECT_EQ(first.value(WindowListKey::layer)->integer(), 3);
    EXPECT_EQ(first.value(WindowListKey::ownerPID)->int32(), 7);
    EXPECT_EQ(first.value(WindowListKey::number)->integer(), 1);
    EXPECT_EQ(first.value(WindowListKey::alpha)->real(), 0.5);
    EXPECT_EQ(*first.value(WindowListKey::ownerName)->string(), "A");
    EXPECT_EQ(*first.value(WindowListKey::name)->string(), "One");
    EXPECT_EQ(first.value(WindowListKey::bounds)->value("Height")->real(), 4.0);
    const PlistValue& second = list.array()->at(1);
    EXPECT_EQ(second.value(WindowListKey::alpha), nullptr);
    EXPECT_EQ(second.value(WindowListKey::ownerName), nullptr);
    EXPECT_EQ(second.value(WindowListKey::name), nullptr);

    const auto b = world->windowList().runningApplication(8);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->localizedName, std::nullopt);
    EXPECT_EQ(b->activationPolicy, ActivationPolicy::accessory);
    EXPECT_EQ(world->windowList().frontmostApplication(), b);
    // The Dock runs beside the listed apps.
    const auto apps = world->windowList().runningApplications();
    ASSERT_EQ(apps.size(), 3u);
    EXPECT_EQ(apps.back().bundleID, SimWindowList::kDockBundleID);
}

TEST(SimDesktopTest, DockAndNotchAreasFromTheWorldFile)
{
    auto world = load(R"({
      "displays": [ {"main": true, "frame": {"x": 0, "y": 0, "w": 1000, "h": 800}, "notch": {"width": 200}} ],
      "dock": {"pid": 55, "itemList": {"x": 100, "y": 740, "w": 300, "h": 60}},
      "windowList": null
    })");
    ASSERT_TRUE(world);
    EXPECT_EQ(world->dockPID, 55);
    EXPECT_EQ(world->dockItemList, QRectF(100, 740, 300, 60));
    EXPECT_TRUE(world->windowList().copyWindowInfo(0, 0).isNull());

    const auto screens = world->screens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].auxiliaryTopLeftArea, QRectF(0, 800 - SimWorld::kNotchAreaHeight, 400, SimWorld::kNotchAreaHeight));
    EXPECT_EQ(screens[0].auxiliaryTopRightArea, QRectF(600, 800 - SimWorld::kNotchAreaHeight, 400, SimWorld::kNotchAreaHeight));

    auto plain = load(R"({"displays": [ {"main": true} ], "dock": {"pid": 0}})");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->screens()[0].auxiliaryTopLeftArea, std::nullopt);
    EXPECT_EQ(plain->dockPID, 0);

    QString error;
    EXPECT_FALSE(load(R"({"dock": 3})", &error));
    EXPECT_EQ(error, "dock must be an object");
}
