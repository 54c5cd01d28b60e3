#pragma once

#include "Platform/Platform.h"

#include <QByteArray>

#include <memory>

namespace lumivast {

class Scheduler;

// The real desktop: the platform on an X11 display under an EWMH window
// manager, whose desktops are the Spaces (one row per X screen). It opens
// connections of its own (never Qt's): one for requests, shared by every
// thread, and one read by its event thread. Without a display, or without a
// window manager, it answers as an unhealthy window server does and keeps
// trying; a window manager that starts later is announced as a Spaces change.
// This header is all that code outside the backend sees of it.
class X11Platform final : public Platform {
public:
    // `display` empty: the one DISPLAY names.
    static std::shared_ptr<X11Platform> create(const QByteArray& display = {});

    // What a display offers: no server reached, a server with no EWMH window
    // manager (no live _NET_SUPPORTING_WM_CHECK on any screen), or one with.
    enum class DisplayState { unreachable, noWindowManager, windowManager };
    static DisplayState probeDisplay(const QByteArray& display = {});
    explicit X11Platform(const QByteArray& display);
    ~X11Platform() override;
    X11Platform(const X11Platform&) = delete;
    X11Platform& operator=(const X11Platform&) = delete;

    // Where notifications for the main thread are posted (default: the Qt event loop).
    void setScheduler(Scheduler& scheduler);
    // The operating system's name and version from os-release ("Debian GNU/Linux 12").
    QString systemName() const;

    SymbolSource& symbols() override;
    Workspace& workspace() override;
    Screens& screens() override;
    Trust& trust() override;
    FileWatcher& files() override;
    EventPoster& events() override;
    HotKeyRegistry& hotKeys() override;
    SystemInfo& system() override;
    WindowList& windowList() override;
    RunningApplications& runningApplications() override;
    AXElements& accessibilityElements() override;
    Mouse& mouse() override;
    Sounds& sounds() override;
    ScriptRunner& scripts() override;
    ScreenCapture& screenCapture() override;
    std::unique_ptr<SpeechSynthesizer> makeSpeechSynthesizer() override;
    Compositing& compositing() override;
    QString spacesPreferencesPath() override;
    DesktopNames& desktopNames() override;
    PanelWindows& panelWindows() override;
    SystemParts& parts() override;
    DesktopManagement* desktopManagement() override;

    struct Services;

private:
    std::unique_ptr<Services> d;
};

} // namespace lumivast
