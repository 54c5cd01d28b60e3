#include "CGSBridge/CGSBridge.h"

#include "CGSBridge/BridgeInternal.h"

#include <cstring>
#include <vector>

namespace lumivast {

namespace bridge {

std::recursive_mutex& resolveMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

SymbolSource& symbols()
{
    return Platform::current().symbols();
}

void onPlatformReset(std::function<void()> reset)
{
    Platform::addResetHook(std::move(reset));
}

} // namespace bridge

namespace {

using bridge::Once;
using Handle = SymbolSource::ImageHandle;

const QByteArray kSkyLight = "/System/Library/PrivateFrameworks/SkyLight.framework/SkyLight";
const QByteArray kHIServices = "/System/Library/Frameworks/ApplicationServices.framework/Frameworks/HIServices.framework/HIServices";
const QByteArray kMultitouch = "/System/Library/PrivateFrameworks/MultitouchSupport.framework/MultitouchSupport";

struct State {
    Once<Handle> skyLight;
    std::atomic<std::uint32_t> connection{0};
    Once<const sysfn::MainConnectionID*> connectionFn;
    Once<const sysfn::CopyManagedDisplaySpaces*> spacesFn;
    Once<const sysfn::CopyActiveMenuBarDisplayIdentifier*> menuBarFn;
    Once<const sysfn::GetActiveSpace*> activeSpaceFn;
    Once<const sysfn::RegisterConnectionNotifyProc*> registerFn;
    Once<const sysfn::GetSymbolicHotKeyValue*> hotKeyGetFn;
    Once<const sysfn::IsSymbolicHotKeyEnabled*> hotKeyIsEnabledFn;
    Once<const sysfn::SetSymbolicHotKeyEnabled*> hotKeySetEnabledFn;
    Once<const sysfn::CopySpacesForWindows*> spacesForWindowsFn;
    Once<const sysfn::AXUIElementGetWindow*> axWindowFn;
    Once<const sysfn::CoreDockSendNotification*> dockNotifyFn;
    std::atomic<CGSBridgeNotifyCallback> notifyProc{nullptr};
    std::atomic<void*> notifyContext{nullptr};
    std::atomic<CGSBridgeTouchCallback> touchProc{nullptr};
    std::atomic<void*> touchContext{nullptr};

