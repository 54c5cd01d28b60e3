#include "tests/Platform/X11/XServerFixture.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumivast::test::x11 {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<QByteArray> toBytes(const QStringList& list)
{
    std::vector<QByteArray> out;
    for (const QString& s : list)
        out.push_back(s.toLocal8Bit());
    return out;
}

int remainingMs(Clock::time_point end)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left < 0 ? 0 : int(left);
}

} // namespace

// ---- Child ----

std::optional<Child> Child::spawn(const QStringList& command, const QStringList& environment, int fdForChild)
{
    const std::vector<QByteArray> args = toBytes(command);
    std::vector<char*> argv;
    for (const QByteArray& a : args)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    const std::vector<QByteArray> env = toBytes(environment);
    const pid_t pid = ::fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        for (const QByteArray& e : env)
            ::putenv(const_cast<char*>(e.constData()));
        const int devnull = ::open("/dev/null", O_RDWR);
        ::dup2(devnull, 0);
        if (!qEnvironmentVariableIsSet("LUMIVAST_TEST_X_VERBOSE")) {
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
        }
        if (fdForChild >= 0) {
            ::dup2(fdForChild, 3);
            if (fdForChild != 3)
                ::close(fdForChild);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    Child child;
    child.m_pid = pid;
    return child;
}

Child& Child::operator=(Child&& other) noexcept
{
    if (this != &other) {
        stop();
        m_pid = std::exchange(other.m_pid, 0);
    }
    return *this;
}

std::optional<int> Child::wait(std::chrono::milliseconds deadline)
{
    if (m_pid <= 0)
        return std::nullopt;
    const auto end = Clock::now() + deadline;
    // The process's own descriptor becomes readable when it ends.
    const int pidfd = int(::syscall(SYS_pidfd_open, m_pid, 0));
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            if (pidfd >= 0)
                ::close(pidfd);
            m_pid = 0;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (Clock::now() >= end || pidfd < 0) {
            if (pidfd >= 0)
                ::close(pidfd);
            return std::nullopt;
        }
        pollfd p{pidfd, POLLIN, 0};
        ::poll(&p, 1, remainingMs(end));
    }
}

void Child::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    if (!wait(2s)) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    m_pid = 0;
}

// ---- XServer ----

std::unique_ptr<XServer> XServer::start(const QStringList& screens, QString* problem)
{
    // Servers are stopped while connections to them may still write (the shared one at exit, others mid-test);
    // xcb would then raise SIGPIPE and end the whole test executable instead of reporting a broken connection.
    std::signal(SIGPIPE, SIG_IGN);
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        *problem = QStringLiteral("Xvfb is not installed (Debian package xvfb)");
        return nullptr;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        *problem = QStringLiteral("no pipe");
        return nullptr;
    }
    QStringList command{QStringLiteral("Xvfb"), QStringLiteral("-displayfd"), QStringLiteral("3"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-noreset")};
    for (int i = 0; i < screens.size(); ++i)
        command << QStringLiteral("-screen") << QString::number(i) << screens[i];
    // The write end must survive exec in the child: a copy without close-on-exec.
    const int childEnd = ::fcntl(fds[1], F_DUPFD, 10);
    auto child = Child::spawn(command, {}, childEnd);
    ::close(childEnd);
    ::close(fds[1]);
    if (!child) {
        ::close(fds[0]);
        *problem = QStringLiteral("Xvfb could not be started");
        return nullptr;
    }
    QByteArray number;
    const auto end = Clock::now() + 10s;
    while (!number.endsWith('\n')) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, remainingMs(end)) <= 0)
            break;
        char buffer[32];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, int(n));
    }
    ::close(fds[0]);
    if (!number.endsWith('\n')) {
        *problem = QStringLiteral("Xvfb gave no display number");
        return nullptr;
    }
    auto server = std::unique_ptr<XServer>(new XServer);
    server->m_process = std::move(*child);
    server->m_display = ':' + number.trimmed();
    return server;
}

