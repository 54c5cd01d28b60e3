#pragma once

// One xcb connection with the atoms and property reads the backend uses.
// Internal to the X11 backend: nothing above Platform/ includes this.

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace lumivast::x11 {

// xcb hands out replies that the caller frees.
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

struct Atoms {
    xcb_atom_t supportingWmCheck = 0;
    xcb_atom_t numberOfDesktops = 0;
    xcb_atom_t currentDesktop = 0;
    xcb_atom_t desktopNames = 0;
    xcb_atom_t utf8String = 0;
    xcb_atom_t clientListStacking = 0;
    xcb_atom_t clientList = 0;
    xcb_atom_t activeWindow = 0;
    xcb_atom_t wmDesktop = 0;
    xcb_atom_t wmPid = 0;
    xcb_atom_t wmName = 0;
    xcb_atom_t wmState = 0;
    xcb_atom_t wmStateHidden = 0;
    xcb_atom_t wmStateAbove = 0;
    xcb_atom_t wmStateSticky = 0;
    xcb_atom_t wmStateSkipTaskbar = 0;
    xcb_atom_t wmStateSkipPager = 0;
    xcb_atom_t frameExtents = 0;
    xcb_atom_t wmWindowType = 0;
    xcb_atom_t typeNormal = 0;
    xcb_atom_t typeDialog = 0;
    xcb_atom_t typeUtility = 0;
    xcb_atom_t typeDesktop = 0;
    xcb_atom_t closeWindow = 0;
    xcb_atom_t moveresizeWindow = 0;
    xcb_atom_t wmIcon = 0;
    xcb_atom_t workarea = 0;
    xcb_atom_t icccmState = 0; // WM_STATE
    xcb_atom_t changeState = 0; // WM_CHANGE_STATE
};

// _NET_WM_DESKTOP of a window shown on every desktop.
inline constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;
// WM_STATE of an iconified window.
inline constexpr std::uint32_t kICCCMIconic = 3;
// The source of a request sent as the user's own, through a pager.
inline constexpr std::uint32_t kPagerSource = 2;

// A property reply read in place. Present: the property exists, whatever its type.
inline bool present(const xcb_get_property_reply_t* reply)
{
    return reply && reply->type != XCB_ATOM_NONE;
}
// Its CARDINAL, WINDOW or ATOM values; empty when it is missing or of another format.
std::span<const std::uint32_t> cardinalsOf(const xcb_get_property_reply_t* reply);
// Its bytes; empty when it is missing.
QByteArrayView bytesOf(const xcb_get_property_reply_t* reply);

class XConnection {
public:
    // Null when the display cannot be reached. `display` empty: the one DISPLAY names.
    static std::unique_ptr<XConnection> open(const QByteArray& display);
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    xcb_connection_t* get() const { return m_connection; }
    bool broken() const { return xcb_connection_has_error(m_connection) != 0; }
    int defaultScreen() const { return m_defaultScreen; }
    const std::vector<xcb_screen_t*>& screens() const { return m_screens; }
    xcb_window_t root(int screen) const { return m_screens[std::size_t(screen)]->root; }
    // The screen whose root window this is; -1 when none.
    int screenOf(xcb_window_t root) const
    {
        for (std::size_t s = 0; s < m_screens.size(); ++s) {
            if (m_screens[s]->root == root)
                return int(s);
        }
        return -1;
    }
    const Atoms& atoms() const { return m_atoms; }
    // Interns a name not in the table (the compositing selections); cached.
    xcb_atom_t atom(const QByteArray& name);

    // The CARDINAL or WINDOW values of a property; none when it is missing or of another format.
    std::optional<std::vector<std::uint32_t>> readCardinals(xcb_get_property_cookie_t cookie);
    xcb_get_property_cookie_t requestProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                              std::uint32_t longLength = 1024);
    // A whole property's bytes; none when it is missing.
    std::optional<QByteArray> readBytes(xcb_get_property_cookie_t cookie);
    // A property's reply as it is, for reading its values in place; null when the request failed.
    Reply<xcb_get_property_reply_t> readProperty(xcb_get_property_cookie_t cookie);
    // The pid of each window's client as the server knows it (X-Resource), 0 where it knows none; the
    // requests are pipelined, one round trip for all.
    std::vector<std::int32_t> clientPids(const std::vector<xcb_window_t>& windows);
    // The same in two halves, for a caller that sends other requests in the same round trip.
    using ClientPidCookies = std::vector<xcb_res_query_client_ids_cookie_t>;
    ClientPidCookies requestClientPids(const std::vector<xcb_window_t>& windows);
    std::vector<std::int32_t> readClientPids(const ClientPidCookies& cookies);

    // A client message to the root in the form EWMH asks for (substructure redirect and notify).
    void sendRootMessage(int screen, xcb_window_t window, xcb_atom_t type, std::uint32_t d0, std::uint32_t d1 = 0,
                         std::uint32_t d2 = 0, std::uint32_t d3 = 0, std::uint32_t d4 = 0);
    void flush() { xcb_flush(m_connection); }

private:
    explicit XConnection(xcb_connection_t* connection, int defaultScreen);

    xcb_connection_t* m_connection;
    int m_defaultScreen;
    std::vector<xcb_screen_t*> m_screens;
    Atoms m_atoms;
    std::mutex m_atomMutex;
    std::vector<std::pair<QByteArray, xcb_atom_t>> m_extraAtoms;
};

} // namespace lumivast::x11
