#pragma once

#include "Platform/RunningApplications.h"
#include "Platform/Screens.h"

#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>

namespace lumivast {

// Keeps an observation alive; dropping it ends the observation.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    Subscription(Subscription&& other) noexcept : m_cancel(std::exchange(other.m_cancel, {})) {}
    Subscription& operator=(Subscription&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_cancel = std::exchange(other.m_cancel, {});
        }
        return *this;
    }
    ~Subscription() { reset(); }
    void reset()
    {
        if (auto cancel = std::exchange(m_cancel, {}))
            cancel();
    }

private:
    std::function<void()> m_cancel;
};

// Notifications the system sends to every application.
enum class WorkspaceEvent {
    ActiveSpaceDidChange,
    ScreenParametersDidChange,
    DidWake,
    DidLaunchApplication,
    DidTerminateApplication,
    DidActivateApplication,
    // The displays went to sleep or woke (the session's screen-off and screen-on).
    ScreensDidSleep,
    ScreensDidWake,
};

// How an application is opened: whether it comes to the front, the arguments
// it is started with, and whether a new instance is wanted even when one runs.
// An application that already runs only comes forward and never sees the
// arguments (unless a new instance is wanted).
struct OpenConfiguration {
    bool activates = true;
    QStringList arguments;
    bool createsNewInstance = false;
    bool operator==(const OpenConfiguration&) const = default;
};

// The opened application's pid, or the reason nothing was opened.
using OpenResult = std::expected<std::int32_t, QString>;

// The workspace: system notifications and opening links. Observers are
// called on the main thread.
class Workspace {
public:
    virtual ~Workspace() = default;
    [[nodiscard]] virtual Subscription observe(WorkspaceEvent event, std::function<void()> handler) = 0;
    // The application notifications (launch, terminate, activate) with the
    // application they are about; other events never reach this handler.
    [[nodiscard]] virtual Subscription observeApplications(WorkspaceEvent event,
                                                           std::function<void(const RunningApplication&)> handler) = 0;
    virtual bool openURL(const QUrl& url) = 0;

    // Where the application with this bundle identifier is installed; nothing when it is not.
    virtual std::optional<QUrl> urlForApplication(const QString& bundleID) = 0;
    // The desktop picture the screen shows now (that of its current Space); none when it has none.
    virtual std::optional<QUrl> desktopImageURL(const ScreenInfo& screen) = 0;
    // Makes `file` the desktop picture of `screen` with the system's default placement.
    // The system applies it to the Space the screen shows at that moment.
    virtual std::expected<void, QString> setDesktopImageURL(const QUrl& file, const ScreenInfo& screen)
    {
        Q_UNUSED(file);
        Q_UNUSED(screen);
        return std::unexpected(QStringLiteral("this desktop offers no way to set the desktop picture"));
    }
    // Launches (or activates) the application at `url` with `configuration`.
    // `completion` (may be empty) runs once on the main thread.
    virtual void openApplication(const QUrl& url, const OpenConfiguration& configuration,
                                 std::function<void(OpenResult)> completion) = 0;
    // The same with the default configuration; the pid, or nothing when it could not be opened.
    void openApplication(const QUrl& url, std::function<void(std::optional<std::int32_t> pid)> completion)
    {
        openApplication(url, OpenConfiguration{}, [completion = std::move(completion)](const OpenResult& result) {
            if (completion)
                completion(result ? std::optional<std::int32_t>(*result) : std::nullopt);
        });
    }
    // Asks the running application to quit (the polite request, which it may
    // ignore); false when no such application runs. Main thread.
    virtual bool terminateApplication(std::int32_t pid) = 0;
};

} // namespace lumivast
