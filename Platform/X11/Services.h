#pragma once

// The X11 backend's services, each over the shared session.

#include "Platform/Platform.h"
#include "Platform/X11/DesktopPictures.h"
#include "Platform/X11/Monitors.h"
#include "Platform/X11/Session.h"
#include "Platform/X11/Symbols.h"

#include <memory>

namespace lumivast::x11 {

// The operating system's name, version and session.
class System final : public SystemInfo {
public:
    int operatingSystemMajorVersion() override { return 15; } // only picks the gesture form
    // "12", from os-release.
    QString operatingSystemVersionString() override;
    PlistValue sessionDictionary() override;
    std::optional<PlistValue> globalPreference(const QString&) override { return std::nullopt; }
    double systemUptime() override;
    // "Debian GNU/Linux 12", from os-release.
    static QString osName();
    // One key of os-release, unquoted; empty when absent.
    static QString osRelease(const QString& key);
};

// X has no permission prompts; a Wayland session shows only X11 clients to a capture.
class X11Trust final : public Trust {
public:
    explicit X11Trust(bool wayland) : m_wayland(wayland) {}
    bool isAccessibilityTrusted(bool) override { return true; }
    bool preflightScreenCaptureAccess() override { return !m_wayland; }
    bool requestScreenCaptureAccess() override { return !m_wayland; }

private:
    bool m_wayland;
};

class X11Screens final : public Screens {
public:
    explicit X11Screens(std::shared_ptr<Session> session) : m_session(std::move(session)) {}
    std::vector<ScreenInfo> screens() override;
    std::optional<ScreenInfo> mainScreen() override;
    std::uint32_t mainDisplayID() override;
    std::uint32_t displayIDFromUUID(const QUuid& uuid) override;
    bool displayIsBuiltin(std::uint32_t displayID) override;
    QPointF pointerLocation() override;
    // There is no system menu bar: what panels reserve along the primary
    // monitor's top edge stands for it.
    double menuBarThickness() override;

private:
    std::shared_ptr<Session> m_session;
};

class X11Compositing final : public Compositing {
public:
    explicit X11Compositing(std::shared_ptr<Session> session) : m_session(std::move(session)) {}
    bool isActive(const ScreenInfo& screen) override;

private:
    std::shared_ptr<Session> m_session;
};

class X11Workspace final : public Workspace {
public:
    explicit X11Workspace(std::shared_ptr<Session> session)
        : m_session(session), m_pictures(std::make_unique<X11DesktopPictures>(std::move(session))) {}
    // The notifications come from the event thread, which the connection starts.
    Subscription observe(WorkspaceEvent event, std::function<void()> handler) override
    {
        m_session->connection();
        return m_session->observe(event, std::move(handler));
    }
    Subscription observeApplications(WorkspaceEvent event, std::function<void(const RunningApplication&)> handler) override
    {
        m_session->connection();
        return m_session->observeApplications(event, std::move(handler));
    }
    bool openURL(const QUrl& url) override;
    std::optional<QUrl> urlForApplication(const QString& bundleID) override;
    // The root's background, written to a file of the runtime folder; none when the root has no picture.
    std::optional<QUrl> desktopImageURL(const ScreenInfo& screen) override;
    // Kept for the desktop the screen shows now, and shown whenever that desktop is (X keeps one picture per root).
    std::expected<void, QString> setDesktopImageURL(const QUrl& file, const ScreenInfo& screen) override;
    // The kept pictures of the desktops shown now.
    void showDesktopPictures() { m_pictures->showCurrent(); }
    using Workspace::openApplication;
    void openApplication(const QUrl& url, const OpenConfiguration& configuration,
                         std::function<void(OpenResult)> completion) override;
    // Every window of it is asked to close, as its close button would.
    bool terminateApplication(std::int32_t pid) override;

private:
    std::shared_ptr<Session> m_session;
    std::unique_ptr<X11DesktopPictures> m_pictures;
};

// The desktop's own parts, and whether a window manager gives it desktops now.
std::unique_ptr<SystemParts> makeParts(std::shared_ptr<Session> session);

} // namespace lumivast::x11
