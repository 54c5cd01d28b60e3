#include "Platform/Sim/SimWorld.h"

#include "Platform/DataFile.h"
#include "Platform/Sim/SimAudio.h"
#include "Platform/Sim/SimLog.h"
#include "Platform/Sim/SimMissionControl.h"
#include "Platform/Sim/SimMouse.h"
#include "Platform/Sim/SimWindowList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace lumivast {

namespace {

constexpr std::int32_t kFailure = 1000;         // the window server's generic failure status
constexpr std::int32_t kAXInvalidElement = -25202;

// Current names and the older names the same functions carry on other releases.
struct NamePair {
    const char* current;
    const char* legacy;
};
constexpr NamePair kNames[] = {
    {"SLSMainConnectionID", "_CGSDefaultConnection"},
    {"SLSCopyManagedDisplaySpaces", "CGSCopyManagedDisplaySpaces"},
    {"SLSCopyActiveMenuBarDisplayIdentifier", "CGSCopyActiveMenuBarDisplayIdentifier"},
    {"SLSGetActiveSpace", "CGSGetActiveSpace"},
    {"SLSRegisterConnectionNotifyProc", "CGSRegisterConnectionNotifyProc"},
    {"CGSGetSymbolicHotKeyValue", "SLSGetSymbolicHotKeyValue"},
    {"CGSIsSymbolicHotKeyEnabled", "SLSIsSymbolicHotKeyEnabled"},
    {"CGSSetSymbolicHotKeyEnabled", "SLSSetSymbolicHotKeyEnabled"},
    {"SLSCopySpacesForWindows", "CGSCopySpacesForWindows"},
};

class SimMoveOperation final : public RuntimeObject, public std::enable_shared_from_this<SimMoveOperation> {
public:
    std::shared_ptr<RuntimeObject> send(const char* selector, std::span<const std::any> arguments) override
    {
        if (std::strcmp(selector, "initWithWindows:spaceID:") != 0 || arguments.size() != 2)
            return nullptr;
        const auto* list = std::any_cast<PlistValue>(&arguments[0]);
        const auto* space = std::any_cast<std::uint64_t>(&arguments[1]);
        if (!list || !space || !list->array())
            return nullptr;
        windows = *list;
        spaceID = *space;
        return shared_from_this();
    }
    PlistValue windows;
    std::uint64_t spaceID = 0;
};

class SimMoveOperationClass final : public RuntimeClass {
public:
    bool instancesRespondTo(const char* selector) const override
    {
        return std::strcmp(selector, "initWithWindows:spaceID:") == 0;
    }
    std::shared_ptr<RuntimeObject> alloc() override { return std::make_shared<SimMoveOperation>(); }
};

std::vector<std::uint32_t> windowNumbers(const PlistValue& list)
{
    std::vector<std::uint32_t> ids;
    if (const auto* items = list.array()) {
        for (const PlistValue& item : *items) {
            if (auto id = item.integer(); id && *id >= 0 && *id <= 0xFFFFFFFFLL)
                ids.push_back(std::uint32_t(*id));
        }
    }
    return ids;
}

} // namespace

struct SimWorld::Observers {
    std::mutex mutex;
    std::uint64_t nextID = 1;
    std::map<std::uint64_t, std::pair<WorkspaceEvent, std::function<void()>>> handlers;
    std::map<std::uint64_t, std::pair<WorkspaceEvent, std::function<void(const RunningApplication&)>>> appHandlers;
};

SimWorld::SimWorld()
    : m_observers(std::make_shared<Observers>())
    , m_windowList(std::make_shared<SimWindowList>(*this))
    , m_dockElements(std::make_shared<SimDockElements>(*this))
    , m_mouse(std::make_shared<SimMouse>(*this))
    , m_audio(std::make_shared<SimAudio>())
{
    m_preferencesPath = QDir::homePath() + QStringLiteral("/Library/Preferences/com.apple.spaces.plist");
    addImage("/usr/lib/libSystem.B.dylib", true);
    addImage(kApplicationServicesPath, true);
    addImage(kCoreGraphicsPath, true);
    addImage(kSkyLightPath, true);
    addImage(kHIServicesPath, false);
    addImage(kMultitouchPath, false);
    installSystemFunctions();
}

SimWorld::~SimWorld() = default;

