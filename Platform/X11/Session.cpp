#include "Platform/X11/Session.h"

#include "Platform/X11/Mouse.h"
#include "Platform/X11/X11Log.h"

#include "Platform/DataFile.h"
#include "Platform/Log.h"
#include "Platform/PrivateFolder.h"

#include <QDir>
#include <QFile>

#include <utility>

namespace lumivast::x11 {

std::shared_ptr<Session> Session::create(QByteArray display, Scheduler& fallbackScheduler)
{
    return std::shared_ptr<Session>(new Session(std::move(display), fallbackScheduler));
}

Session::Session(QByteArray display, Scheduler& fallbackScheduler)
    : m_display(std::move(display)), m_scheduler(&fallbackScheduler)
{
    // Only in this user's own folder: in a shared one another user could plant links under the name.
    const PrivateFolder::Folder folder = PrivateFolder::find();
    QString name = QString::fromLocal8Bit(m_display.isEmpty() ? qgetenv("DISPLAY") : m_display);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (folder.error.isEmpty())
        m_preferencesPath = QDir(folder.path).filePath(QStringLiteral("lumivast-spaces%1.json").arg(name));
    else
        qCWarning(lcFiles).noquote() << "no file tells of desktop changes:" << folder.error;
}

Session::~Session()
{
    // The event thread ends before the procedures and observers it calls go.
    std::unique_ptr<EventThread> events;
    {
        std::lock_guard lock(m_connectionMutex);
        events = std::move(m_events);
    }
}

std::shared_ptr<XConnection> Session::connection()
{
    std::lock_guard lock(m_connectionMutex);
    if (m_requests && !m_requests->broken())
        return m_requests;
    const QString display = QString::fromLocal8Bit(m_display.isEmpty() ? qgetenv("DISPLAY") : m_display);
    if (m_requests) {
        qCWarning(lcX11).noquote() << "lost the connection to X display" << display;
        m_lost = true;
    }
    m_requests = XConnection::open(m_display);
    if (!m_requests) {
        // Said once for each time it goes, not at every request meanwhile.
        if (!m_unreachableSaid)
            qCWarning(lcX11).noquote() << QStringLiteral("cannot reach X display %1; trying again at each request").arg(display);
        m_unreachableSaid = true;
        m_lost = true;
        return nullptr;
    }
    if (std::exchange(m_lost, false))
        qCInfo(lcX11).noquote() << "X display" << display << "is reachable again";
    m_unreachableSaid = false;
    if (!m_events || !m_events->running()) {
        // The thread never holds the session: the session's end joins it first.
        EventThread::Callbacks callbacks;
        callbacks.rowsChanged = [this](const std::vector<Row>& rows, bool currentChanged) { rowsChanged(rows, currentChanged); };
        callbacks.pointerScreenChanged = [this](int) { announce(kPointerScreenChanged); };
        callbacks.keyPressed = [this](xcb_keycode_t key, std::uint16_t state) {
            std::function<void(xcb_keycode_t, std::uint16_t)> handler;
            {
                std::lock_guard lock(m_keyMutex);
                handler = m_keyPressed;
            }
            if (handler)
                handler(key, state);
        };
        callbacks.keyboardMappingChanged = [this] {
            std::function<void()> handler;
            {
                std::lock_guard lock(m_keyMutex);
                handler = m_mappingChanged;
            }
            if (handler)
                handler();
        };
        callbacks.started = [this](XConnection& x, const std::vector<Row>& rows) {
            {
                std::lock_guard lock(m_rowsMutex);
                m_rows = rows;
            }
            watchClients(x);
            ++m_listingGeneration;
            m_applications.reset(x);
            writePreferences(rows);
        };
        callbacks.clientsChanged = [this](XConnection& x) {
            watchClients(x);
            // New windows are watched from here on: a listing read before may have missed their changes.
            ++m_listingGeneration;
            clientsChanged(x);
        };
        callbacks.listingChanged = [this] { ++m_listingGeneration; };
        callbacks.windowFactsChanged = [this](xcb_window_t window, bool ended) {
            forgetFacts(ended ? std::optional<xcb_window_t>(window) : std::nullopt);
        };
        const auto rootChanged = [this](RootChange change) {
            std::weak_ptr<Session> weak = weak_from_this();
            scheduler().post([weak, change] {
                auto self = weak.lock();
                if (!self)
                    return;
                std::vector<std::function<void(RootChange)>> handlers;
                {
                    std::lock_guard lock(self->m_rootMutex);
                    handlers = self->m_rootHandlers;
                }
                for (const auto& handler : handlers)
                    handler(change);
            });
        };
        callbacks.windowManagerChanged = [rootChanged] { rootChanged(RootChange::windowManager); };
        callbacks.desktopNamesChanged = [rootChanged] { rootChanged(RootChange::desktopNames); };
        callbacks.currentDesktopNotified = [this] { ++m_currentDesktopChanges; };
        callbacks.activeWindowChanged = [this](XConnection& x, xcb_window_t root) { activeWindowChanged(x, root); };
        callbacks.rawPointer = [this](std::uint16_t type, std::uint32_t detail) {
            std::function<void(std::uint16_t, std::uint32_t)> handler;
            {
                std::lock_guard lock(m_pointerMutex);
                handler = m_pointerHandler;
            }
            if (handler)
                handler(type, detail);
        };
        callbacks.screensChanged = [this](bool layout) {
            ++m_screensGeneration;
            if (layout)
                postWorkspaceEvent(WorkspaceEvent::ScreenParametersDidChange);
        };
        m_watchingScreens = false;
        ++m_screensGeneration;
        {
            // A new thread watches no window yet.
            std::lock_guard facts(m_factsMutex);
            m_watchingClients = false;
            m_watchedClients.clear();
            m_facts.clear();
            m_places.clear();
            ++m_factsGeneration;
        }
        m_events.reset(); // a thread whose server went away has returned already
        {
            std::lock_guard lock(m_rowsMutex);
            m_rows.reset();
        }
        auto thread = std::make_unique<EventThread>(m_display, std::move(callbacks));
        if (thread->start()) {
            m_events = std::move(thread);
            m_watchingScreens = true;
            {
                std::lock_guard facts(m_factsMutex);
                m_watchingClients = true;
            }
            // A new server knows nothing of what the last one was asked to send.
            bool pointerWanted = false;
            {
                std::lock_guard lock(m_pointerMutex);
                pointerWanted = bool(m_pointerHandler);
            }
            if (pointerWanted)
                selectRawPointer(*m_events->connection(), true);
        }
    }
    return m_requests;
}

XConnection* Session::eventConnection()
{
    if (!connection())
        return nullptr;
    std::lock_guard lock(m_connectionMutex);
    return m_events ? m_events->connection() : nullptr;
}

void Session::setKeyHandlers(std::function<void(xcb_keycode_t, std::uint16_t)> pressed, std::function<void()> mappingChanged)
{
    std::lock_guard lock(m_keyMutex);
    m_keyPressed = std::move(pressed);
    m_mappingChanged = std::move(mappingChanged);
}

Layout Session::layout(XConnection& x)
{
    // A thread whose server went away watches nothing any more.
    const bool watching = m_watchingScreens && eventsRunning();
    const std::uint64_t generation = m_screensGeneration;
    {
        std::lock_guard lock(m_screensMutex);
        if (watching && m_layoutGeneration == generation)
            return m_layout;
    }
    Layout fresh = readLayout(x);
    std::lock_guard lock(m_screensMutex);
    m_layout = fresh;
    m_layoutGeneration = generation; // a change seen meanwhile has bumped it past this
    return fresh;
}

std::vector<ScreenInfo> Session::screenInfos(XConnection& x)
{
    const bool watching = m_watchingScreens && eventsRunning();
    const std::uint64_t generation = m_screensGeneration;
    {
        std::lock_guard lock(m_screensMutex);
        if (watching && m_infosGeneration == generation)
            return m_infos;
    }
    std::vector<ScreenInfo> fresh = x11::screenInfos(x, layout(x));
    std::lock_guard lock(m_screensMutex);
    m_infos = fresh;
    m_infosGeneration = generation;
    return fresh;
}

bool Session::eventsRunning()
{
    std::lock_guard lock(m_connectionMutex);
    return m_events && m_events->running();
}

bool Session::setPointerHandler(std::function<void(std::uint16_t, std::uint32_t)> handler)
{
    const bool on = bool(handler);
    {
        std::lock_guard lock(m_pointerMutex);
        m_pointerHandler = std::move(handler);
    }
    XConnection* events = eventConnection();
    if (!events)
        return !on;
    return selectRawPointer(*events, on);
}

void Session::setScheduler(Scheduler& scheduler)
{
    std::lock_guard lock(m_schedulerMutex);
    m_scheduler = &scheduler;
}

Scheduler& Session::scheduler()
{
    std::lock_guard lock(m_schedulerMutex);
    return *m_scheduler;
}

bool Session::addNotifyProc(sysfn::NotifyProc proc, std::uint32_t event, void* context)
{
    if (!proc)
        return false;
    std::lock_guard lock(m_registrationMutex);
    m_registrations.push_back({proc, event, context});
    return true;
}

void Session::announce(std::uint32_t event)
{
    std::vector<Registration> registrations;
    {
        std::lock_guard lock(m_registrationMutex);
        registrations = m_registrations;
    }
    for (const Registration& r : registrations) {
        if (r.event == event)
            r.proc(event, nullptr, 0, r.context);
    }
}

std::optional<std::vector<Row>> Session::knownRows()
{
    if (!eventsRunning())
        return std::nullopt;
    std::lock_guard lock(m_rowsMutex);
    return m_rows;
}

void Session::rowsChanged(const std::vector<Row>& rows, bool currentChanged)
{
    {
        std::lock_guard lock(m_rowsMutex);
        m_rows = rows;
    }
    // The preferences file goes first: a watcher that reads it on its change sees the new state.
    writePreferences(rows);
    announce(kSpacesChanged);
    if (currentChanged)
        postWorkspaceEvent(WorkspaceEvent::ActiveSpaceDidChange);
}

void Session::writePreferences(const std::vector<Row>& rows)
{
    // Written beside and renamed over, whole: a reader never sees half of it.
    QByteArray text = "{\"screens\":[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        text += QStringLiteral("%1{\"screen\":%2,\"managed\":%3,\"desktops\":%4,\"current\":%5}")
                    .arg(i ? "," : "")
                    .arg(rows[i].screen)
                    .arg(rows[i].managed ? "true" : "false")
                    .arg(rows[i].count)
                    .arg(rows[i].current)
                    .toUtf8();
    }
    text += "]}\n";
    if (!m_preferencesPath.isEmpty())
        (void)DataFile::write(m_preferencesPath, text); // a failure is logged; the next change writes again
}

