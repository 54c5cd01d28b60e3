#pragma once

#include "Platform/Scheduler.h"
#include "Platform/SystemFunctions.h"
#include "Platform/Workspace.h"
#include "Platform/Screens.h"
#include "Platform/X11/ApplicationWatch.h"
#include "Platform/X11/EventThread.h"
#include "Platform/X11/Monitors.h"
#include "Platform/X11/XConnection.h"

#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace lumivast::x11 {

// What a client window says of itself once and hardly ever again.
struct WindowFacts {
    std::optional<std::int32_t> pid; // _NET_WM_PID
    QString appClass;                // WM_CLASS's class part
    std::optional<xcb_atom_t> type;  // the first _NET_WM_WINDOW_TYPE
};

// What every X11 service shares: the request connection (opened on first use
// and again while it cannot be), the event thread that reads a connection of
// its own, the window-server notification procedures, and the workspace
// observers, which run on the main thread through the scheduler's post.
class Session final : public std::enable_shared_from_this<Session> {
public:
    // Window-server event codes the backend sends.
    static constexpr std::uint32_t kSpacesChanged = 1401;
    static constexpr std::uint32_t kPointerScreenChanged = 1322;

    static std::shared_ptr<Session> create(QByteArray display, Scheduler& fallbackScheduler);
    ~Session();

    // Null while the display cannot be reached. Any thread.
    std::shared_ptr<XConnection> connection();
    // The display as given (empty: the one DISPLAY names), for connections of a caller's own.
    const QByteArray& display() const { return m_display; }
    void setScheduler(Scheduler& scheduler);
    Scheduler& scheduler();

    // ---- window-server notifications (procedures run on the event thread) ----
    bool addNotifyProc(sysfn::NotifyProc proc, std::uint32_t event, void* context);
    void announce(std::uint32_t event);

    // ---- workspace notifications (main thread) ----
    Subscription observe(WorkspaceEvent event, std::function<void()> handler);
    Subscription observeApplications(WorkspaceEvent event, std::function<void(const RunningApplication&)> handler);
    // From any thread: the observers hear it on the main thread.
    void postWorkspaceEvent(WorkspaceEvent event);
    void postApplicationEvent(WorkspaceEvent event, const RunningApplication& application);

    // The rows as the event thread last read them, which it keeps up to date; none while it
    // does not run. Any thread.
    std::optional<std::vector<Row>> knownRows();
    // How often any root's current desktop was set, as the event thread has seen it so far.
    std::uint64_t currentDesktopChanges() const { return m_currentDesktopChanges; }

    // ---- the window manager's own state on the roots ----
    enum class RootChange { windowManager, desktopNames };
    // Registered while the platform is put together; each handler runs on the main thread.
    void onRootChange(std::function<void(RootChange)> handler);

    // ---- global hot keys: grabbed on the event thread's connection, whose events it reads ----
    // Null while the display cannot be reached.
    XConnection* eventConnection();
    // Run on the event thread.
    void setKeyHandlers(std::function<void(xcb_keycode_t key, std::uint16_t state)> pressed, std::function<void()> mappingChanged);

    // ---- raw pointer events: selected on the event thread's connection while a handler is set ----
    // The handler runs on the event thread with the XInput 2 event type and detail. False when
    // the events cannot be selected (no display, no XInput 2).
    bool setPointerHandler(std::function<void(std::uint16_t type, std::uint32_t detail)> handler);

    // ---- screens: read again only after the event thread saw them change ----
    Layout layout(XConnection& x);
    std::vector<ScreenInfo> screenInfos(XConnection& x);

    // The file rewritten at every change of the desktops.
    QString spacesPreferencesPath() const { return m_preferencesPath; }

    // ---- client windows' facts: kept for the windows the event thread watches, until it sees one change. Any thread. ----
    // The generation a read of facts starts at, taken before its requests go out; 0 while nothing watches.
    std::uint64_t factsGeneration();
    // The kept facts of each window, none where they must be read.
    std::vector<std::optional<WindowFacts>> keptFacts(const std::vector<xcb_window_t>& windows, std::uint64_t generation);
    // Keeps facts read by a read that started at `generation`, unless something changed since.
    void keepFacts(std::uint64_t generation, std::vector<std::pair<xcb_window_t, WindowFacts>> facts);