void SimWorld::addImage(const QByteArray& path, bool loaded, bool validHeader, std::uint64_t slide)
{
    auto image = std::make_unique<Image>();
    image->path = path;
    image->validHeader = validHeader;
    image->slide = slide;
    image->base = 0x180000000ULL + std::uint64_t(m_images.size()) * 0x1000000ULL;
    m_images.push_back(std::move(image));
    setLoaded(m_images.back().get(), loaded);
}

void SimWorld::setLoaded(Image* image, bool loaded)
{
    if (image->loaded == loaded)
        return;
    image->loaded = loaded;
    if (loaded)
        m_loadOrder.push_back(image);
    else
        std::erase(m_loadOrder, image);
}

SimWorld::Image* SimWorld::imageNamed(const QByteArray& path)
{
    for (auto& image : m_images) {
        if (image->path == path)
            return image.get();
    }
    return nullptr;
}

void SimWorld::registerFunction(const QByteArray& imagePath, const QByteArray& name, std::any function, bool exported)
{
    Image* image = imageNamed(imagePath);
    if (!image) {
        addImage(imagePath, true);
        image = m_images.back().get();
    }
    Symbol& symbol = image->symbols[name];
    symbol.function = std::move(function);
    symbol.exported = exported;
    symbol.hidden = false;
    if (symbol.value == 0)
        symbol.value = image->base + 0x1000 + 16 * std::uint64_t(image->symbols.size());
}

