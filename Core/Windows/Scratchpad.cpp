#include "Core/Windows/Scratchpad.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Windows/WindowMover.h"
#include "Platform/Platform.h"

#include <QCoreApplication>

namespace lumivast {

namespace {

void showApplication(std::int32_t pid)
{
    RunningApplications& running = Platform::current().runningApplications();
    running.unhide(pid);
    running.activate(pid);
}

} // namespace

void Scratchpad::toggle(const SpaceSnapshot& snapshot, const Toast& toast)
{
    const QString bundleID = Settings::defaults().string(Settings::Key::scratchpadApp).value_or(QString());
    if (bundleID.isEmpty()) {
        if (toast)
            toast(QCoreApplication::translate("Scratchpad", "Choose a scratchpad app in Settings > Windows"), true);
        return;
    }
    Platform& platform = Platform::current();
    std::optional<RunningApplication> app;
    for (const RunningApplication& candidate : platform.runningApplications().runningApplications()) {
        if (candidate.bundleID == bundleID) {
            app = candidate;
            break;
        }
    }

    if (!app) {
        Workspace& workspace = platform.workspace();
        if (const auto url = workspace.urlForApplication(bundleID))
            workspace.openApplication(*url, {});
        return;
    }
    if (app->isActive && !app->isHidden) {
        platform.runningApplications().hide(app->pid);
        return;
    }

    const DisplaySpaces* menuBar = snapshot.menuBarDisplay();
    const Space* current = menuBar ? menuBar->activeSpace() : nullptr;
    const auto& windows = m_contents.windows();
    const auto window = std::find_if(windows.begin(), windows.end(),
                                     [&](const SpaceContents::WindowInfo& w) { return w.bundleID == bundleID; });
    if (window == windows.end() || (current && window->spaceID == current->managedID)) {
        showApplication(app->pid);
        return;
    }
    const std::int32_t pid = app->pid;
    // Shown whatever became of the move: the application is what the user asked for.
    m_mover.bringHere(*window, snapshot, [pid](WindowMover::Result) { showApplication(pid); });
}

} // namespace lumivast
