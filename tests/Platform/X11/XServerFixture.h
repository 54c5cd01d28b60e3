#pragma once

// A real X server for the X11 backend's tests: Xvfb, which picks a free
// display number itself (the user's DISPLAY is never touched), and an EWMH
// window manager (openbox, or the one LUMIVAST_TEST_WM names) with a private
// HOME. Processes are stopped by their pids. Waiting is on X events with a
// deadline, never a sleep. The suites derive from the fixtures at the end.

#include "Platform/Sim/SimPlatform.h"
#include "Platform/VirtualScheduler.h"
#include "Platform/X11/X11Platform.h"
#include "tests/support/TestEnv.h"

#include <xcb/xcb.h>

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumivast::test::x11 {

using namespace std::chrono_literals;

// A child process stopped (SIGTERM, then SIGKILL) and reaped when dropped.
class Child {
public:
    Child() = default;
    // `fdForChild` >= 0: dup'ed to descriptor 3 in the child.
    static std::optional<Child> spawn(const QStringList& command, const QStringList& environment = {}, int fdForChild = -1);
    Child(Child&& other) noexcept : m_pid(std::exchange(other.m_pid, 0)) {}
    Child& operator=(Child&& other) noexcept;
    ~Child() { stop(); }
    int pid() const { return m_pid; }
    void stop();
    // Waits for the child to end on its own; its exit status, or none after the deadline.
    std::optional<int> wait(std::chrono::milliseconds deadline);

private:
    int m_pid = 0;
};

// One Xvfb.
class XServer {
public:
    // Null when Xvfb is missing or does not start; `problem` says why.
    static std::unique_ptr<XServer> start(const QStringList& screens, QString* problem);
    QByteArray display() const { return m_display; }

private:
    Child m_process;
    QByteArray m_display;
};

// One window manager on a display, started with a private HOME.
class WindowManager {
public:
    // The window manager LUMIVAST_TEST_WM names, else openbox.
    static QString chosen();
    // The Debian package that holds it, for the skip message.
    static QString package(const QString& name);
    // Null when the program is missing or shows no check window in time.
    static std::unique_ptr<WindowManager> start(const QByteArray& display, QString* problem);
    ~WindowManager();
    void stop();

private:
    Child m_process;
    std::unique_ptr<QTemporaryDir> m_home;
};

// A test's own client connection: reads root properties and waits on events.
class Client {
public:
    explicit Client(const QByteArray& display, int screen = 0);
    ~Client();
    xcb_connection_t* get() const { return m_c; }
    bool ok() const { return m_c && !xcb_connection_has_error(m_c); }
    xcb_window_t root(int screen = 0) const;
    xcb_atom_t atom(const char* name);
    std::optional<std::uint32_t> rootCardinal(const char* property, int screen = 0);
    QStringList desktopNames(int screen = 0);
    void setRootCardinal(const char* property, std::uint32_t value, int screen = 0);
    void setRootWindow(const char* property, xcb_window_t value, int screen = 0);
    void deleteRootProperty(const char* property, int screen = 0);
    // A window of one colour at `rect` on the first screen, placed as asked (override-redirect, no window
    // manager in between) and mapped, whose _NET_WM_PID says `pid`.
    xcb_window_t plainWindow(QRect rect, std::uint32_t colour, std::uint32_t pid);
    // A client message to the root, as a pager sends it.
    void sendRootMessage(const char* type, std::uint32_t d0, std::uint32_t d1 = 0, int screen = 0);
    // Waits until `condition` holds, checking at each X event on the roots; false at the deadline.
    bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 5s);

private:
    xcb_connection_t* m_c = nullptr;
};

// Xvfb with one 1512x982 screen and the chosen window manager on it,
// holding 4 desktops: started once per test executable, on first use.
struct SharedDesktop {
    XServer* server = nullptr;
    WindowManager* manager = nullptr;
    QString problem; // why there is none
};
SharedDesktop& sharedDesktop();
// Whether a missing X server or window manager fails the test instead of skipping it.
bool desktopRequired();
// Sets the number of desktops and waits until the window manager shows it.
bool setDesktopCount(const QByteArray& display, std::uint32_t count);

} // namespace lumivast::test::x11

// Ends the test when the desktop it needs is missing, saying why: a failure
// where one is always installed (./test sets LUMIVAST_TEST_REQUIRE_X11), a skip elsewhere.
#define LUMIVAST_X11_UNAVAILABLE(why)                                                                        \
    do {                                                                                                     \
        if (::lumivast::test::x11::desktopRequired())                                                        \
            FAIL() << (why).toStdString();                                                                   \
        GTEST_SKIP() << (why).toStdString();                                                                 \
    } while (0)

#define LUMIVAST_REQUIRE_DESKTOP(desktop)                                                                    \
    do {                                                                                                     \
        if (!(desktop).server || !(desktop).manager)                                                         \
            LUMIVAST_X11_UNAVAILABLE((desktop).problem);                                                     \
    } while (0)

namespace lumivast::test::x11 {

// The X11 platform on one display for one test, on virtual time, with a
// private HOME; the simulated default is installed again after the test.
class X11PlatformTest : public test::TempHomeTest {
protected:
    // Creates the platform for `on` and installs it.
    void use(const QByteArray& on)
    {
        display = on;
        platform = X11Platform::create(display);
        platform->setScheduler(scheduler);
        Platform::install(platform);
    }
    // Starts a server of the test's own with `screens` and a client on it; ends the test without one
    // (the caller then returns when `server` is null).
    void startServer(const QStringList& screens)
    {
        QString problem;
        server = XServer::start(screens, &problem);
        if (!server)
            LUMIVAST_X11_UNAVAILABLE(problem);
        client = std::make_unique<Client>(server->display());
    }
    void TearDown() override
    {
        // The next test starts from the simulated default again; the bridge drops its look-ups.
        Platform::install(SimPlatform::create(SimWorld::defaultWorld()));
    }

    VirtualScheduler scheduler;
    std::unique_ptr<XServer> server; // the test's own, when it started one
    QByteArray display;
    std::unique_ptr<Client> client;
    std::shared_ptr<X11Platform> platform;
};

// The shared Xvfb and window manager, back at 4 desktops with the first one
// shown, and the platform installed on it. A suite's own SetUp calls this one
// first and returns when it skipped or failed.
class SharedDesktopTest : public X11PlatformTest {
protected:
    void SetUp() override
    {
        SharedDesktop& desktop = sharedDesktop();
        LUMIVAST_REQUIRE_DESKTOP(desktop);
        const QByteArray on = desktop.server->display();
        client = std::make_unique<Client>(on);
        ASSERT_TRUE(setDesktopCount(on, 4));
        showDesktop(0);
        if (HasFatalFailure())
            return;
        use(on);
    }
    // Shows desktop `index` as a pager asks for it, and waits until it is shown.
    void showDesktop(std::uint32_t index)
    {
        client->sendRootMessage("_NET_CURRENT_DESKTOP", index);
        ASSERT_TRUE(client->waitUntil([&] { return client->rootCardinal("_NET_CURRENT_DESKTOP") == index; }));
    }
};

} // namespace lumivast::test::x11