void SimWorld::installSystemFunctions()
{
    using namespace sysfn;
    const QByteArray sky = kSkyLightPath;

    registerFunction(sky, "SLSMainConnectionID", MainConnectionID([this] { return connection; }));
    registerFunction(sky, "SLSCopyManagedDisplaySpaces", CopyManagedDisplaySpaces([this](ConnectionID cid) {
        ++m_spacesListReads;
        return cid == connection && cid != 0 ? managedDisplaySpaces() : PlistValue();
    }));
    registerFunction(sky, "SLSCopyActiveMenuBarDisplayIdentifier", CopyActiveMenuBarDisplayIdentifier([this](ConnectionID cid) {
        return cid == connection && cid != 0 ? PlistValue(menuBarDisplayIdentifier()) : PlistValue();
    }));
    registerFunction(sky, "SLSGetActiveSpace", GetActiveSpace([this](ConnectionID cid) -> ManagedSpaceID {
        if (cid != connection || cid == 0)
            return 0;
        for (const Display& display : displays) {
            if (display.identifier == menuBarDisplayIdentifier())
                return display.current;
        }
        return displays.empty() ? 0 : displays.front().current;
    }));
    registerFunction(sky, "SLSRegisterConnectionNotifyProc",
                     RegisterConnectionNotifyProc([this](ConnectionID cid, NotifyProc proc, std::uint32_t event, void* context) -> std::int32_t {
                         if (cid != connection || cid == 0 || !proc || failingNotificationEvents.contains(event))
                             return kFailure;
                         std::lock_guard lock(m_registrationMutex);
                         m_registrations.push_back({proc, event, context});
                         return 0;
                     }));
    registerFunction(sky, "SLSCopySpacesForWindows", CopySpacesForWindows([this](ConnectionID cid, std::int32_t, const PlistValue& list) {
        if (cid != connection || cid == 0 || !list.array())
            return PlistValue();
        PlistValue::Array result;
        std::lock_guard lock(m_stateMutex);
        for (std::uint32_t id : windowNumbers(list)) {
            if (const Window* w = window(id)) {
                for (std::uint64_t space : w->spaces)
                    result.push_back(PlistValue(std::int64_t(space)));
            }
        }
        return PlistValue(std::move(result));
    }));
    registerFunction(sky, "SLSMoveWindowsToManagedSpace", MoveWindowsToManagedSpace([this](ConnectionID cid, const PlistValue& list, ManagedSpaceID space) {
        if (cid == connection && cid != 0)
            moveWindows(windowNumbers(list), space);
    }));
    registerFunction(sky, "SLSSpaceSetCompatID", SpaceSetCompatID([this](ConnectionID cid, ManagedSpaceID managed, std::uint32_t tag) -> std::int32_t {
        SimSpace* s = space(managed);
        if (cid != connection || cid == 0 || !s)
            return kFailure;
        s->compatID = tag;
        return 0;
    }));
    registerFunction(sky, "SLSSetWindowListWorkspace",
                     SetWindowListWorkspace([this](ConnectionID cid, const std::uint32_t* ids, std::int32_t count, std::uint32_t workspace) -> std::int32_t {
                         if (cid != connection || cid == 0 || !ids || count <= 0 || workspace == 0)
                             return kFailure;
                         for (Display& display : displays) {
                             for (SimSpace& s : display.spaces) {
                                 if (s.compatID == workspace) {
                                     moveWindows(std::vector<std::uint32_t>(ids, ids + count), s.managedID);
                                     return 0;
                                 }
                             }
                         }
                         return kFailure;
                     }));
    registerFunction(sky, kBridgedOperationSymbol, PerformBridgedOperation([this](RuntimeObject* operation) {
                         if (auto* op = dynamic_cast<SimMoveOperation*>(operation))
                             moveWindows(windowNumbers(op->windows), op->spaceID);
                     }),
                     /*exported=*/false);

    const QByteArray cg = kCoreGraphicsPath;
    registerFunction(cg, "CGSGetSymbolicHotKeyValue",
                     GetSymbolicHotKeyValue([this](std::int32_t hotKey, std::uint16_t* character, std::uint16_t* keyCode, std::uint32_t* modifiers) -> std::int32_t {
                         auto it = hotKeys.find(hotKey);
                         if (it == hotKeys.end())
                             return kFailure;
                         if (character)
                             *character = 0xFFFF;
                         if (keyCode)
                             *keyCode = it->second.keyCode;
                         if (modifiers)
                             *modifiers = it->second.modifiers;
                         return 0;
                     }));
    registerFunction(cg, "CGSIsSymbolicHotKeyEnabled", IsSymbolicHotKeyEnabled([this](std::int32_t hotKey) {
        auto it = hotKeys.find(hotKey);
        return it != hotKeys.end() && it->second.enabled;
    }));
    registerFunction(cg, "CGSSetSymbolicHotKeyEnabled", SetSymbolicHotKeyEnabled([this](std::int32_t hotKey, bool enabled) -> std::int32_t {
        auto it = hotKeys.find(hotKey);
        if (it == hotKeys.end())
            return kFailure;
        it->second.enabled = enabled;
        return 0;
    }));

    registerFunction(kApplicationServicesPath, "_AXUIElementGetWindow",
                     AXUIElementGetWindow([this](AXElementRef element, std::uint32_t* windowID) -> std::int32_t {
                         for (const auto& [id, handle] : m_windowElements) {
                             if (handle.get() == element) {
                                 if (windowID)
                                     *windowID = id;
                                 return 0;
                             }
                         }
                         return kAXInvalidElement;
                     }));
    registerFunction(kHIServicesPath, "CoreDockSendNotification", CoreDockSendNotification([this](const QString& name, std::int32_t) {
        m_dockNotifications.append(name);
        missionControl().dockNotification(name);
        return 0;
    }));

    const QByteArray mt = kMultitouchPath;
    registerFunction(mt, "MTDeviceCreateList", MTDeviceCreateList([this]() -> const std::vector<MTDeviceRef>* {
        while (int(m_trackpads.size()) < trackpadCount)
            m_trackpads.push_back(std::make_unique<Trackpad>());
        m_deviceList.clear();
        for (int i = 0; i < trackpadCount; ++i)
            m_deviceList.push_back(m_trackpads[std::size_t(i)].get());
        return &m_deviceList;
    }));
    registerFunction(mt, "MTRegisterContactFrameCallback", MTRegisterContactFrameCallback([this](MTDeviceRef device, MTContactFrameProc proc) {
        for (auto& pad : m_trackpads) {
            if (pad.get() == device)
                pad->proc = proc;
        }
    }));
    registerFunction(mt, "MTDeviceStart", MTDeviceStart([this](MTDeviceRef device, std::int32_t) {
        for (auto& pad : m_trackpads) {
            if (pad.get() == device)
                pad->started = true;
        }
    }));
}

void SimWorld::setSkyLight(SkyLight state)
{
    Image* sky = imageNamed(kSkyLightPath);
    setLoaded(sky, state != SkyLight::Unloaded);
    sky->openable = state != SkyLight::Missing;
}

