#pragma once

#include "Platform/AXElements.h"
#include "Platform/Audio.h"
#include "Platform/DistributedNotifications.h"
#include "Platform/ChildProcesses.h"
#include "Platform/Compositing.h"
#include "Platform/DesktopManagement.h"
#include "Platform/DesktopNames.h"
#include "Platform/Events.h"
#include "Platform/FileWatcher.h"
#include "Platform/HotKeys.h"
#include "Platform/Keyboard.h"
#include "Platform/LoginItem.h"
#include "Platform/Mouse.h"
#include "Platform/PanelWindows.h"
#include "Platform/Pasteboard.h"
#include "Platform/RunningApplications.h"
#include "Platform/ScreenCapture.h"
#include "Platform/Screens.h"
#include "Platform/ShortcutsTool.h"
#include "Platform/Scripts.h"
#include "Platform/SymbolSource.h"
#include "Platform/SystemInfo.h"
#include "Platform/SystemParts.h"
#include "Platform/Trust.h"
#include "Platform/Updates.h"
#include "Platform/UserDefaults.h"
#include "Platform/WindowList.h"
#include "Platform/Workspace.h"

#include <QString>

#include <functional>
#include <memory>

namespace lumivast {

// What the operating system gives the program, one small interface per
// service. Exactly one implementation is installed per process; tests install
// their own. New services join as further accessors (and, in the simulated
// system, as further interfaces that SimWorld implements).
class Platform {
public:
    virtual ~Platform() = default;

    virtual SymbolSource& symbols() = 0;
    virtual Workspace& workspace() = 0;
    virtual Screens& screens() = 0;
    virtual Trust& trust() = 0;
    virtual FileWatcher& files() = 0;
    virtual EventPoster& events() = 0;
    virtual HotKeyRegistry& hotKeys() = 0;
    virtual SystemInfo& system() = 0;
    virtual WindowList& windowList() = 0;
    virtual RunningApplications& runningApplications() = 0;
    virtual AXElements& accessibilityElements() = 0;
    virtual Mouse& mouse() = 0;
    virtual Sounds& sounds() = 0;
    virtual ScriptRunner& scripts() = 0;
    virtual ScreenCapture& screenCapture() = 0;
    // Each caller gets a synthesizer of its own.
    virtual std::unique_ptr<SpeechSynthesizer> makeSpeechSynthesizer() = 0;

    virtual Compositing& compositing() = 0;

    // Where the system keeps its Spaces preferences (written on every change of the Spaces).
    virtual QString spacesPreferencesPath() = 0;

    // The general pasteboard (default: the desktop's clipboard).
    virtual Pasteboard& pasteboard();
    // Where updates come from (default: the package manager).
    virtual UpdateService& updates();
    // Another application's preferences domain ("com.apple.dock"); the default
    // is the shared store UserDefaults::domainNamed() keeps for that name.
    virtual UserDefaults& preferenceDomain(const QString& name);
    // Broadcast notifications (default: none ever arrives).
    virtual DistributedNotifications& distributedNotifications();
    // The same domain when it can be opened; null when the system refuses it.
    virtual UserDefaults* openPreferenceDomain(const QString& name) { return &preferenceDomain(name); }
    // Child processes (default: real ones, through QProcess). Any thread.
    virtual ChildProcesses& processes();
    // The user's shortcuts tool (default: the program at its fixed path). Any thread.
    virtual ShortcutsTool& shortcuts();
    // Where the user's desktop names go (default: nowhere).
    virtual DesktopNames& desktopNames();
    // The modifier keys held now (default: the desktop's keyboard).
    virtual Keyboard& keyboard();
    // Starting at login (default: the XDG autostart entry).
    virtual LoginItem& loginItem();
    // The program's own panels (default: left as the toolkit makes them).
    virtual PanelWindows& panelWindows();
    // The system's own parts, their names and which exist (default: every one, with the first system's words).
    virtual SystemParts& parts();
    // Adding and removing desktops by asking the system; null where that goes through Mission Control (the default).
    virtual DesktopManagement* desktopManagement() { return nullptr; }

    // Makes `platform` current. Process-wide caches built on the previous one
    // (the bridge's symbol slots) are dropped through the reset hooks first.
    static void install(std::shared_ptr<Platform> platform);
    // The installed platform; when none was, the one setFallbackPlatform() makes.
    static Platform& current();
    static std::shared_ptr<Platform> currentShared();
    // Called by install() before the new platform takes over.
    static void addResetHook(std::function<void()> hook);
};

} // namespace lumivast
