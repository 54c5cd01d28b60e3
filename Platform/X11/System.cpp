#include "Platform/X11/Services.h"

#include "Platform/X11/DesktopEntries.h"
#include "Platform/X11/Mouse.h"

#include "Platform/Coordinates.h"
#include "Platform/X11/Windows.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>

#include <time.h>

namespace lumivast::x11 {

QString System::osRelease(const QString& key)
{
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile file(QString::fromLatin1(path));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            if (!line.startsWith(key + QLatin1Char('=')))
                continue;
            QString value = line.mid(key.size() + 1);
            if (value.size() >= 2 && (value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char('\''))))
                value = value.mid(1, value.size() - 2);
            return value;
        }
        return {};
    }
    return {};
}

QString System::osName()
{
    const QString name = osRelease(QStringLiteral("NAME"));
    const QString version = osRelease(QStringLiteral("VERSION_ID"));
    if (name.isEmpty())
        return QStringLiteral("Linux");
    return version.isEmpty() ? name : name + QLatin1Char(' ') + version;
}

QString System::operatingSystemVersionString()
{
    // Texts put the system's name before it ("Debian GNU/Linux" "12").
    const QString version = osRelease(QStringLiteral("VERSION_ID"));
    return version.isEmpty() ? osRelease(QStringLiteral("VERSION_CODENAME")) : version;
}

PlistValue System::sessionDictionary()
{
    // logind knows whether the session's screen is locked.
    bool locked = false;
    const QByteArray session = qgetenv("XDG_SESSION_ID");
    if (!session.isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("loginctl")).isEmpty()) {
        QProcess loginctl;
        loginctl.start(QStringLiteral("loginctl"),
                       {QStringLiteral("show-session"), QString::fromLocal8Bit(session), QStringLiteral("-p"), QStringLiteral("LockedHint"),
                        QStringLiteral("--value")});
        if (loginctl.waitForFinished(1000))
            locked = loginctl.readAllStandardOutput().trimmed() == "yes";
    }
    return PlistValue::dict({{QStringLiteral("CGSSessionScreenIsLocked"), PlistValue(locked)},
                             {QStringLiteral("kCGSSessionOnConsoleKey"), PlistValue(true)}});
}

double System::systemUptime()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// ---- screens ----

std::vector<ScreenInfo> X11Screens::screens()
{
    auto x = m_session->connection();
    if (!x)
        return {};
    return m_session->screenInfos(*x);
}

std::optional<ScreenInfo> X11Screens::mainScreen()
{
    const std::vector<ScreenInfo> all = screens();
    if (all.empty())
        return std::nullopt;
    return all.front();
}

std::uint32_t X11Screens::mainDisplayID()
{
    auto x = m_session->connection();
    if (!x)
        return 0;
    const Layout layout = m_session->layout(*x);
    return layout.primary() ? layout.primary()->number : 0;
}

std::uint32_t X11Screens::displayIDFromUUID(const QUuid& uuid)
{
    auto x = m_session->connection();
    if (!x)
        return 0;
    const Layout layout = m_session->layout(*x);
    const QString text = uuid.toString(QUuid::WithoutBraces).toUpper();
    for (const Monitor& m : layout.monitors) {
        if (m.uuid == text)
            return m.number;
    }
    // A row of the Spaces list names a whole X screen: its first monitor stands for it.
    for (const Monitor& m : layout.monitors) {
        if (uuidForScreen(m.screen) == text)
            return m.number;
    }
    return 0;
}

bool X11Screens::displayIsBuiltin(std::uint32_t displayID)
{
    auto x = m_session->connection();
    if (!x)
        return false;
    for (const Monitor& m : m_session->layout(*x).monitors) {
        if (m.number == displayID)
            return m.builtin;
    }
    return false;
}

QPointF X11Screens::pointerLocation()
{
    auto x = m_session->connection();
    if (!x)
        return {};
    const auto pointer = queryPointer(*x);
    if (!pointer)
        return {};
    return Coordinates::flipped(pointer->topLeft, m_session->layout(*x).primaryHeight);
}

double X11Screens::menuBarThickness()
{
    const auto main = mainScreen();
    if (!main)
        return 0;
    const double top = main->frame.y() + main->frame.height();
    return std::max(0.0, top - (main->visibleFrame.y() + main->visibleFrame.height()));
}

// ---- compositing ----

bool X11Compositing::isActive(const ScreenInfo& screen)
{
    auto x = m_session->connection();
    if (!x)
        return false;
    const PlistValue* number = screen.deviceDescription.value(QStringLiteral("NSScreenNumber"));
    int xScreen = x->defaultScreen();
    if (number && number->integer()) {
        for (const Monitor& m : m_session->layout(*x).monitors) {
            if (m.number == std::uint32_t(*number->integer()))
                xScreen = m.screen;
        }
    }
    const xcb_atom_t selection = x->atom(QStringLiteral("_NET_WM_CM_S%1").arg(xScreen).toUtf8());
    Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(x->get(), xcb_get_selection_owner(x->get(), selection), nullptr));
    return reply && reply->owner != XCB_NONE;
}

// ---- workspace ----

bool X11Workspace::openURL(const QUrl& url)
{
    // The desktop's opener decides which application shows it.
    if (!url.isValid())
        return false;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString()});
}

std::optional<QUrl> X11Workspace::urlForApplication(const QString& bundleID)
{
    // The bundle identifier of an application here is its desktop-file id.
    const auto path = DesktopEntries::fileOf(bundleID);
    if (!path)
        return std::nullopt;
    return QUrl::fromLocalFile(*path);
}

void X11Workspace::openApplication(const QUrl& url, const OpenConfiguration& configuration,
                                   std::function<void(OpenResult)> completion)
{
    // A desktop entry is started the way the desktop starts it.
    std::weak_ptr<Session> weak = m_session;
    auto answer = [weak, completion = std::move(completion)](OpenResult result) {
        auto session = weak.lock();
        if (!session || !completion)
            return;
        session->scheduler().post([completion, result] { completion(result); });
    };
    if (!url.isLocalFile() || !url.toLocalFile().endsWith(QLatin1String(".desktop"))) {
        answer(std::unexpected(QStringLiteral("%1 is not an application").arg(url.toString())));
        return;
    }
    answer(DesktopEntries::launch(url.toLocalFile(), configuration.arguments));
}

bool X11Workspace::terminateApplication(std::int32_t pid)
{
    auto x = m_session->connection();
    if (!x || pid <= 0)
        return false;
    bool any = false;
    for (const ClientWindow& w : readClientWindows(*x)) {
        if (w.pid == pid) {
            // The window manager asks the application (WM_DELETE_WINDOW), which may ask the user first.
            x->sendRootMessage(w.screen, w.id, x->atoms().closeWindow, XCB_CURRENT_TIME, 2);
            any = true;
        }
    }
    return any;
}

} // namespace lumivast::x11