void SimWorld::makeUnavailable(const QByteArray& name)
{
    for (auto& image : m_images) {
        auto it = image->symbols.find(name);
        if (it != image->symbols.end())
            it->second.hidden = true;
    }
    m_hiddenClasses.insert(name);
}

void SimWorld::useLegacyName(const QByteArray& primary)
{
    const char* legacy = nullptr;
    for (const NamePair& pair : kNames) {
        if (primary == pair.current)
            legacy = pair.legacy;
    }
    if (!legacy)
        return;
    for (auto& image : m_images) {
        auto it = image->symbols.find(primary);
        if (it != image->symbols.end() && !it->second.hidden) {
            it->second.hidden = true;
            registerFunction(image->path, legacy, it->second.function, it->second.exported);
            return;
        }
    }
}

int SimWorld::lookupCount(const QByteArray& name) const
{
    auto it = m_lookupCounts.find(name);
    return it == m_lookupCounts.end() ? 0 : it->second;
}

QList<QByteArray> SimWorld::lookups() const
{
    return m_lookupOrder;
}

bool SimWorld::isLoaded(const QByteArray& path) const
{
    for (const auto& image : m_images) {
        if (image->path == path)
            return image->loaded;
    }
    return false;
}

// ---- SymbolSource ----

SymbolSource::ImageHandle SimWorld::open(const QByteArray& path, OpenMode mode)
{
    Image* image = imageNamed(path);
    if (!image || !image->openable)
        return nullptr;
    if (!image->loaded) {
        if (mode == OpenMode::LazyNoLoad)
            return nullptr;
        setLoaded(image, true);
    }
    return image;
}

const std::any* SimWorld::lookup(ImageHandle handle, const char* name)
{
    const QByteArray key(name);
    ++m_lookupCounts[key];
    m_lookupOrder.append(handle ? static_cast<const Image*>(handle)->path + ':' + key : "global:" + key);
    keepRecent(m_lookupOrder);
    auto find = [&](const Image& image) -> const std::any* {
        auto it = image.symbols.find(key);
        if (it == image.symbols.end() || it->second.hidden || !it->second.exported)
            return nullptr;
        return &it->second.function;
    };
    if (handle)
        return find(*static_cast<const Image*>(handle));
    for (const Image* image : m_loadOrder) {
        if (const std::any* fn = find(*image))
            return fn;
    }
    return nullptr;
}

std::size_t SimWorld::imageCount()
{
    return m_loadOrder.size();
}

LoadedImage SimWorld::image(std::size_t index)
{
    if (index >= m_loadOrder.size())
        return {};
    const Image* image = m_loadOrder[index];
    LoadedImage info;
    if (!image->path.isEmpty())
        info.name = image->path;
    info.hasValidHeader = image->validHeader;
    info.slide = image->slide;
    return info;
}

std::vector<ImageSymbol> SimWorld::imageSymbols(std::size_t index)
{
    std::vector<ImageSymbol> symbols;
    if (index < m_loadOrder.size()) {
        for (const auto& [name, symbol] : m_loadOrder[index]->symbols) {
            if (!symbol.hidden)
                symbols.push_back({name, symbol.value});
        }
    }
    return symbols;
}

const std::any* SimWorld::function(std::uint64_t address)
{
    for (const auto& image : m_images) {
        for (const auto& [name, symbol] : image->symbols) {
            if (!symbol.hidden && image->loaded && symbol.value + image->slide == address)
                return &symbol.function;
        }
    }
    return nullptr;
}

std::shared_ptr<RuntimeClass> SimWorld::runtimeClass(const char* name)
{
    if (std::strcmp(name, kBridgedOperationClass) != 0 || m_hiddenClasses.contains(QByteArray(name)))
        return nullptr;
    static const auto cls = std::make_shared<SimMoveOperationClass>();
    return cls;
}

// ---- the world's own behaviour ----