void Session::clientsChanged(XConnection& x)
{
    const ApplicationWatch::Changes changes = m_applications.clientsChanged(x);
    for (const RunningApplication& app : changes.launched)
        postApplicationEvent(WorkspaceEvent::DidLaunchApplication, app);
    for (const RunningApplication& app : changes.terminated) {
        {
            std::lock_guard lock(m_focusMutex);
            m_focusedWindows.erase(app.pid);
        }
        postApplicationEvent(WorkspaceEvent::DidTerminateApplication, app);
    }
}

void Session::activeWindowChanged(XConnection& x, xcb_window_t root)
{
    const auto activation = m_applications.activeWindowChanged(x, root);
    if (!activation)
        return;
    noteFocusedWindow(activation->application.pid, activation->window);
    if (activation->newApplication)
        postApplicationEvent(WorkspaceEvent::DidActivateApplication, activation->application);
}

void Session::watchClients(XConnection& x)
{
    std::vector<xcb_get_property_cookie_t> lists;
    for (int s = 0; s < int(x.screens().size()); ++s)
        lists.push_back(x.requestProperty(x.root(s), x.atoms().clientList, XCB_ATOM_WINDOW, 65536));
    std::set<xcb_window_t> clients;
    for (xcb_get_property_cookie_t cookie : lists) {
        const Reply<xcb_get_property_reply_t> list = x.readProperty(cookie);
        for (std::uint32_t id : cardinalsOf(list.get()))
            clients.insert(id);
    }
    std::set<xcb_window_t> watched;
    {
        std::lock_guard lock(m_factsMutex);
        watched = m_watchedClients;
    }
    // A window's own property changes and its end reach this thread from now on. Checked: the list may still
    // name a window that is gone, and a selection that reached no window must not count, or the next window
    // given the same id would never be watched.
    std::vector<std::pair<xcb_window_t, xcb_void_cookie_t>> selections;
    for (xcb_window_t id : clients) {
        if (!watched.contains(id)) {
            const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            selections.emplace_back(id, xcb_change_window_attributes_checked(x.get(), id, XCB_CW_EVENT_MASK, &mask));
        }
    }
    // The first check is a round trip: the server has taken the selections before the windows count as watched.
    for (const auto& [id, cookie] : selections) {
        if (xcb_generic_error_t* error = xcb_request_check(x.get(), cookie)) {
            std::free(error);
            clients.erase(id);
        }
    }
    std::lock_guard lock(m_factsMutex);
    m_watchedClients = std::move(clients);
    if (!selections.empty()) {
        // A read that began before the selections may have missed a change: it keeps nothing.
        ++m_factsGeneration;
    }
    std::erase_if(m_facts, [this](const auto& entry) { return !m_watchedClients.contains(entry.first); });
    std::erase_if(m_places, [this](const auto& entry) { return !m_watchedClients.contains(entry.first); });
}

