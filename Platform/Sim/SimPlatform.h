#pragma once

#include "Platform/Platform.h"
#include "Platform/Sim/SimEvents.h"
#include "Platform/Sim/SimHotKeys.h"
#include "Platform/Sim/SimKeyboard.h"
#include "Platform/Sim/SimLoginItem.h"
#include "Platform/Sim/SimAudio.h"
#include "Platform/Sim/SimBrowsers.h"
#include "Platform/Sim/SimCompositing.h"
#include "Platform/Sim/SimDesktopNames.h"
#include "Platform/Sim/SimMissionControl.h"
#include "Platform/Sim/SimMouse.h"
#include "Platform/Sim/SimPanelWindows.h"
#include "Platform/Sim/SimScreenCapture.h"
#include "Platform/Sim/SimProcesses.h"
#include "Platform/Sim/SimServices.h"
#include "Platform/Sim/SimWindowList.h"
#include "Platform/Sim/SimWorld.h"

namespace lumivast {

// The platform backed by a simulated world; files are watched for real.
class SimPlatform final : public Platform {
public:
    explicit SimPlatform(std::shared_ptr<SimWorld> world) : m_world(std::move(world)) {}
    static std::shared_ptr<SimPlatform> create(std::shared_ptr<SimWorld> world)
    {
        return std::make_shared<SimPlatform>(std::move(world));
    }

    SimWorld& world() { return *m_world; }

    SymbolSource& symbols() override { return *m_world; }
    Workspace& workspace() override { return *m_world; }
    Screens& screens() override { return *m_world; }
    Trust& trust() override { return *m_world; }
    FileWatcher& files() override { return m_files; }
    EventPoster& events() override { return m_world->events(); }
    HotKeyRegistry& hotKeys() override { return m_world->hotKeyRegistry(); }
    SystemInfo& system() override { return m_world->systemInfo(); }
    WindowList& windowList() override { return m_world->windowList(); }
    RunningApplications& runningApplications() override { return m_world->windowList(); }
    AXElements& accessibilityElements() override { return m_world->dockElements(); }
    Mouse& mouse() override { return m_world->mouse(); }
    Sounds& sounds() override { return m_world->audio(); }
    ScriptRunner& scripts() override { return m_world->scripts(); }
    ScreenCapture& screenCapture() override { return m_world->screenCapture(); }
    std::unique_ptr<SpeechSynthesizer> makeSpeechSynthesizer() override { return m_world->audio().makeSynthesizer(); }
    Compositing& compositing() override { return m_world->compositing(); }
    QString spacesPreferencesPath() override { return m_world->spacesPreferencesPath(); }
    Pasteboard& pasteboard() override { return m_world->pasteboard(); }
    UpdateService& updates() override { return m_world->updates(); }
    UserDefaults& preferenceDomain(const QString& name) override { return m_world->preferenceDomain(name); }
    DistributedNotifications& distributedNotifications() override { return m_world->distributedNotifications(); }
    UserDefaults* openPreferenceDomain(const QString& name) override
    {
        return m_world->unopenablePreferenceDomains.contains(name) ? nullptr : &m_world->preferenceDomain(name);
    }
    ChildProcesses& processes() override
    {
        return m_world->childProcesses ? *m_world->childProcesses : Platform::processes();
    }
    ShortcutsTool& shortcuts() override { return m_world->shortcuts(); }
    DesktopNames& desktopNames() override { return m_desktopNames; }
    SimDesktopNames& simDesktopNames() { return m_desktopNames; }
    Keyboard& keyboard() override { return m_keyboard; }
    SimKeyboard& simKeyboard() { return m_keyboard; }
    LoginItem& loginItem() override { return m_world->loginItem(); }
    PanelWindows& panelWindows() override { return m_panelWindows; }
    SystemParts& parts() override { return m_world->systemParts ? *m_world->systemParts : Platform::parts(); }
    SimPanelWindows& simPanelWindows() { return m_panelWindows; }

private:
    std::shared_ptr<SimWorld> m_world;
    InotifyFileWatcher m_files;
    SimDesktopNames m_desktopNames;
    SimKeyboard m_keyboard;
    SimPanelWindows m_panelWindows;
};

} // namespace lumivast