PlistValue SimWorld::managedDisplaySpaces() const
{
    if (spacesListOverride)
        return *spacesListOverride;
    auto spaceDict = [](const SimSpace& s) {
        PlistValue d = PlistValue::dict({{QStringLiteral("ManagedSpaceID"), PlistValue(std::int64_t(s.managedID))},
                                         {QStringLiteral("id64"), PlistValue(std::int64_t(s.managedID))},
                                         {QStringLiteral("type"), PlistValue(s.fullscreen ? 4 : 0)}});
        if (s.uuid)
            d.insert(QStringLiteral("uuid"), *s.uuid);
        if (s.fullscreen) {
            if (s.pid)
                d.insert(QStringLiteral("pid"), PlistValue(*s.pid));
            d.insert(QStringLiteral("TileLayoutManager"), PlistValue(PlistValue::Dict()));
        }
        return d;
    };
    auto displayDict = [&](const Display& display, const QString& identifier) {
        PlistValue::Array spaces;
        const SimSpace* current = nullptr;
        for (const SimSpace& s : display.spaces) {
            spaces.push_back(spaceDict(s));
            if (s.managedID == display.current)
                current = &s;
        }
        PlistValue d = PlistValue::dict({{QStringLiteral("Display Identifier"), identifier}});
        if (current)
            d.insert(QStringLiteral("Current Space"), spaceDict(*current));
        d.insert(QStringLiteral("Spaces"), PlistValue(std::move(spaces)));
        return d;
    };
    PlistValue::Array list;
    if (!displaysHaveSeparateSpaces) {
        if (const Display* main = mainDisplay())
            list.push_back(displayDict(*main, QStringLiteral("Main")));
    } else {
        for (const Display& display : displays)
            list.push_back(displayDict(display, display.identifier));
    }
    return PlistValue(std::move(list));
}

QString SimWorld::menuBarDisplayIdentifier() const
{
    if (menuBarDisplay)
        return *menuBarDisplay;
    if (!displaysHaveSeparateSpaces)
        return QStringLiteral("Main");
    const Display* main = mainDisplay();
    return main ? main->identifier : QStringLiteral("Main");
}

const SimWorld::Display* SimWorld::mainDisplay() const
{
    for (const Display& display : displays) {
        if (display.main)
            return &display;
    }
    return displays.empty() ? nullptr : &displays.front();
}

SimWorld::Window* SimWorld::window(std::uint32_t id)
{
    for (Window& w : windows) {
        if (w.id == id)
            return &w;
    }
    return nullptr;
}

SimWorld::SimSpace* SimWorld::space(std::uint64_t managedID)
{
    for (Display& display : displays) {
        for (SimSpace& s : display.spaces) {
            if (s.managedID == managedID)
                return &s;
        }
    }
    return nullptr;
}

sysfn::AXElementRef SimWorld::windowElement(std::uint32_t windowID)
{
    auto& handle = m_windowElements[windowID];
    if (!handle)
        handle = std::make_unique<std::uint32_t>(windowID);
    return handle.get();
}

void SimWorld::moveWindows(const std::vector<std::uint32_t>& ids, std::uint64_t managedID)
{
    if (!space(managedID))
        return;
    for (std::uint32_t id : ids) {
        const Window* w = window(id);
        if (!w)
            continue;
        switch (w->moves.value_or(windowMoves)) {
        case WindowMoves::obey:
            placeWindow(id, managedID);
            break;
        case WindowMoves::ignore:
            break;
        case WindowMoves::late:
            m_lateWork.push_back(scheduler().after(lateMoveDelay, [this, id, managedID] { placeWindow(id, managedID); }));
            break;
        }
    }
}

void SimWorld::placeWindow(std::uint32_t id, std::uint64_t managedID)
{
    std::lock_guard lock(m_stateMutex);
    if (Window* w = window(id); w && space(managedID))
        w->spaces = {managedID};
}

bool SimWorld::switchSpace(const QString& displayIdentifier, std::uint64_t managedID)
{
    for (Display& display : displays) {
        if (display.identifier != displayIdentifier)
            continue;
        const bool known = std::any_of(display.spaces.begin(), display.spaces.end(),
                                       [&](const SimSpace& s) { return s.managedID == managedID; });
        if (!known)
            return false;
        {
            std::lock_guard lock(m_stateMutex);
            // A window held by its title bar goes along to the new Space.
            if (Window* held = heldWindow ? window(*heldWindow) : nullptr;
                held && std::find(held->spaces.begin(), held->spaces.end(), display.current) != held->spaces.end())
                held->spaces = {managedID};
            display.current = managedID;
        }
        announceChange(1401, true);
        return true;
    }
    return false;
}

void SimWorld::setMenuBarDisplay(const QString& identifier)
{
    menuBarDisplay = identifier;
    announceChange(1322, true);
}