void Session::forgetFacts(std::optional<xcb_window_t> ended)
{
    std::lock_guard lock(m_factsMutex);
    if (ended)
        m_watchedClients.erase(*ended); // its number may come back for another window, which nothing watches yet
    m_facts.clear();
    m_places.clear();
    ++m_factsGeneration;
}

std::uint64_t Session::listingGeneration()
{
    return eventsRunning() ? m_listingGeneration.load() : 0;
}

std::uint64_t Session::factsGeneration()
{
    // A thread whose server went away watches nothing any more.
    if (!eventsRunning())
        return 0;
    std::lock_guard lock(m_factsMutex);
    return m_watchingClients ? m_factsGeneration : 0;
}

std::vector<std::optional<WindowFacts>> Session::keptFacts(const std::vector<xcb_window_t>& windows, std::uint64_t generation)
{
    std::vector<std::optional<WindowFacts>> kept(windows.size());
    std::lock_guard lock(m_factsMutex);
    if (generation == 0 || generation != m_factsGeneration)
        return kept;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (const auto it = m_facts.find(windows[i]); it != m_facts.end())
            kept[i] = it->second;
    }
    return kept;
}

void Session::keepPlaces(std::uint64_t generation, std::vector<std::pair<xcb_window_t, WindowPlace>> places)
{
    std::lock_guard lock(m_factsMutex);
    if (generation == 0 || generation != m_factsGeneration)
        return;
    for (auto& [window, place] : places) {
        if (m_watchedClients.contains(window))
            m_places.insert_or_assign(window, place);
    }
}

