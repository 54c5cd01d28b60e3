#pragma once

#include "Platform/HotKeys.h"
#include "Platform/X11/Session.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace lumivast::x11 {

// System-wide hot keys as key grabs on every root, with the Lock and NumLock
// variants so that the key works whatever their state. Another client's grab
// of the same combination is `alreadyTaken`; a key that the keyboard cannot
// type is `invalid`. Grabs are made again when the keyboard mapping changes.
// Presses reach the handlers on the main thread.
class X11HotKeys final : public HotKeyRegistry {
public:
    explicit X11HotKeys(std::shared_ptr<Session> session);
    ~X11HotKeys() override;

    bool installHandler(Handler handler) override;
    std::expected<HotKeyRef, HotKeyError> registerHotKey(quint32 keyCode, quint32 modifiers, HotKeyID id) override;
    bool unregisterHotKey(HotKeyRef ref) override;

private:
    struct Registration {
        quint32 virtualKey = 0;
        quint32 carbonModifiers = 0;
        HotKeyID id;
        xcb_keycode_t key = 0;
        std::uint16_t modifiers = 0;
    };

    // Grabs the key on every root in every variant; false (with nothing left grabbed) when one is refused.
    bool grab(XConnection& x, const Registration& r, bool* taken);
    void ungrab(XConnection& x, const Registration& r);
    void pressed(xcb_keycode_t key, std::uint16_t state); // event thread
    void regrab();                                         // event thread

    std::shared_ptr<Session> m_session;
    std::mutex m_mutex;
    std::map<HotKeyRef, Registration> m_registrations;
    HotKeyRef m_nextRef = 1;
    std::uint16_t m_ignored = XCB_MOD_MASK_LOCK; // Lock and NumLock
    std::shared_ptr<std::vector<Handler>> m_handlers; // main thread; newest last
};

} // namespace lumivast::x11
