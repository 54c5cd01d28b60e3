#pragma once

#include "Platform/Scheduler.h"
#include "Platform/Screens.h"
#include "Platform/SymbolSource.h"
#include "Platform/SymbolicHotKeys.h"
#include "Platform/SystemFunctions.h"
#include "Platform/SystemInfo.h"
#include "Platform/SystemParts.h"
#include "Platform/Trust.h"
#include "Platform/Workspace.h"

#include <QJsonObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <any>
#include <atomic>
#include <functional>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace lumivast {

class SimDock;
class SimEvents;
class SimHotKeys;
class SimAudio;
class SimPasteboard;
class SimLoginItem;
class SimUpdates;
class UserDefaults;
class SimAccessibility;
class SimDockElements;
class SimMouse;
class SimWindowList;
class SimScripts;
class SimScreenCapture;
class SimMissionControl;
class SimDistributedNotifications;
class SimShortcuts;
class ChildProcesses;
class SimCompositing;

// The simulated system: one in-memory world behind the platform interfaces.
// State lives on the main thread; only the window server's notifications (when
// asked to) and trackpad frames arrive on other threads. Frames and the
// pointer are stored as world files write them: global, origin top left.
//
// One lock rule: what other threads read (the window list, running
// applications and the Spaces with their current one: `displays`, `windows`,
// `apps`, `frontmostPID`, `dockPID`) is changed only on the main thread and
// only under stateMutex(); other threads read it only under that lock. The
// main thread reads it without. A test that changes these fields while a
// worker may be reading takes the lock as well.
class SimWorld final : public SymbolSource, public Workspace, public Screens, public Trust {
public:
    static inline const QByteArray kSkyLightPath = "/System/Library/PrivateFrameworks/SkyLight.framework/SkyLight";
    static inline const QByteArray kCoreGraphicsPath = "/System/Library/Frameworks/CoreGraphics.framework/CoreGraphics";
    static inline const QByteArray kHIServicesPath = "/System/Library/Frameworks/ApplicationServices.framework/Frameworks/HIServices.framework/HIServices";
    static inline const QByteArray kApplicationServicesPath = "/System/Library/Frameworks/ApplicationServices.framework/ApplicationServices";
    static inline const QByteArray kMultitouchPath = "/System/Library/PrivateFrameworks/MultitouchSupport.framework/MultitouchSupport";
    static inline const QByteArray kBridgedOperationSymbol =
        "__ZL54SLSPerformAsynchronousBridgedWindowManagementOperationP47SLSAsynchronousBridgedWindowManagementOperation";
    static inline const char* kBridgedOperationClass = "SLSBridgedMoveWindowsToManagedSpaceOperation";

    struct SimSpace {
        std::uint64_t managedID = 0;
        std::optional<QString> uuid; // absent: the list carries no "uuid"
        bool fullscreen = false;
        std::optional<std::int32_t> pid;
        std::uint32_t compatID = 0;
    };
    // Height of the strips beside the camera housing.
    static constexpr double kNotchAreaHeight = 38;
    static constexpr double kMenuBarThickness = 24;
    struct Display {
        QString identifier; // as the window server names it: "Main" or the UUID
        QString uuid;
        QString name;
        bool main = false;
        std::uint32_t number = 0;
        QRectF frame;
        double notchWidth = 0;  // > 0: the top edge has auxiliary areas beside a camera housing this wide
        double menuBarHeight = 24; // taken off the top of the frame for the visible frame
        bool builtin = false;      // the machine's own panel
        std::uint64_t current = 0; // managed number of the current Space; 0 = none
        std::vector<SimSpace> spaces;
        std::optional<QString> wallpaper; // the desktop picture of Spaces without their own
    };
    struct App {
        std::int32_t pid = 0;
        QString bundleID;
        QString name;
        QString policy = QStringLiteral("regular");
        // Accessibility and workspace state (SimAccessibility.cpp).
        bool running = true;       // false: installed only; opening it launches it
        bool hidden = false;
        bool unresponsive = false; // every Accessibility call on it times out
        std::optional<std::uint32_t> focusedWindow = std::nullopt; // none: its front window on a current Space
        bool isThisProgram = false; // stands for the running program: its windows are the program's own panels
        QStringList launchArguments = {}; // what it was started with by an open request
    };
    // What the window server does with a request to move a window to a Space.
    enum class WindowMoves { obey, ignore, late };
    struct Window {
        std::uint32_t id = 0;
        std::int32_t pid = 0;
        QString title;
        QRectF frame;
        std::vector<std::uint64_t> spaces;
        int layer = 0;
        std::optional<double> alpha; // absent: the window list carries no alpha
        bool minimized = false;
        bool refusesSize = false;          // Accessibility cannot resize it
        std::optional<WindowMoves> moves = std::nullopt; // none: the world's `windowMoves`
    };
    using HotKey = SymbolicHotKey;
    enum class SkyLight { Loaded, Unloaded, Missing };

