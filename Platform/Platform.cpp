#include "Platform/Platform.h"

#include "Platform/PackageManagerUpdates.h"
#include "Platform/QtPasteboard.h"
#include "Platform/PlatformFallback.h"

#include <mutex>
#include <vector>

namespace lumivast {

namespace {

struct Registry {
    std::mutex mutex;
    std::shared_ptr<Platform> current;
    std::vector<std::function<void()>> resetHooks;
    std::function<std::shared_ptr<Platform>()> fallback;
};

Registry& registry()
{
    static Registry r;
    return r;
}

} // namespace

void Platform::install(std::shared_ptr<Platform> platform)
{
    std::vector<std::function<void()>> hooks;
    {
        std::lock_guard lock(registry().mutex);
        hooks = registry().resetHooks;
    }
    for (const auto& hook : hooks)
        hook();
    std::shared_ptr<Platform> previous;
    {
        std::lock_guard lock(registry().mutex);
        previous = std::exchange(registry().current, std::move(platform));
    }
    // `previous` is released here, outside the lock.
}

std::shared_ptr<Platform> Platform::currentShared()
{
    {
        std::lock_guard lock(registry().mutex);
        if (registry().current)
            return registry().current;
    }
    // The program installs the desktop it chose before anything asks; a test or benchmark main sets what
    // anything else gets.
    std::function<std::shared_ptr<Platform>()> make;
    {
        std::lock_guard lock(registry().mutex);
        make = registry().fallback;
    }
    if (!make)
        qFatal("lumivast: the platform was asked for before one was installed");
    std::shared_ptr<Platform> platform = make();
    std::lock_guard lock(registry().mutex);
    if (!registry().current)
        registry().current = std::move(platform);
    return registry().current;
}

Platform& Platform::current()
{
    return *currentShared();
}

Keyboard& Platform::keyboard()
{
    static QtKeyboard keyboard;
    return keyboard;
}

Pasteboard& Platform::pasteboard()
{
    static QtPasteboard board;
    return board;
}

LoginItem& Platform::loginItem()
{
    static AutostartLoginItem item;
    return item;
}

UpdateService& Platform::updates()
{
    static PackageManagerUpdates service;
    return service;
}

UserDefaults& Platform::preferenceDomain(const QString& name)
{
    return UserDefaults::domainNamed(name);
}

DistributedNotifications& Platform::distributedNotifications()
{
    // Where the system broadcasts nothing of the kind, observing is harmless and silent.
    class Silent final : public DistributedNotifications {
    public:
        Subscription observe(const QString&, std::function<void()>) override { return {}; }
    };
    static Silent silent;
    return silent;
}

ChildProcesses& Platform::processes()
{
    static QtChildProcesses processes;
    return processes;
}

ShortcutsTool& Platform::shortcuts()
{
    static ProcessShortcutsTool tool;
    return tool;
}

DesktopNames& Platform::desktopNames()
{
    class Nowhere final : public DesktopNames {
    public:
        void setStoredNames(const std::map<std::uint64_t, QString>&) override {}
    };
    static Nowhere nowhere;
    return nowhere;
}

PanelWindows& Platform::panelWindows()
{
    class AsTheToolkitMakesThem final : public PanelWindows {
    public:
        void preparePanel(QWindow*, const PanelTraits&) override {}
    };
    static AsTheToolkitMakesThem windows;
    return windows;
}

SystemParts& Platform::parts()
{
    static SystemParts parts;
    return parts;
}

void setFallbackPlatform(std::function<std::shared_ptr<Platform>()> make)
{
    std::lock_guard lock(registry().mutex);
    registry().fallback = std::move(make);
}

void Platform::addResetHook(std::function<void()> hook)
{
    std::lock_guard lock(registry().mutex);
    registry().resetHooks.push_back(std::move(hook));
}

} // namespace lumivast