    void reset()
    {
        skyLight.reset();
        connection = 0;
        connectionFn.reset();
        spacesFn.reset();
        menuBarFn.reset();
        activeSpaceFn.reset();
        registerFn.reset();
        hotKeyGetFn.reset();
        hotKeyIsEnabledFn.reset();
        hotKeySetEnabledFn.reset();
        spacesForWindowsFn.reset();
        axWindowFn.reset();
        dockNotifyFn.reset();
        notifyProc = nullptr;
        notifyContext = nullptr;
        touchProc = nullptr;
        touchContext = nullptr;
    }
};

State& state()
{
    static State* s = [] {
        auto* created = new State; // lives as long as the process: the window server may call back at any time
        bridge::onPlatformReset([created] { created->reset(); });
        return created;
    }();
    return *s;
}

// SkyLight is opened once: first only if already loaded, then by loading it.
Handle skyLight()
{
    return state().skyLight.get([] {
        Handle handle = bridge::symbols().open(kSkyLight, SymbolSource::OpenMode::LazyNoLoad);
        if (!handle)
            handle = bridge::symbols().open(kSkyLight, SymbolSource::OpenMode::Lazy);
        return handle;
    });
}

// Primary in SkyLight, fallback in SkyLight, primary globally, fallback globally.
const std::any* resolve(const char* primary, const char* fallback)
{
    std::lock_guard lock(bridge::resolveMutex());
    SymbolSource& source = bridge::symbols();
    if (Handle sky = skyLight()) {
        if (const std::any* fn = source.lookup(sky, primary))
            return fn;
        if (fallback) {
            if (const std::any* fn = source.lookup(sky, fallback))
                return fn;
        }
    }
    if (const std::any* fn = source.lookup(nullptr, primary))
        return fn;
    return fallback ? source.lookup(nullptr, fallback) : nullptr;
}

template <class Fn>
const Fn* slot(Once<const Fn*>& once, const char* primary, const char* fallback)
{
    return once.get([&] { return SymbolSource::as<Fn>(resolve(primary, fallback)); });
}

const sysfn::CopyManagedDisplaySpaces* spacesFunction()
{
    return slot(state().spacesFn, "SLSCopyManagedDisplaySpaces", "CGSCopyManagedDisplaySpaces");
}

void notifyTrampoline(std::uint32_t event, void*, std::size_t, void*)
{
    CGSBridgeNotifyCallback callback = state().notifyProc.load(std::memory_order_acquire);
    if (!callback)
        return;
    callback(event, state().notifyContext.load(std::memory_order_acquire));
}

int touchTrampoline(sysfn::MTDeviceRef, const void* contacts, std::int32_t count, double timestamp, std::int32_t)
{
    CGSBridgeTouchCallback callback = state().touchProc.load(std::memory_order_acquire);
    if (!callback)
        return 0;
    float x = 0, y = 0;
    if (count > 0 && contacts) {
        const auto* bytes = static_cast<const unsigned char*>(contacts);
        for (std::int32_t i = 0; i < count; ++i) {
            float cx, cy;
            std::memcpy(&cx, bytes + std::size_t(i) * sysfn::kContactRecordSize + sysfn::kContactXOffset, sizeof cx);
            std::memcpy(&cy, bytes + std::size_t(i) * sysfn::kContactRecordSize + sysfn::kContactYOffset, sizeof cy);
            x += cx;
            y += cy;
        }
        x /= float(count);
        y /= float(count);
    }
    callback(count, state().touchContext.load(std::memory_order_acquire), x, y, timestamp);
    return 0;
}

} // namespace

std::uint32_t CGSBridgeConnection()
{
    State& s = state();
    if (std::uint32_t cached = s.connection.load(std::memory_order_acquire))
        return cached;
    const auto* fn = slot(s.connectionFn, "SLSMainConnectionID", "_CGSDefaultConnection");
    if (!fn)
        return 0;
    const std::uint32_t id = (*fn)();
    if (id != 0) {
        // The first non-zero id wins, also when two threads ask at once.
        std::uint32_t expected = 0;
        if (!s.connection.compare_exchange_strong(expected, id, std::memory_order_acq_rel))
            return expected;
    }
    return id;
}

PlistValue CGSBridgeCopyManagedDisplaySpaces()
{
    const std::uint32_t cid = CGSBridgeConnection();
    if (cid == 0)
        return {};
    const auto* fn = spacesFunction();
    return fn ? (*fn)(cid) : PlistValue();
}

PlistValue CGSBridgeCopyActiveMenuBarDisplayIdentifier()
{
    const std::uint32_t cid = CGSBridgeConnection();
    if (cid == 0)
        return {};
    const auto* fn = slot(state().menuBarFn, "SLSCopyActiveMenuBarDisplayIdentifier", "CGSCopyActiveMenuBarDisplayIdentifier");
    return fn ? (*fn)(cid) : PlistValue();
}

std::uint64_t CGSBridgeActiveSpace()
{
    const std::uint32_t cid = CGSBridgeConnection();
    if (cid == 0)
        return 0;
    const auto* fn = slot(state().activeSpaceFn, "SLSGetActiveSpace", "CGSGetActiveSpace");
    return fn ? (*fn)(cid) : 0;
}

bool CGSBridgeRegisterSpaceNotifications(CGSBridgeNotifyCallback callback, void* context)
{
    const std::uint32_t cid = CGSBridgeConnection();
    if (cid == 0)
        return false;
    const auto* fn = slot(state().registerFn, "SLSRegisterConnectionNotifyProc", "CGSRegisterConnectionNotifyProc");
    if (!fn)
        return false;
    state().notifyContext.store(context, std::memory_order_release);
    state().notifyProc.store(callback, std::memory_order_release);
    bool all = true;
    for (std::uint32_t event : kSpaceEvents) {
        if ((*fn)(cid, &notifyTrampoline, event, nullptr) != 0)
            all = false;
    }
    return all;
}

CGSBridgeHealth CGSBridgeProbe()
{
    CGSBridgeHealth health;
    if (CGSBridgeConnection() != 0)
        health.rawValue |= CGSBridgeHealth::connection;
    // Fresh look-ups on purpose: the probe reports what the system offers now.
    auto found = [](const char* primary, const char* fallback) { return resolve(primary, fallback) != nullptr; };
    if (found("SLSCopyManagedDisplaySpaces", "CGSCopyManagedDisplaySpaces"))
        health.rawValue |= CGSBridgeHealth::managedSpaces;
    if (found("SLSCopyActiveMenuBarDisplayIdentifier", "CGSCopyActiveMenuBarDisplayIdentifier"))
        health.rawValue |= CGSBridgeHealth::menuBarDisplay;
    if (found("SLSGetActiveSpace", "CGSGetActiveSpace"))
        health.rawValue |= CGSBridgeHealth::activeSpace;
    if (found("SLSRegisterConnectionNotifyProc", "CGSRegisterConnectionNotifyProc"))
        health.rawValue |= CGSBridgeHealth::notifications;
    if (found("CGSGetSymbolicHotKeyValue", "SLSGetSymbolicHotKeyValue") && found("CGSSetSymbolicHotKeyEnabled", "SLSSetSymbolicHotKeyEnabled"))
        health.rawValue |= CGSBridgeHealth::symbolicHotKeys;
    const PlistValue list = CGSBridgeCopyManagedDisplaySpaces();
    if (list.array() && !list.array()->empty())
        health.rawValue |= CGSBridgeHealth::spacesListNonEmpty;
    return health;
}

bool CGSBridgeGetSymbolicHotKey(std::int32_t hotKey, std::uint16_t* keyCode, std::uint32_t* modifiers)
{
    const auto* fn = slot(state().hotKeyGetFn, "CGSGetSymbolicHotKeyValue", "SLSGetSymbolicHotKeyValue");
    if (!fn)
        return false;
    std::uint16_t character = 0;
    return (*fn)(hotKey, &character, keyCode, modifiers) == 0;
}

bool CGSBridgeIsSymbolicHotKeyEnabled(std::int32_t hotKey)
{
    const auto* fn = slot(state().hotKeyIsEnabledFn, "CGSIsSymbolicHotKeyEnabled", "SLSIsSymbolicHotKeyEnabled");
    return fn && (*fn)(hotKey);
}

bool CGSBridgeSetSymbolicHotKeyEnabled(std::int32_t hotKey, bool enabled)
{
    const auto* fn = slot(state().hotKeySetEnabledFn, "CGSSetSymbolicHotKeyEnabled", "SLSSetSymbolicHotKeyEnabled");
    return fn && (*fn)(hotKey, enabled) == 0;
}

PlistValue CGSBridgeCopySpacesForWindow(std::uint32_t windowID)
{
    const auto* fn = slot(state().spacesForWindowsFn, "SLSCopySpacesForWindows", "CGSCopySpacesForWindows");
    const std::uint32_t cid = CGSBridgeConnection();
    if (!fn || cid == 0)
        return {};
    return (*fn)(cid, 7, bridge::windowList(windowID));
}

bool CGSBridgeAXWindowID(sysfn::AXElementRef element, std::uint32_t* windowID)
{
    const auto* fn = state().axWindowFn.get([] {
        std::lock_guard lock(bridge::resolveMutex());
        return SymbolSource::as<sysfn::AXUIElementGetWindow>(bridge::symbols().lookup(nullptr, "_AXUIElementGetWindow"));
    });
    if (!fn || !element)
        return false;
    return (*fn)(element, windowID) == 0;
}

bool CGSBridgeDockNotify(const QString& name)
{
    const auto* fn = state().dockNotifyFn.get([] {
        std::lock_guard lock(bridge::resolveMutex());
        SymbolSource& source = bridge::symbols();
        const std::any* found = source.lookup(nullptr, "CoreDockSendNotification");
        if (!found) {
            if (Handle hi = source.open(kHIServices, SymbolSource::OpenMode::Lazy))
                found = source.lookup(hi, "CoreDockSendNotification");
        }
        return SymbolSource::as<sysfn::CoreDockSendNotification>(found);
    });
    if (!fn)
        return false;
    (*fn)(name, 0);
    return true;
}

bool CGSBridgeStartTouchMonitor(CGSBridgeTouchCallback callback, void* context)
{
    const sysfn::MTDeviceCreateList* createList = nullptr;
    const sysfn::MTRegisterContactFrameCallback* registerCallback = nullptr;
    const sysfn::MTDeviceStart* start = nullptr;
    {
        std::lock_guard lock(bridge::resolveMutex());
        SymbolSource& source = bridge::symbols();
        Handle mt = source.open(kMultitouch, SymbolSource::OpenMode::Lazy);
        if (!mt)
            return false;
        createList = SymbolSource::as<sysfn::MTDeviceCreateList>(source.lookup(mt, "MTDeviceCreateList"));
        registerCallback = SymbolSource::as<sysfn::MTRegisterContactFrameCallback>(source.lookup(mt, "MTRegisterContactFrameCallback"));
        start = SymbolSource::as<sysfn::MTDeviceStart>(source.lookup(mt, "MTDeviceStart"));
    }
    if (!createList || !registerCallback || !start)
        return false;
    state().touchContext.store(context, std::memory_order_release);
    state().touchProc.store(callback, std::memory_order_release);
    const std::vector<sysfn::MTDeviceRef>* devices = (*createList)();
    if (!devices || devices->empty())
        return false;
    for (sysfn::MTDeviceRef device : *devices) {
        (*registerCallback)(device, &touchTrampoline);
        (*start)(device, 0);
    }
    return true;
}

} // namespace lumivast