    // One display with four desktops and a few apps and windows.
    static std::shared_ptr<SimWorld> defaultWorld();
    static std::shared_ptr<SimWorld> fromJson(const QJsonObject& world, QString* error = nullptr);
    static std::shared_ptr<SimWorld> fromFile(const QString& path, QString* error = nullptr);

    SimWorld();
    ~SimWorld() override;
    SimWorld(const SimWorld&) = delete;
    SimWorld& operator=(const SimWorld&) = delete;

    // ---- state (main thread) ----
    bool displaysHaveSeparateSpaces = true;
    std::vector<Display> displays;
    std::optional<QString> menuBarDisplay; // absent: the main display's identifier
    std::vector<App> apps;
    std::vector<Window> windows;
    std::map<std::int32_t, HotKey> hotKeys;
    bool accessibilityTrusted = true;
    bool screenRecordingGranted = true;
    QPointF pointer;
    int trackpadCount = 1;

    // ---- fault knobs ----
    std::uint32_t connection = 6401; // 0: the window server gives no connection
    std::set<std::uint32_t> failingNotificationEvents;
    std::optional<PlistValue> spacesListOverride; // returned verbatim (a null value: no list)
    bool notifyFromWorkerThread = false;
    // Changes are announced (window-server and workspace notifications) as the real desktop does:
    // later, posted through the world's scheduler, never inside the call that made them. A test
    // that needs them inside that call asks for it here and says why.
    bool synchronousAnnouncements = false;
    WindowMoves windowMoves = WindowMoves::obey;
    Duration lateMoveDelay = 500ms; // how long a late move takes to land

    // ---- Accessibility, applications, dragging (SimAccessibility.cpp) ----
    // Activating an application with no window on a current Space switches
    // the display of its first window there (after the Dock's delay).
    bool activationFollowsWindows = true;
    // The window whose title bar the left button holds; it goes along when its display switches Space.
    std::optional<std::uint32_t> heldWindow;
    static constexpr double kTitleBarHeight = 28;
    SimAccessibility& accessibility();
    // The frontmost window whose title bar holds the point (top-left origin) on a current Space.
    std::optional<std::uint32_t> titleBarWindowAt(QPointF point);
    // The window an Accessibility element stands for.
    std::optional<std::uint32_t> windowIDForElement(sysfn::AXElementRef element) const;
    App* app(std::int32_t pid);
    // The clock the simulated system's delays run on (the Dock's).
    Scheduler& scheduler();
    // What activating the application does to the Spaces (see activationFollowsWindows).
    void followActivation(std::int32_t pid);
    // Sends the application notification to both kinds of observers.
    void postApplicationEvent(WorkspaceEvent event, std::int32_t pid);
    // For an application that no longer runs: the notification carries it as it was.
    void postApplicationEvent(WorkspaceEvent event, const RunningApplication& application);
    QStringList launchedApplications() const { return m_launched; }
    bool readAccessibilityExtras(const QJsonObject& json, QString* error);

    // ---- window list, running applications, Dock, pointer, sound (SimWindowList.cpp, SimMouse.cpp, SimAudio.cpp) ----
    std::optional<std::int32_t> frontmostPID;
    std::int32_t dockPID = 0;             // 0: the Dock does not run
    std::optional<QRectF> dockItemList;   // the Dock's item list, top-left origin; none: no such element
    std::optional<PlistValue> windowListOverride; // returned verbatim (a null value: no list)
    SimWindowList& windowList() { return *m_windowList; }
    SimDockElements& dockElements() { return *m_dockElements; }
    SimMouse& mouse() { return *m_mouse; }
    SimAudio& audio() { return *m_audio; }
    // The world file's keys for the above (SimWindowList.cpp).
    bool readDesktopExtras(const QJsonObject& json, QString* error);

