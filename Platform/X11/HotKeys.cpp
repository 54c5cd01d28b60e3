#include "Platform/X11/HotKeys.h"

#include "Platform/X11/Keys.h"
#include "Platform/X11/X11Log.h"

namespace lumivast::x11 {

namespace {

constexpr std::uint8_t kBadAccess = 10;

} // namespace

X11HotKeys::X11HotKeys(std::shared_ptr<Session> session)
    : m_session(std::move(session)), m_handlers(std::make_shared<std::vector<Handler>>())
{
}

X11HotKeys::~X11HotKeys()
{
    m_session->setKeyHandlers({}, {});
}

bool X11HotKeys::installHandler(Handler handler)
{
    if (!handler)
        return false;
    m_handlers->push_back(std::move(handler));
    return true;
}

std::expected<HotKeyRef, HotKeyError> X11HotKeys::registerHotKey(quint32 keyCode, quint32 modifiers, HotKeyID id)
{
    auto x = m_session->connection();
    XConnection* events = m_session->eventConnection();
    if (!x || !events)
        return std::unexpected(HotKeyError::invalid);
    const auto keysym = keyCode <= 0xFFFF ? keysymFor(std::uint16_t(keyCode)) : std::nullopt;
    const xcb_keycode_t key = keysym ? keycodeFor(*x, *keysym) : 0;
    if (!key)
        return std::unexpected(HotKeyError::invalid);
    const ModifierMap map = readModifierMap(*x);
    Registration r{keyCode, modifiers, id, key, modifiersFromCarbon(modifiers, map)};
    std::lock_guard lock(m_mutex);
    m_ignored = std::uint16_t(XCB_MOD_MASK_LOCK | map.numLock);
    if (m_registrations.empty()) {
        m_session->setKeyHandlers([this](xcb_keycode_t k, std::uint16_t state) { pressed(k, state); }, [this] { regrab(); });
    }
    bool taken = false;
    if (!grab(*events, r, &taken))
        return std::unexpected(taken ? HotKeyError::alreadyTaken : HotKeyError::invalid);
    const HotKeyRef ref = m_nextRef++;
    m_registrations[ref] = r;
    return ref;
}

bool X11HotKeys::unregisterHotKey(HotKeyRef ref)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_registrations.find(ref);
    if (it == m_registrations.end())
        return false;
    if (XConnection* events = m_session->eventConnection())
        ungrab(*events, it->second);
    m_registrations.erase(it);
    return true;
}

bool X11HotKeys::grab(XConnection& x, const Registration& r, bool* taken)
{
    const std::uint16_t variants[] = {0, XCB_MOD_MASK_LOCK, std::uint16_t(m_ignored & ~XCB_MOD_MASK_LOCK), m_ignored};
    std::vector<xcb_void_cookie_t> cookies;
    for (std::size_t s = 0; s < x.screens().size(); ++s) {
        for (std::uint16_t variant : variants) {
            cookies.push_back(xcb_grab_key_checked(x.get(), 1, x.root(int(s)), std::uint16_t(r.modifiers | variant), r.key,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    bool ok = true;
    for (const xcb_void_cookie_t& cookie : cookies) {
        Reply<xcb_generic_error_t> error(xcb_request_check(x.get(), cookie));
        if (error) {
            ok = false;
            if (error->error_code == kBadAccess)
                *taken = true;
        }
    }
    if (!ok) {
        qCWarning(lcX11).nospace() << "the X server refused the grab of key " << r.key << " with modifiers 0x"
                                   << Qt::hex << r.modifiers << (*taken ? ": another client holds it" : "");
        ungrab(x, r);
    }
    return ok;
}

void X11HotKeys::ungrab(XConnection& x, const Registration& r)
{
    const std::uint16_t variants[] = {0, XCB_MOD_MASK_LOCK, std::uint16_t(m_ignored & ~XCB_MOD_MASK_LOCK), m_ignored};
    for (std::size_t s = 0; s < x.screens().size(); ++s) {
        for (std::uint16_t variant : variants)
            xcb_ungrab_key(x.get(), r.key, x.root(int(s)), std::uint16_t(r.modifiers | variant));
    }
    x.flush();
}

void X11HotKeys::pressed(xcb_keycode_t key, std::uint16_t state)
{
    std::optional<HotKeyID> id;
    {
        std::lock_guard lock(m_mutex);
        const std::uint16_t relevant = std::uint16_t(state & ~m_ignored & 0xFF);
        for (const auto& [ref, r] : m_registrations) {
            if (r.key == key && r.modifiers == relevant)
                id = r.id;
        }
    }
    if (!id)
        return;
    std::weak_ptr<std::vector<Handler>> weak = m_handlers;
    m_session->scheduler().post([weak, id] {
        auto handlers = weak.lock();
        if (!handlers)
            return;
        // The newest handler is asked first; one that takes the press ends the round.
        const std::vector<Handler> copy = *handlers;
        for (auto it = copy.rbegin(); it != copy.rend(); ++it) {
            if ((*it)(id) == HotKeyEventResult::handled)
                return;
        }
    });
}

void X11HotKeys::regrab()
{
    // The same keys may sit on other key codes now.
    auto x = m_session->connection();
    XConnection* events = m_session->eventConnection();
    if (!x || !events)
        return;
    const ModifierMap map = readModifierMap(*x);
    std::lock_guard lock(m_mutex);
    for (auto& [ref, r] : m_registrations) {
        ungrab(*events, r);
        const auto keysym = keysymFor(std::uint16_t(r.virtualKey));
        r.key = keysym ? keycodeFor(*x, *keysym) : 0;
        r.modifiers = modifiersFromCarbon(r.carbonModifiers, map);
        bool taken = false;
        if (r.key)
            grab(*events, r, &taken);
    }
}

} // namespace lumivast::x11
