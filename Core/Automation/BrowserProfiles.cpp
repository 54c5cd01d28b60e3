#include "Core/Automation/BrowserProfiles.h"

#include "Core/Windows/Deferred.h"
#include "Platform/Platform.h"

namespace lumivast {

const std::vector<BrowserProfiles::Browser>& BrowserProfiles::supported()
{
    static const std::vector<Browser> browsers = {
        {QStringLiteral("Google Chrome"), QStringLiteral("com.google.Chrome")},
        {QStringLiteral("Brave"), QStringLiteral("com.brave.Browser")},
        {QStringLiteral("Microsoft Edge"), QStringLiteral("com.microsoft.edgemac")},
        {QStringLiteral("Vivaldi"), QStringLiteral("com.vivaldi.Vivaldi")},
        {QStringLiteral("Arc"), QStringLiteral("company.thebrowser.Browser")},
    };
    return browsers;
}

void BrowserProfiles::open(const QString& bundle, const QString& profile)
{
    Workspace& workspace = Platform::current().workspace();
    const auto location = workspace.urlForApplication(bundle);
    if (!location)
        return;
    OpenConfiguration configuration;
    configuration.arguments = {QStringLiteral("--profile-directory=") + profile};
    configuration.createsNewInstance = false;
    workspace.openApplication(*location, configuration, {});
}

bool AltTabSetup::isInstalled()
{
    return Platform::current().workspace().urlForApplication(kBundleID).has_value();
}

bool AltTabSetup::showCurrentSpaceOnly(Scheduler& scheduler)
{
    Platform& platform = Platform::current();
    UserDefaults* preferences = platform.openPreferenceDomain(kBundleID);
    if (!preferences)
        return false;
    // Each write reaches the domain's store at once: nothing is left to synchronise.
    preferences->set(QStringLiteral("spacesToShow"), QStringLiteral("1"));
    preferences->set(QStringLiteral("spacesToShow2"), QStringLiteral("1"));

    std::optional<std::int32_t> running;
    for (const RunningApplication& app : platform.runningApplications().runningApplications()) {
        if (app.bundleID == kBundleID) {
            running = app.pid;
            break;
        }
    }
    if (!running)
        return true; // AltTab reads the values when it next starts
    platform.workspace().terminateApplication(*running);
    // Every request reopens it on its own; nothing cancels the reopen.
    runDetached(scheduler, kRelaunchDelay, [] {
        Workspace& workspace = Platform::current().workspace();
        if (const auto location = workspace.urlForApplication(kBundleID))
            workspace.openApplication(*location, OpenConfiguration{}, {});
    });
    return true;
}

} // namespace lumivast