std::optional<Session::WindowPlace> Session::keptPlace(xcb_window_t window)
{
    std::lock_guard lock(m_factsMutex);
    if (!m_watchingClients)
        return std::nullopt;
    const auto it = m_places.find(window);
    if (it == m_places.end())
        return std::nullopt;
    return it->second;
}

void Session::keepFacts(std::uint64_t generation, std::vector<std::pair<xcb_window_t, WindowFacts>> facts)
{
    std::lock_guard lock(m_factsMutex);
    if (generation == 0 || generation != m_factsGeneration)
        return;
    for (auto& [window, windowFacts] : facts) {
        if (m_watchedClients.contains(window))
            m_facts.insert_or_assign(window, std::move(windowFacts));
    }
}

void Session::noteFocusedWindow(std::int32_t pid, xcb_window_t window)
{
    std::lock_guard lock(m_focusMutex);
    m_focusedWindows[pid] = window;
}

std::optional<xcb_window_t> Session::focusedWindow(std::int32_t pid)
{
    std::lock_guard lock(m_focusMutex);
    const auto it = m_focusedWindows.find(pid);
    if (it == m_focusedWindows.end())
        return std::nullopt;
    return it->second;
}

Subscription Session::observe(WorkspaceEvent event, std::function<void()> handler)
{
    const std::uint64_t token = m_nextToken++;
    m_observers.push_back({token, event, std::move(handler), {}});
    std::weak_ptr<Session> weak = weak_from_this();
    return Subscription([weak, token] {
        if (auto self = weak.lock())
            std::erase_if(self->m_observers, [token](const Observer& o) { return o.token == token; });
    });
}

Subscription Session::observeApplications(WorkspaceEvent event, std::function<void(const RunningApplication&)> handler)
{
    const std::uint64_t token = m_nextToken++;
    m_observers.push_back({token, event, {}, std::move(handler)});
    std::weak_ptr<Session> weak = weak_from_this();
    return Subscription([weak, token] {
        if (auto self = weak.lock())
            std::erase_if(self->m_observers, [token](const Observer& o) { return o.token == token; });
    });
}

void Session::onRootChange(std::function<void(RootChange)> handler)
{
    std::lock_guard lock(m_rootMutex);
    m_rootHandlers.push_back(std::move(handler));
}

void Session::postWorkspaceEvent(WorkspaceEvent event)
{
    std::weak_ptr<Session> weak = weak_from_this();
    scheduler().post([weak, event] {
        auto self = weak.lock();
        if (!self)
            return;
        // A handler may end its own or another observation.
        const std::vector<Observer> observers = self->m_observers;
        for (const Observer& o : observers) {
            if (o.event == event && o.plain)
                o.plain();
        }
    });
}

void Session::postApplicationEvent(WorkspaceEvent event, const RunningApplication& application)
{
    std::weak_ptr<Session> weak = weak_from_this();
    scheduler().post([weak, event, application] {
        auto self = weak.lock();
        if (!self)
            return;
        const std::vector<Observer> observers = self->m_observers;
        for (const Observer& o : observers) {
            if (o.event != event)
                continue;
            if (o.application)
                o.application(application);
            else if (o.plain)
                o.plain();
        }
    });
}

} // namespace lumivast::x11