// ---- WindowManager ----

QString WindowManager::chosen()
{
    const QString name = qEnvironmentVariable("LUMIVAST_TEST_WM");
    return name.isEmpty() ? QStringLiteral("openbox") : name;
}

QString WindowManager::package(const QString& name)
{
    return name; // openbox and icewm are packages of their own names
}

std::unique_ptr<WindowManager> WindowManager::start(const QByteArray& display, QString* problem)
{
    const QString name = chosen();
    if (QStandardPaths::findExecutable(name).isEmpty()) {
        *problem = QStringLiteral("%1 is not installed (Debian package %2)").arg(name, package(name));
        return nullptr;
    }
    auto manager = std::unique_ptr<WindowManager>(new WindowManager);
    manager->m_home = std::make_unique<QTemporaryDir>();
    const QString home = manager->m_home->path();
    QStringList command{name};
    if (name == QLatin1String("openbox")) {
        // No desktop-switch popup; four desktops.
        const QString config = home + QStringLiteral("/rc.xml");
        QFile file(config);
        file.open(QIODevice::WriteOnly);
        file.write(R"(<?xml version="1.0"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <desktops><number>4</number><firstdesk>1</firstdesk><popupTime>0</popupTime></desktops>
  <focus><focusNew>yes</focusNew></focus>
</openbox_config>
)");
        file.close();
        command << QStringLiteral("--config-file") << config;
    } else if (name == QLatin1String("icewm")) {
        QDir(home).mkpath(QStringLiteral(".icewm"));
        QFile file(home + QStringLiteral("/.icewm/preferences"));
        file.open(QIODevice::WriteOnly);
        file.write("ShowTaskBar=0\nWorkspaceNames=\"1\", \"2\", \"3\", \"4\"\nShowPopupsAbovePointer=0\n"
                   "ShowWorkspaceStatus=0\nWorkspaceStatusTime=0\nQuickSwitch=0\n");
        file.close();
    }
    auto child = Child::spawn(command, {QStringLiteral("HOME=") + home, QStringLiteral("DISPLAY=") + QString::fromLatin1(display),
                                        QStringLiteral("XDG_CONFIG_HOME=") + home + QStringLiteral("/.config")});
    if (!child) {
        *problem = QStringLiteral("%1 could not be started").arg(name);
        return nullptr;
    }
    manager->m_process = std::move(*child);
    Client client(display);
    const bool ready = client.ok() && client.waitUntil([&client] {
        const auto check = client.rootCardinal("_NET_SUPPORTING_WM_CHECK");
        return check && *check != 0 && client.rootCardinal("_NET_CURRENT_DESKTOP").has_value();
    }, 10s);
    if (!ready) {
        *problem = QStringLiteral("%1 showed no check window").arg(name);
        return nullptr;
    }
    return manager;
}

WindowManager::~WindowManager()
{
    stop();
}

void WindowManager::stop()
{
    m_process.stop();
}

// ---- Client ----

Client::Client(const QByteArray& display, int)
{
    m_c = xcb_connect(display.constData(), nullptr);
    if (!ok())
        return;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(m_c)); it.rem; xcb_screen_next(&it))
        xcb_change_window_attributes(m_c, it.data->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_c);
}

Client::~Client()
{
    if (m_c)
        xcb_disconnect(m_c);
}

xcb_window_t Client::root(int screen) const
{
    auto it = xcb_setup_roots_iterator(xcb_get_setup(m_c));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    return it.data->root;
}

xcb_atom_t Client::atom(const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    std::free(r);
    return a;
}

std::optional<std::uint32_t> Client::rootCardinal(const char* property, int screen)
{
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(m_c, xcb_get_property(m_c, 0, root(screen), atom(property), XCB_ATOM_ANY, 0, 1), nullptr);
    std::optional<std::uint32_t> value;
    if (r && r->format == 32 && xcb_get_property_value_length(r) >= 4)
        value = *static_cast<std::uint32_t*>(xcb_get_property_value(r));
    std::free(r);
    return value;
}

