#pragma once

#include "App/AppDelegate.h"
#include "Platform/HotKeys.h"
#include "tests/Core/WindowWorld.h"
#include "tests/support/FakeAlertService.h"
#include "tests/support/FakeStatusItem.h"
#include "tests/support/HudReading.h"

#include <gtest/gtest.h>

namespace lumivast::test {

// The chord the program's shortcuts are built on.
inline constexpr quint32 kControlOption = HotKeyModifier::control | HotKeyModifier::option;

// The row titled `title` anywhere in `items`, submenus included.
inline const MenuItem* findMenuItem(const std::vector<MenuItem>& items, const QString& title)
{
    for (const MenuItem& item : items) {
        if (item.title == title)
            return &item;
        if (const MenuItem* inner = findMenuItem(item.children, title))
            return inner;
    }
    return nullptr;
}

// The real delegate on the `World` fixture's simulated desktop, with a fake
// status item and alerts.
template <class World>
class DelegateOn : public World {
protected:
    void launch(QStringList arguments = {"lumivast"})
    {
        delegate = std::make_unique<AppDelegate>(this->scheduler, alerts, statusItem, std::move(arguments));
        delegate->applicationDidFinishLaunching();
    }
    // A fresh window-list pass, read and published.
    void readDelegateContents()
    {
        delegate->contents().refresh();
        this->scheduler.advance(200ms);
        delegate->contents().waitForReading();
        this->scheduler.advance(10ms);
    }
    // Opens the menu with a click on the item and returns it.
    std::vector<MenuItem> openMenu()
    {
        statusItem.click(std::nullopt, true);
        return statusItem.menus.back();
    }
    // Chooses the row titled `title` from a freshly opened menu.
    void choose(const QString& title)
    {
        const std::vector<MenuItem> menu = openMenu();
        const MenuItem* item = findMenuItem(menu, title);
        ASSERT_TRUE(item) << title.toStdString();
        ASSERT_TRUE(item->action);
        item->action();
        this->scheduler.runPending();
    }
    QString lastToast() const { return lastHudTitle(delegate->hud()); }
    bool lastToastIsError() const { return lastHudIsError(delegate->hud()); }

    FakeAlertService alerts;
    FakeStatusItem statusItem;
    std::unique_ptr<AppDelegate> delegate;
};

// The delegate on the window world, launched past its onboarding.
class DelegateWiringTest : public DelegateOn<WindowWorldTest> {
protected:
    void launch(QStringList arguments = {"lumivast"})
    {
        home.defaults().set(Settings::Key::didShowOnboarding, true);
        DelegateOn::launch(std::move(arguments));
    }
};

} // namespace lumivast::test