void SimWorld::announceChange(std::uint32_t event, bool activeSpaceChanged)
{
    touchSpacesPreferences();
    postWindowServerEvent(event);
    if (activeSpaceChanged)
        postWorkspaceEvent(WorkspaceEvent::ActiveSpaceDidChange);
}

void SimWorld::postWindowServerEvent(std::uint32_t event)
{
    std::vector<Registration> targets;
    {
        std::lock_guard lock(m_registrationMutex);
        for (const Registration& r : m_registrations) {
            if (r.event == event)
                targets.push_back(r);
        }
    }
    auto deliver = [targets, event, worker = notifyFromWorkerThread] {
        const auto call = [&] {
            for (const Registration& r : targets)
                r.proc(event, nullptr, 0, r.context);
        };
        if (worker)
            std::thread(call).join();
        else
            call();
    };
    announce(std::move(deliver));
}

void SimWorld::announce(std::function<void()> delivery)
{
    if (synchronousAnnouncements)
        delivery();
    else
        scheduler().post(std::move(delivery));
}

void SimWorld::postWorkspaceEvent(WorkspaceEvent event)
{
    // The observers are those of the moment of delivery: one that ended meanwhile hears nothing.
    announce([weak = std::weak_ptr<Observers>(m_observers), event] {
        const auto observers = weak.lock();
        if (!observers)
            return;
        std::vector<std::function<void()>> handlers;
        {
            std::lock_guard lock(observers->mutex);
            for (const auto& [id, entry] : observers->handlers) {
                if (entry.first == event)
                    handlers.push_back(entry.second);
            }
        }
        for (const auto& handler : handlers)
            handler();
    });
}