QStringList Client::desktopNames(int screen)
{
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        m_c, xcb_get_property(m_c, 0, root(screen), atom("_NET_DESKTOP_NAMES"), XCB_ATOM_ANY, 0, 4096), nullptr);
    QStringList names;
    if (r && r->type != XCB_ATOM_NONE) {
        QByteArray bytes(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
        if (bytes.endsWith('\0'))
            bytes.chop(1);
        for (const QByteArray& part : bytes.split('\0'))
            names << QString::fromUtf8(part);
    }
    std::free(r);
    return names;
}

void Client::setRootCardinal(const char* property, std::uint32_t value, int screen)
{
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, root(screen), atom(property), XCB_ATOM_CARDINAL, 32, 1, &value);
    xcb_flush(m_c);
}

void Client::setRootWindow(const char* property, xcb_window_t value, int screen)
{
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, root(screen), atom(property), XCB_ATOM_WINDOW, 32, 1, &value);
    xcb_flush(m_c);
}

void Client::deleteRootProperty(const char* property, int screen)
{
    xcb_delete_property(m_c, root(screen), atom(property));
    xcb_flush(m_c);
}

xcb_window_t Client::plainWindow(QRect rect, std::uint32_t colour, std::uint32_t pid)
{
    const xcb_window_t w = xcb_generate_id(m_c);
    const std::uint32_t values[] = {colour, 1};
    xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, root(), std::int16_t(rect.x()), std::int16_t(rect.y()),
                      std::uint16_t(rect.width()), std::uint16_t(rect.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    xcb_map_window(m_c, w);
    xcb_flush(m_c);
    return w;
}

void Client::sendRootMessage(const char* type, std::uint32_t d0, std::uint32_t d1, int screen)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = root(screen);
    event.type = atom(type);
    event.data.data32[0] = d0;
    event.data.data32[1] = d1;
    xcb_send_event(m_c, 0, root(screen), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(m_c);
}

bool Client::waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
{
    const auto end = Clock::now() + deadline;
    for (;;) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(m_c))
            std::free(e);
        if (condition())
            return true;
        if (Clock::now() >= end || !ok())
            return false;
        pollfd p{xcb_get_file_descriptor(m_c), POLLIN, 0};
        // Conditions that no root event announces (another thread's state) are checked again every 20 ms.
        ::poll(&p, 1, std::min(remainingMs(end), 20));
    }
}

// ---- the shared desktop ----

SharedDesktop& sharedDesktop()
{
    static SharedDesktop desktop = [] {
        SharedDesktop d;
        static std::unique_ptr<XServer> server;
        static std::unique_ptr<WindowManager> manager;
        server = XServer::start({QStringLiteral("1512x982x24")}, &d.problem);
        if (!server)
            return d;
        manager = WindowManager::start(server->display(), &d.problem);
        if (!manager)
            return d;
        if (!setDesktopCount(server->display(), 4)) {
            d.problem = QStringLiteral("the window manager did not take 4 desktops");
            return d;
        }
        d.server = server.get();
        d.manager = manager.get();
        // Stopped by their pids when the test executable ends.
        std::atexit([] {
            manager.reset();
            server.reset();
        });
        return d;
    }();
    return desktop;
}

bool desktopRequired()
{
    return qEnvironmentVariableIntValue("LUMIVAST_TEST_REQUIRE_X11") != 0;
}

bool setDesktopCount(const QByteArray& display, std::uint32_t count)
{
    Client client(display);
    client.sendRootMessage("_NET_NUMBER_OF_DESKTOPS", count);
    return client.waitUntil([&] { return client.rootCardinal("_NET_NUMBER_OF_DESKTOPS") == count; });
}

} // namespace lumivast::test::x11