    // Bumped at every change the event thread sees that a window listing could show; 0 while it does not run. Any thread.
    std::uint64_t listingGeneration();

    // Each watched window's screen and desktop as the latest read saw them, kept and dropped like the facts.
    struct WindowPlace {
        int screen = 0;
        std::optional<std::uint32_t> desktop;
    };
    void keepPlaces(std::uint64_t generation, std::vector<std::pair<xcb_window_t, WindowPlace>> places);
    // None where it must be read.
    std::optional<WindowPlace> keptPlace(xcb_window_t window);

    // ---- each application's focused window: the one it last had active, or one chosen for it. Any thread. ----
    void noteFocusedWindow(std::int32_t pid, xcb_window_t window);
    std::optional<xcb_window_t> focusedWindow(std::int32_t pid);

private:
    Session(QByteArray display, Scheduler& fallbackScheduler);
    bool eventsRunning();
    void rowsChanged(const std::vector<Row>& rows, bool currentChanged);
    void writePreferences(const std::vector<Row>& rows);
    void clientsChanged(XConnection& x);                         // event thread
    void activeWindowChanged(XConnection& x, xcb_window_t root); // event thread
    void watchClients(XConnection& x);                           // event thread
    void forgetFacts(std::optional<xcb_window_t> ended);         // event thread

    struct Registration {
        sysfn::NotifyProc proc;
        std::uint32_t event;
        void* context;
    };
    struct Observer {
        std::uint64_t token;
        WorkspaceEvent event;
        std::function<void()> plain;
        std::function<void(const RunningApplication&)> application;
    };

    QByteArray m_display;
    std::mutex m_connectionMutex;
    std::shared_ptr<XConnection> m_requests;
    bool m_lost = false;            // the display went, or was not reached: reaching it is news
    bool m_unreachableSaid = false; // that it cannot be reached was logged this time
    std::unique_ptr<EventThread> m_events;
    std::mutex m_schedulerMutex;
    Scheduler* m_scheduler;
    std::mutex m_registrationMutex;
    std::vector<Registration> m_registrations;
    std::vector<Observer> m_observers; // main thread
    std::uint64_t m_nextToken = 1;
    QString m_preferencesPath;
    std::mutex m_keyMutex;
    std::function<void(xcb_keycode_t, std::uint16_t)> m_keyPressed;
    std::function<void()> m_mappingChanged;
    ApplicationWatch m_applications; // event thread
    std::mutex m_focusMutex;
    std::map<std::int32_t, xcb_window_t> m_focusedWindows;
    std::mutex m_screensMutex;
    // Bumped by the event thread at each change; the cache is good for one generation,
    // and only while that thread watches (without it nothing would say the cache is stale).
    std::atomic<std::uint64_t> m_screensGeneration{1};
    std::atomic<std::uint64_t> m_currentDesktopChanges{0};
    std::atomic<bool> m_watchingScreens{false};
    std::uint64_t m_layoutGeneration = 0;
    Layout m_layout;
    std::uint64_t m_infosGeneration = 0;
    std::vector<ScreenInfo> m_infos;
    std::mutex m_factsMutex;
    // Bumped (and the facts dropped) at each change the event thread sees and each window it starts to watch:
    // facts read in a read that started at an older generation are never kept.
    std::uint64_t m_factsGeneration = 1;
    bool m_watchingClients = false;
    std::set<xcb_window_t> m_watchedClients;
    std::map<xcb_window_t, WindowFacts> m_facts;
    std::map<xcb_window_t, WindowPlace> m_places;
    std::atomic<std::uint64_t> m_listingGeneration{1};
    std::mutex m_rowsMutex;
    std::optional<std::vector<Row>> m_rows;
    std::mutex m_rootMutex;
    std::vector<std::function<void(RootChange)>> m_rootHandlers;
    std::mutex m_pointerMutex;
    std::function<void(std::uint16_t, std::uint32_t)> m_pointerHandler;
};

} // namespace lumivast::x11