void SimWorld::touchSpacesPreferences()
{
    if (m_preferencesPath.isEmpty())
        return;
    DataFile::makeFolder(QFileInfo(m_preferencesPath).absolutePath());
    // Written in place, as the system does, so a watch on the file sees a write; the user's alone.
    const int fd = ::open(QFile::encodeName(m_preferencesPath).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const QByteArray line = QByteArray("spaces changed ") + QByteArray::number(++m_preferencesWrites) + '\n';
    (void)!::write(fd, line.constData(), std::size_t(line.size()));
    ::close(fd);
}

bool SimWorld::sendContactFrame(int trackpad, const std::vector<QPointF>& contacts, double timestamp)
{
    if (trackpad < 0 || trackpad >= int(m_trackpads.size()))
        return false;
    Trackpad& pad = *m_trackpads[std::size_t(trackpad)];
    if (!pad.started || !pad.proc)
        return false;
    std::vector<unsigned char> records(contacts.size() * sysfn::kContactRecordSize, 0);
    for (std::size_t i = 0; i < contacts.size(); ++i) {
        const float x = float(contacts[i].x());
        const float y = float(contacts[i].y());
        std::memcpy(records.data() + i * sysfn::kContactRecordSize + sysfn::kContactXOffset, &x, sizeof x);
        std::memcpy(records.data() + i * sysfn::kContactRecordSize + sysfn::kContactYOffset, &y, sizeof y);
    }
    pad.proc(&pad, records.data(), std::int32_t(contacts.size()), timestamp, ++pad.frames);
    return true;
}

// ---- Workspace ----

Subscription SimWorld::observe(WorkspaceEvent event, std::function<void()> handler)
{
    std::uint64_t id;
    {
        std::lock_guard lock(m_observers->mutex);
        id = m_observers->nextID++;
        m_observers->handlers.emplace(id, std::make_pair(event, std::move(handler)));
    }
    return Subscription([weak = std::weak_ptr<Observers>(m_observers), id] {
        if (auto observers = weak.lock()) {
            std::lock_guard lock(observers->mutex);
            observers->handlers.erase(id);
        }
    });
}

Subscription SimWorld::observeApplications(WorkspaceEvent event, std::function<void(const RunningApplication&)> handler)
{
    std::uint64_t id;
    {
        std::lock_guard lock(m_observers->mutex);
        id = m_observers->nextID++;
        m_observers->appHandlers.emplace(id, std::make_pair(event, std::move(handler)));
    }
    return Subscription([weak = std::weak_ptr<Observers>(m_observers), id] {
        if (auto observers = weak.lock()) {
            std::lock_guard lock(observers->mutex);
            observers->appHandlers.erase(id);
        }
    });
}

void SimWorld::postApplicationEvent(WorkspaceEvent event, std::int32_t pid)
{
    if (const auto running = windowList().runningApplication(pid))
        postApplicationEvent(event, *running);
    else
        postWorkspaceEvent(event);
}

void SimWorld::postApplicationEvent(WorkspaceEvent event, const RunningApplication& application)
{
    announce([weak = std::weak_ptr<Observers>(m_observers), event, application] {
        const auto observers = weak.lock();
        if (!observers)
            return;
        std::vector<std::function<void(const RunningApplication&)>> handlers;
        {
            std::lock_guard lock(observers->mutex);
            for (const auto& [id, entry] : observers->appHandlers) {
                if (entry.first == event)
                    handlers.push_back(entry.second);
            }
        }
        for (const auto& handler : handlers)
            handler(application);
    });
    postWorkspaceEvent(event);
}

bool SimWorld::openURL(const QUrl& url)
{
    if (!url.isValid())
        return false;
    m_openedURLs.append(url);
    return true;
}

// ---- Screens ----

QRectF SimWorld::bottomLeft(const QRectF& topLeft) const
{
    const Display* main = mainDisplay();
    const double primaryHeight = main ? main->frame.bottom() : 0;
    // QRectF::bottom() is y + height for floating rectangles.
    return QRectF(topLeft.x(), primaryHeight - (topLeft.y() + topLeft.height()), topLeft.width(), topLeft.height());
}

std::vector<ScreenInfo> SimWorld::screens()
{
    std::vector<ScreenInfo> list;
    for (const Display& display : displays) {
        ScreenInfo screen;
        screen.localizedName = display.name;
        screen.frame = bottomLeft(display.frame);
        const double menuBar = std::clamp(display.menuBarHeight, 0.0, display.frame.height());
        screen.visibleFrame = bottomLeft(display.frame.adjusted(0, menuBar, 0, 0));
        screen.deviceDescription = PlistValue::dict({{QStringLiteral("NSScreenNumber"), PlistValue(display.number)}});
        if (display.notchWidth > 0) {
            const QRectF f = screen.frame;
            const double side = (f.width() - display.notchWidth) / 2;
            screen.auxiliaryTopLeftArea = QRectF(f.x(), f.y() + f.height() - kNotchAreaHeight, side, kNotchAreaHeight);
            screen.auxiliaryTopRightArea = QRectF(f.x() + side + display.notchWidth, f.y() + f.height() - kNotchAreaHeight, side, kNotchAreaHeight);
            screen.safeAreaTopInset = kNotchAreaHeight;
        }
        list.push_back(std::move(screen));
    }
    return list;
}

std::optional<ScreenInfo> SimWorld::mainScreen()
{
    const auto all = screens();
    const Display* main = mainDisplay();
    for (std::size_t i = 0; main && i < displays.size(); ++i) {
        if (&displays[i] == main)
            return all[i];
    }
    return std::nullopt;
}

std::uint32_t SimWorld::mainDisplayID()
{
    const Display* main = mainDisplay();
    return main ? main->number : 0;
}

std::uint32_t SimWorld::displayIDFromUUID(const QUuid& uuid)
{
    for (const Display& display : displays) {
        if (!uuid.isNull() && QUuid::fromString(display.uuid) == uuid)
            return display.number;
    }
    return 0;
}

bool SimWorld::displayIsBuiltin(std::uint32_t displayID)
{
    for (const Display& display : displays) {
        if (display.number == displayID)
            return display.builtin;
    }
    return false;
}

QPointF SimWorld::pointerLocation()
{
    const Display* main = mainDisplay();
    const double primaryHeight = main ? main->frame.bottom() : 0;
    return QPointF(pointer.x(), primaryHeight - pointer.y());
}

// ---- Trust ----

bool SimWorld::isAccessibilityTrusted(bool prompt)
{
    if (prompt && !accessibilityTrusted)
        ++m_accessibilityPrompts;
    return accessibilityTrusted;
}

bool SimWorld::preflightScreenCaptureAccess()
{
    return screenRecordingGranted;
}

bool SimWorld::requestScreenCaptureAccess()
{
    ++m_screenCaptureRequests;
    return screenRecordingGranted;
}

} // namespace lumivast
