#include "Platform/X11/ApplicationWatch.h"

#include "Platform/X11/Desktops.h"
#include "Platform/X11/Windows.h"


#include <algorithm>

namespace lumivast::x11 {

namespace {

// The pid of a window's client: _NET_WM_PID, else what the server knows.
std::int32_t ownerOf(XConnection& x, xcb_window_t window)
{
    if (const auto pid = x.readCardinals(x.requestProperty(window, x.atoms().wmPid, XCB_ATOM_CARDINAL, 1)); pid && !pid->empty())
        return std::int32_t((*pid)[0]);
    return x.clientPids({window}).front();
}

QString classOf(XConnection& x, xcb_window_t window)
{
    if (const auto klass = x.readBytes(x.requestProperty(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256))) {
        const QList<QByteArray> parts = klass->split('\0');
        if (parts.size() >= 2)
            return QString::fromLocal8Bit(parts[1]);
    }
    return {};
}

} // namespace

std::optional<std::map<std::int32_t, QString>> ApplicationWatch::readOwners(XConnection& x)
{
    const std::vector<Row> rows = readRows(x);
    if (std::none_of(rows.begin(), rows.end(), [](const Row& r) { return r.managed; }))
        return std::nullopt;
    std::map<std::int32_t, QString> owners;
    for (const ClientWindow& w : readClientWindows(x)) {
        if (w.pid > 0)
            owners.emplace(w.pid, w.appClass);
    }
    return owners;
}

RunningApplication ApplicationWatch::describe(std::int32_t pid, const QString& windowClass)
{
    RunningApplication app;
    app.pid = pid;
    describeApplication(app, windowClass);
    return app;
}

void ApplicationWatch::reset(XConnection& x)
{
    if (auto owners = readOwners(x))
        m_running = std::move(*owners);
}

ApplicationWatch::Changes ApplicationWatch::clientsChanged(XConnection& x)
{
    Changes changes;
    auto owners = readOwners(x);
    if (!owners)
        return changes;
    for (const auto& [pid, windowClass] : *owners) {
        if (!m_running.contains(pid))
            changes.launched.push_back(describe(pid, windowClass));
    }
    for (const auto& [pid, windowClass] : m_running) {
        if (!owners->contains(pid)) {
            changes.terminated.push_back(describe(pid, windowClass));
            if (m_activePID == pid)
                m_activePID = 0;
        }
    }
    m_running = std::move(*owners);
    return changes;
}

std::optional<ApplicationWatch::Activation> ApplicationWatch::activeWindowChanged(XConnection& x, xcb_window_t root)
{
    const auto active = x.readCardinals(x.requestProperty(root, x.atoms().activeWindow, XCB_ATOM_WINDOW, 1));
    // No window has the focus (the desktop, or a moment within a switch): the last application stays active.
    if (!active || active->empty() || (*active)[0] == XCB_NONE)
        return std::nullopt;
    const xcb_window_t window = (*active)[0];
    const std::int32_t pid = ownerOf(x, window);
    if (pid <= 0)
        return std::nullopt;
    Activation activation;
    activation.window = window;
    activation.newApplication = pid != m_activePID;
    m_activePID = pid;
    // Its launch may still be to come from the client list, which reports it then.
    const auto known = m_running.find(pid);
    activation.application = describe(pid, known != m_running.end() ? known->second : classOf(x, window));
    activation.application.isActive = true;
    return activation;
}

} // namespace lumivast::x11