    // ---- installed applications (SimInstalledApps.cpp) ----
    // One entry of an application folder: usually a bundle; any other file has no bundle identifier.
    struct InstalledEntry {
        QString path; // a leading "~/" stands for the user's home folder
        std::optional<QString> bundleID;
        QString name;
    };
    std::vector<InstalledEntry> installed;
    std::set<QString> unreadableFolders;
    std::vector<std::int32_t> activatedPIDs; // every activation asked for, in order
    QStringList openedApplications;          // bundle paths asked to open, in order
    // Every open request with its configuration, in order.
    struct OpenRequest {
        QString path;
        OpenConfiguration configuration;
    };
    std::vector<OpenRequest> openRequests;
    std::vector<std::int32_t> quitRequests; // every polite quit asked for, in order
    bool readInstalled(const QJsonObject& json, QString* error);

    // ---- symbols ----
    void setSkyLight(SkyLight state);
    // Hides a function (or runtime class) under every name and image; unknown names are ignored.
    void makeUnavailable(const QByteArray& name);
    // Moves a function from its current name to its older one (e.g. SLSGetActiveSpace -> CGSGetActiveSpace).
    void useLegacyName(const QByteArray& primary);
    // Registers a function; `image` is one of the paths above or any new one (loaded at once when `loaded`).
    void registerFunction(const QByteArray& image, const QByteArray& name, std::any function, bool exported = true);
    void addImage(const QByteArray& path, bool loaded, bool validHeader = true, std::uint64_t slide = 0);
    int lookupCount(const QByteArray& name) const;
    QList<QByteArray> lookups() const;
    bool isLoaded(const QByteArray& image) const;

    // See the lock rule above.
    std::recursive_mutex& stateMutex() const { return m_stateMutex; }

    // ---- changes, each announced as the system would ----
    // Makes `managedID` current on the display with that identifier; false when either is unknown.
    bool switchSpace(const QString& displayIdentifier, std::uint64_t managedID);
    void setMenuBarDisplay(const QString& identifier);
    // Signals that the Spaces changed: preferences file, window server event, active-Space notification.
    void announceChange(std::uint32_t event, bool activeSpaceChanged);
    void postWindowServerEvent(std::uint32_t event);
    void postWorkspaceEvent(WorkspaceEvent event);
    void touchSpacesPreferences();
    QString spacesPreferencesPath() const { return m_preferencesPath; }
    void setSpacesPreferencesPath(const QString& path) { m_preferencesPath = path; }

    // The managed display Spaces list as the window server builds it.
    PlistValue managedDisplaySpaces() const;
    QString menuBarDisplayIdentifier() const;
    const Display* mainDisplay() const;
    Window* window(std::uint32_t id);
    SimSpace* space(std::uint64_t managedID);
    // An Accessibility element standing for a window (stable for the world's life).
    sysfn::AXElementRef windowElement(std::uint32_t windowID);

    // A contact frame on a trackpad (normalised positions), delivered on the calling thread.
    bool sendContactFrame(int trackpad, const std::vector<QPointF>& contacts, double timestamp);
    // Notification procedures registered with the window server.
    std::size_t registrationCount() const
    {
        std::lock_guard lock(m_registrationMutex);
        return m_registrations.size();
    }
    // How often the window server was asked for the Spaces list.
    int spacesListReads() const { return m_spacesListReads; }
    QStringList dockNotifications() const { return m_dockNotifications; }
    QList<QUrl> openedURLs() const { return m_openedURLs; }
    // Paths shown selected in the file manager, in order.
    QStringList shownInFileManager() const { return m_shownInFileManager; }
    int accessibilityPrompts() const { return m_accessibilityPrompts; }
    int screenCaptureRequests() const { return m_screenCaptureRequests; }

    // ---- SymbolSource ----
    ImageHandle open(const QByteArray& path, OpenMode mode) override;
    const std::any* lookup(ImageHandle image, const char* name) override;
    std::size_t imageCount() override;
    LoadedImage image(std::size_t index) override;
    std::vector<ImageSymbol> imageSymbols(std::size_t index) override;
    const std::any* function(std::uint64_t address) override;
    std::shared_ptr<RuntimeClass> runtimeClass(const char* name) override;

