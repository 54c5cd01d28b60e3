#include "Platform/X11/X11Platform.h"

#include "Platform/FileWatcher.h"
#include "Platform/Log.h"
#include "Platform/QtAudio.h"
#include "Platform/QtScheduler.h"
#include "Platform/X11/Accessibility.h"
#include "Platform/X11/Capture.h"
#include "Platform/X11/DesktopChanges.h"
#include "Platform/X11/Desktops.h"
#include "Platform/X11/Events.h"
#include "Platform/X11/HotKeys.h"
#include "Platform/X11/Mouse.h"
#include "Platform/X11/Names.h"
#include "Platform/X11/OwnWindows.h"
#include "Platform/X11/Services.h"
#include "Platform/X11/Windows.h"
#include "Platform/X11/Unavailable.h"

namespace lumivast {

using namespace x11;

namespace {

bool waylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || qEnvironmentVariable("XDG_SESSION_TYPE").compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
}

} // namespace

struct X11Platform::Services {
    explicit Services(const QByteArray& display)
        : wayland(waylandSession()),
          session(Session::create(display, qtScheduler)),
          symbols(session),
          workspace(session),
          screens(session),
          trust(wayland),
          compositing(session),
          mouse(session),
          capture(session, wayland),
          events(session, symbols),
          names(session),
          windows(session),
          hotKeys(session),
          accessibility(session),
          panels(session),
          desktops(session),
          parts(makeParts(session))
    {
        symbols.addAXWindowNumbers([this](sysfn::AXElementRef element) { return accessibility.windowNumber(element); });
    }

    bool wayland;
    QtScheduler qtScheduler; // made on the main thread: posts land there
    std::shared_ptr<Session> session;
    Symbols symbols;
    X11Workspace workspace;
    X11Screens screens;
    X11Trust trust;
    X11Compositing compositing;
    System system;
    InotifyFileWatcher files;
    X11Mouse mouse;
    NoScripts scripts;
    X11Capture capture;
    std::unique_ptr<QtSounds> sounds;
    X11Events events;
    X11DesktopNames names;
    X11Windows windows;
    X11HotKeys hotKeys;
    X11Accessibility accessibility;
    X11PanelWindows panels;
    X11DesktopManagement desktops;
    std::unique_ptr<SystemParts> parts;
};

std::shared_ptr<X11Platform> X11Platform::create(const QByteArray& display)
{
    return std::make_shared<X11Platform>(display);
}

X11Platform::DisplayState X11Platform::probeDisplay(const QByteArray& display)
{
    const std::unique_ptr<XConnection> x = XConnection::open(display);
    if (!x)
        return DisplayState::unreachable;
    for (const Row& row : readRows(*x)) {
        if (row.managed)
            return DisplayState::windowManager;
    }
    return DisplayState::noWindowManager;
}

X11Platform::X11Platform(const QByteArray& display) : d(std::make_unique<Services>(display))
{
    // Windows covered at the first capture would otherwise show what covered them.
    d->capture.prepare();
    // The picture kept for each desktop shown now, as at the last run.
    d->workspace.showDesktopPictures();
    if (d->wayland) {
        qCWarning(lcApp) << "This is a Wayland session: only X11 clients are seen, and hot keys fire only while one of them has focus";
    }
}

X11Platform::~X11Platform() = default;

void X11Platform::setScheduler(Scheduler& scheduler)
{
    d->session->setScheduler(scheduler);
}

QString X11Platform::systemName() const
{
    return System::osName();
}

SymbolSource& X11Platform::symbols() { return d->symbols; }
Workspace& X11Platform::workspace() { return d->workspace; }
Screens& X11Platform::screens() { return d->screens; }
Trust& X11Platform::trust() { return d->trust; }
FileWatcher& X11Platform::files() { return d->files; }
EventPoster& X11Platform::events() { return d->events; }
HotKeyRegistry& X11Platform::hotKeys() { return d->hotKeys; }
SystemInfo& X11Platform::system() { return d->system; }
WindowList& X11Platform::windowList() { return d->windows; }
RunningApplications& X11Platform::runningApplications() { return d->windows; }
AXElements& X11Platform::accessibilityElements() { return d->accessibility; }
Mouse& X11Platform::mouse() { return d->mouse; }
ScriptRunner& X11Platform::scripts() { return d->scripts; }
ScreenCapture& X11Platform::screenCapture() { return d->capture; }
Compositing& X11Platform::compositing() { return d->compositing; }
DesktopNames& X11Platform::desktopNames() { return d->names; }
PanelWindows& X11Platform::panelWindows() { return d->panels; }
DesktopManagement* X11Platform::desktopManagement() { return &d->desktops; }
SystemParts& X11Platform::parts() { return *d->parts; }
QString X11Platform::spacesPreferencesPath() { return d->session->spacesPreferencesPath(); }

Sounds& X11Platform::sounds()
{
    if (!d->sounds)
        d->sounds = std::make_unique<QtSounds>();
    return *d->sounds;
}

std::unique_ptr<SpeechSynthesizer> X11Platform::makeSpeechSynthesizer()
{
    return std::make_unique<QtSpeechSynthesizer>();
}

} // namespace lumivast
