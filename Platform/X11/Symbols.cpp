#include "Platform/X11/Symbols.h"

#include "Platform/X11/Desktops.h"

namespace lumivast::x11 {

namespace {

constexpr std::int32_t kFailure = 1000; // any non-zero status

std::vector<std::uint32_t> windowNumbers(const PlistValue& list)
{
    std::vector<std::uint32_t> ids;
    if (const auto* array = list.array()) {
        for (const PlistValue& item : *array) {
            if (auto id = item.integer(); id && *id > 0 && *id <= 0xFFFFFFFFLL)
                ids.push_back(std::uint32_t(*id));
        }
    }
    return ids;
}

} // namespace

Symbols::Symbols(std::shared_ptr<Session> session) : m_session(std::move(session)), m_hotKeys(standardSymbolicHotKeys())
{
    using namespace sysfn;
    add("SLSMainConnectionID", MainConnectionID([this]() -> ConnectionID { return m_session->connection() ? kConnectionID : 0; }));
    add("SLSCopyManagedDisplaySpaces", CopyManagedDisplaySpaces([this](ConnectionID cid) {
        auto x = connectionFor(cid);
        return x ? spacesList(readRows(*x), x->defaultScreen()) : PlistValue();
    }));
    add("SLSCopyActiveMenuBarDisplayIdentifier", CopyActiveMenuBarDisplayIdentifier([this](ConnectionID cid) {
        auto x = connectionFor(cid);
        return x ? PlistValue(rowIdentifier(pointerScreen(*x), x->defaultScreen())) : PlistValue();
    }));
    add("SLSGetActiveSpace", GetActiveSpace([this](ConnectionID cid) -> ManagedSpaceID {
        auto x = connectionFor(cid);
        if (!x)
            return 0;
        const int screen = pointerScreen(*x);
        const std::vector<Row> rows = readRows(*x);
        const Row& row = rows[std::size_t(screen)];
        return row.managed ? managedNumber(screen, row.current) : 0;
    }));
    add("SLSRegisterConnectionNotifyProc",
        RegisterConnectionNotifyProc([this](ConnectionID cid, NotifyProc proc, std::uint32_t event, void* context) -> std::int32_t {
            if (!connectionFor(cid))
                return kFailure;
            return m_session->addNotifyProc(proc, event, context) ? 0 : kFailure;
        }));
    add("SLSCopySpacesForWindows", CopySpacesForWindows([this](ConnectionID cid, std::int32_t, const PlistValue& list) {
        auto x = connectionFor(cid);
        if (!x || !list.array())
            return PlistValue();
        const std::vector<std::uint32_t> ids = windowNumbers(list);
        // Asked once per window by the contents refresh: one round trip each, the rows as the event
        // thread keeps them, and the screen asked only where there is more than one.
        // A window the last listing saw, unchanged since, needs no request at all.
        const bool oneScreen = x->screens().size() == 1;
        std::vector<std::optional<Session::WindowPlace>> kept;
        std::vector<xcb_get_property_cookie_t> desktops(ids.size());
        std::vector<xcb_get_geometry_cookie_t> geometries(ids.size());
        for (std::size_t i = 0; i < ids.size(); ++i) {
            kept.push_back(m_session->keptPlace(ids[i]));
            if (kept.back())
                continue;
            desktops[i] = x->requestProperty(ids[i], x->atoms().wmDesktop, XCB_ATOM_CARDINAL, 1);
            if (!oneScreen)
                geometries[i] = xcb_get_geometry(x->get(), ids[i]);
        }
        const std::vector<Row> rows = m_session->knownRows().value_or(std::vector<Row>());
        const std::vector<Row> checked = rows.size() == x->screens().size() ? rows : readRows(*x);
        PlistValue::Array result;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            std::optional<std::uint32_t> desktop;
            int screen = 0;
            if (kept[i]) {
                desktop = kept[i]->desktop;
                screen = kept[i]->screen;
            } else {
                if (const auto values = x->readCardinals(desktops[i]); values && !values->empty())
                    desktop = (*values)[0];
                if (!oneScreen) {
                    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(x->get(), geometries[i], nullptr));
                    screen = geometry ? x->screenOf(geometry->root) : -1;
                }
            }
            if (!desktop || screen < 0 || std::size_t(screen) >= checked.size() || !checked[std::size_t(screen)].managed)
                continue;
            const Row& row = checked[std::size_t(screen)];
            if (*desktop == kAllDesktops) {
                for (std::uint32_t d = 0; d < row.count; ++d)
                    result.push_back(PlistValue(std::int64_t(managedNumber(screen, d))));
            } else if (*desktop < row.count) {
                result.push_back(PlistValue(std::int64_t(managedNumber(screen, *desktop))));
            }
        }
        return PlistValue(std::move(result));
    }));
    add("SLSMoveWindowsToManagedSpace", MoveWindowsToManagedSpace([this](ConnectionID cid, const PlistValue& list, ManagedSpaceID space) {
        auto x = connectionFor(cid);
        const auto target = desktopFor(space);
        if (!x || !target || target->screen >= int(x->screens().size()))
            return;
        for (std::uint32_t id : windowNumbers(list)) {
            // Source indication 2: a pager, which window managers obey as the user's own request.
            x->sendRootMessage(target->screen, id, x->atoms().wmDesktop, target->index, 2);
        }
    }));

    add("CGSGetSymbolicHotKeyValue",
        GetSymbolicHotKeyValue([this](std::int32_t hotKey, std::uint16_t* character, std::uint16_t* keyCode, std::uint32_t* modifiers) -> std::int32_t {
            std::lock_guard lock(m_hotKeyMutex);
            const auto it = m_hotKeys.find(hotKey);
            if (it == m_hotKeys.end())
                return kFailure;
            if (character)
                *character = 0xFFFF;
            if (keyCode)
                *keyCode = it->second.keyCode;
            if (modifiers)
                *modifiers = it->second.modifiers;
            return 0;
        }));
    add("CGSIsSymbolicHotKeyEnabled", IsSymbolicHotKeyEnabled([this](std::int32_t hotKey) {
        std::lock_guard lock(m_hotKeyMutex);
        const auto it = m_hotKeys.find(hotKey);
        return it != m_hotKeys.end() && it->second.enabled;
    }));
    add("CGSSetSymbolicHotKeyEnabled", SetSymbolicHotKeyEnabled([this](std::int32_t hotKey, bool enabled) -> std::int32_t {
        std::lock_guard lock(m_hotKeyMutex);
        const auto it = m_hotKeys.find(hotKey);
        if (it == m_hotKeys.end())
            return kFailure;
        it->second.enabled = enabled;
        return 0;
    }));
}

void Symbols::addAXWindowNumbers(std::function<std::optional<std::uint32_t>(sysfn::AXElementRef)> windowNumber)
{
    constexpr std::int32_t kAXInvalidElement = -25202;
    add("_AXUIElementGetWindow", sysfn::AXUIElementGetWindow([windowNumber = std::move(windowNumber)](
                                                                   sysfn::AXElementRef element, std::uint32_t* windowID) -> std::int32_t {
        const auto number = windowNumber(element);
        if (!number)
            return kAXInvalidElement;
        if (windowID)
            *windowID = *number;
        return 0;
    }));
}

const std::any* Symbols::lookup(ImageHandle image, const char* name)
{
    if (image || !name)
        return nullptr;
    const auto it = m_table.find(QByteArray(name));
    return it == m_table.end() ? nullptr : &it->second;
}

std::map<std::int32_t, SymbolicHotKey> Symbols::hotKeys() const
{
    std::lock_guard lock(m_hotKeyMutex);
    return m_hotKeys;
}

std::shared_ptr<XConnection> Symbols::connectionFor(sysfn::ConnectionID cid)
{
    if (cid != kConnectionID)
        return nullptr;
    return m_session->connection();
}

} // namespace lumivast::x11