    // ---- Workspace ----
    Subscription observe(WorkspaceEvent event, std::function<void()> handler) override;
    Subscription observeApplications(WorkspaceEvent event, std::function<void(const RunningApplication&)> handler) override;
    bool openURL(const QUrl& url) override;
    void showInFileManager(const QString& path) override { m_shownInFileManager.append(path); }
    std::optional<QUrl> urlForApplication(const QString& bundleID) override;
    using Workspace::openApplication;
    void openApplication(const QUrl& url, const OpenConfiguration& configuration,
                         std::function<void(OpenResult)> completion) override;
    bool terminateApplication(std::int32_t pid) override;

    // ---- Screens ----
    std::vector<ScreenInfo> screens() override;
    std::optional<ScreenInfo> mainScreen() override;
    std::uint32_t mainDisplayID() override;
    std::uint32_t displayIDFromUUID(const QUuid& uuid) override;
    bool displayIsBuiltin(std::uint32_t displayID) override;
    QPointF pointerLocation() override;
    double menuBarThickness() override { return kMenuBarThickness; }

    // ---- Trust ----
    bool isAccessibilityTrusted(bool prompt) override;
    bool preflightScreenCaptureAccess() override;
    bool requestScreenCaptureAccess() override;

    // ---- input, the Dock, system-wide hot keys, session (SimWorldInput.cpp) ----
    int osMajorVersion = 15;
    bool screenLocked = false;
    double systemUptime = 86400; // seconds since boot
    std::map<QString, PlistValue> globalPreferences; // the global domain, e.g. "com.apple.swipescrolldirection"
    SimEvents& events();
    SimDock& dock();
    SimHotKeys& hotKeyRegistry();
    SystemInfo& systemInfo();

    // ---- pasteboard, updates, other applications' preferences (SimWorldServices.cpp) ----
    // What each domain holds when the world starts ("preferenceDomains" of the world file).
    std::map<QString, QJsonObject> preferenceDomains;
    SimPasteboard& pasteboard();
    SimUpdates& updates();
    // The domain's store, in memory only, filled from its seed on first use.
    UserDefaults& preferenceDomain(const QString& name);
    // Domains the system refuses to open ("unopenablePreferenceDomains" of the world file).
    std::set<QString> unopenablePreferenceDomains;

    // ---- child processes and the shortcuts tool (SimAutomation.cpp) ----
    // Null: real child processes. Tests that only check what was started put a recording one here.
    std::shared_ptr<ChildProcesses> childProcesses;
    // Stands in for another system's parts and words (default: this system's own).
    std::shared_ptr<SystemParts> systemParts;
    SimShortcuts& shortcuts();
    bool readAutomationExtras(const QJsonObject& json, QString* error);

    // ---- scripts sent to other applications: browsers' tabs (SimBrowsers.cpp) ----
    SimScripts& scripts();
    bool readBrowsers(const QJsonObject& json, QString* error);

    // ---- screen capture and desktop pictures (SimScreenCapture.cpp) ----
    // A Space's own desktop picture file by managed number; others show their display's.
    std::map<std::uint64_t, QString> spaceWallpapers;
    // The picture file a display shows now (that of its current Space); none without one.
    std::optional<QString> currentWallpaper(const Display& display) const;
    SimScreenCapture& screenCapture();
    bool readScreenCapture(const QJsonObject& json, QString* error);
    // Makes relative desktop-picture paths relative to `baseDirectory` (the world file's folder).
    void resolvePicturePaths(const QString& baseDirectory);
    std::optional<QUrl> desktopImageURL(const ScreenInfo& screen) override;
    // ---- the login item and desktop pictures the user sets (SimSettingsServices.cpp) ----
    struct DesktopPictureSet {
        std::uint64_t managedID = 0; // the Space the screen showed; 0 when it showed none
        QString path;
        bool operator==(const DesktopPictureSet&) const = default;
    };
    SimLoginItem& loginItem();
    bool desktopPictureRefused = false; // every request to set a desktop picture fails
    std::vector<DesktopPictureSet> desktopPicturesSet;
    bool readSettingsServices(const QJsonObject& json, QString* error);
    std::expected<void, QString> setDesktopImageURL(const QUrl& file, const ScreenInfo& screen) override;
    // ---- Mission Control, broadcast notifications, motion (SimMissionControl.cpp) ----
    bool reduceMotion = false; // the desktop's reduce-motion preference
    SimMissionControl& missionControl();
    SimDistributedNotifications& distributedNotifications();
    bool readMissionControl(const QJsonObject& json, QString* error);

    // ---- the compositing manager (SimCompositing.cpp) ----
    SimCompositing& compositing();
    bool readCompositing(const QJsonObject& json, QString* error);

    // ---- scripted pointer moves (world key "pointerMoves") ----
    struct PointerMove {
        Duration after; // from the start of the script
        QPointF to;     // global, top-left origin
    };
    std::vector<PointerMove> pointerScript;
    // Starts the script from now on the world's scheduler (again from the
    // start when it already runs). A world file's script starts as it loads.
    void playPointerScript();

private:
    struct Symbol {
        std::any function;
        bool exported = true; // false: only in the image's symbol table
        bool hidden = false;
        std::uint64_t value = 0;
    };
    struct Image {
        QByteArray path;
        bool loaded = false;
        bool openable = true;
        bool validHeader = true;
        std::uint64_t slide = 0;
        std::uint64_t base = 0;
        std::map<QByteArray, Symbol> symbols;
    };
    struct Registration {
        sysfn::NotifyProc proc;
        std::uint32_t event;
        void* context;
    };
    struct Observers;
    struct Trackpad {
        sysfn::MTContactFrameProc proc = nullptr;
        bool started = false;
        std::int32_t frames = 0;
    };

    void installSystemFunctions();
    Image* imageNamed(const QByteArray& path);
    QRectF bottomLeft(const QRectF& topLeft) const;
    void moveWindows(const std::vector<std::uint32_t>& ids, std::uint64_t managedID);
    void placeWindow(std::uint32_t id, std::uint64_t managedID);

    void setLoaded(Image* image, bool loaded);
    // Runs `delivery` as announcements go (see synchronousAnnouncements).
    void announce(std::function<void()> delivery);

    std::vector<std::unique_ptr<Image>> m_images;
    std::vector<Image*> m_loadOrder; // the loaded images, in the order they were loaded
    std::map<QByteArray, int> m_lookupCounts;
    QList<QByteArray> m_lookupOrder;
    std::set<QByteArray> m_hiddenClasses;
    mutable std::mutex m_registrationMutex;
    std::vector<Registration> m_registrations;
    std::shared_ptr<Observers> m_observers;
    std::map<std::uint32_t, std::unique_ptr<std::uint32_t>> m_windowElements;
    std::vector<std::unique_ptr<Trackpad>> m_trackpads;
    std::vector<sysfn::MTDeviceRef> m_deviceList;
    QStringList m_dockNotifications;
    QList<QUrl> m_openedURLs;
    QStringList m_shownInFileManager;
    int m_accessibilityPrompts = 0;
    int m_screenCaptureRequests = 0;
    QString m_preferencesPath;
    int m_preferencesWrites = 0;
    std::atomic<int> m_spacesListReads{0};
    // Made on first use; shared pointers so that this header needs only their names.
    std::shared_ptr<SimEvents> m_events;
    std::shared_ptr<SimDock> m_dock;
    std::shared_ptr<SimHotKeys> m_hotKeyRegistry;
    std::shared_ptr<SystemInfo> m_systemInfo;
    std::shared_ptr<SimWindowList> m_windowList;
    std::shared_ptr<SimDockElements> m_dockElements;
    std::shared_ptr<SimMouse> m_mouse;
    std::shared_ptr<SimAudio> m_audio;
    std::shared_ptr<SimPasteboard> m_pasteboard;
    std::shared_ptr<SimUpdates> m_updates;
    std::shared_ptr<SimScripts> m_scripts;
    std::shared_ptr<SimScreenCapture> m_screenCapture;
    std::shared_ptr<SimMissionControl> m_missionControl;
    std::shared_ptr<SimDistributedNotifications> m_distributedNotifications;
    std::shared_ptr<SimShortcuts> m_shortcuts;
    std::shared_ptr<SimCompositing> m_compositing;
    std::shared_ptr<SimLoginItem> m_loginItem;
    std::map<QString, std::shared_ptr<UserDefaults>> m_preferenceDomains;
    std::shared_ptr<SimAccessibility> m_accessibility;
    mutable std::recursive_mutex m_stateMutex;
    std::vector<WorkItem> m_lateWork; // late window moves, launches, activation switches
    std::vector<WorkItem> m_pointerScriptWork;
    QStringList m_launched;
};

} // namespace lumivast
