#include "Platform/X11/XConnection.h"

#include <cstring>
#include <utility>

namespace lumivast::x11 {

std::unique_ptr<XConnection> XConnection::open(const QByteArray& display)
{
    int screen = 0;
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screen);
    if (!c)
        return nullptr;
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    return std::unique_ptr<XConnection>(new XConnection(c, screen));
}

XConnection::XConnection(xcb_connection_t* connection, int defaultScreen)
    : m_connection(connection), m_defaultScreen(defaultScreen)
{
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(m_connection)); it.rem; xcb_screen_next(&it))
        m_screens.push_back(it.data);
    if (m_defaultScreen < 0 || m_defaultScreen >= int(m_screens.size()))
        m_defaultScreen = 0;

    const std::pair<xcb_atom_t*, const char*> table[] = {
        {&m_atoms.supportingWmCheck, "_NET_SUPPORTING_WM_CHECK"},
        {&m_atoms.numberOfDesktops, "_NET_NUMBER_OF_DESKTOPS"},
        {&m_atoms.currentDesktop, "_NET_CURRENT_DESKTOP"},
        {&m_atoms.desktopNames, "_NET_DESKTOP_NAMES"},
        {&m_atoms.utf8String, "UTF8_STRING"},
        {&m_atoms.clientListStacking, "_NET_CLIENT_LIST_STACKING"},
        {&m_atoms.clientList, "_NET_CLIENT_LIST"},
        {&m_atoms.activeWindow, "_NET_ACTIVE_WINDOW"},
        {&m_atoms.wmDesktop, "_NET_WM_DESKTOP"},
        {&m_atoms.wmPid, "_NET_WM_PID"},
        {&m_atoms.wmName, "_NET_WM_NAME"},
        {&m_atoms.wmState, "_NET_WM_STATE"},
        {&m_atoms.wmStateHidden, "_NET_WM_STATE_HIDDEN"},
        {&m_atoms.wmStateAbove, "_NET_WM_STATE_ABOVE"},
        {&m_atoms.wmStateSticky, "_NET_WM_STATE_STICKY"},
        {&m_atoms.wmStateSkipTaskbar, "_NET_WM_STATE_SKIP_TASKBAR"},
        {&m_atoms.wmStateSkipPager, "_NET_WM_STATE_SKIP_PAGER"},
        {&m_atoms.frameExtents, "_NET_FRAME_EXTENTS"},
        {&m_atoms.wmWindowType, "_NET_WM_WINDOW_TYPE"},
        {&m_atoms.typeNormal, "_NET_WM_WINDOW_TYPE_NORMAL"},
        {&m_atoms.typeDialog, "_NET_WM_WINDOW_TYPE_DIALOG"},
        {&m_atoms.typeUtility, "_NET_WM_WINDOW_TYPE_UTILITY"},
        {&m_atoms.typeDesktop, "_NET_WM_WINDOW_TYPE_DESKTOP"},
        {&m_atoms.closeWindow, "_NET_CLOSE_WINDOW"},
        {&m_atoms.moveresizeWindow, "_NET_MOVERESIZE_WINDOW"},
        {&m_atoms.wmIcon, "_NET_WM_ICON"},
        {&m_atoms.workarea, "_NET_WORKAREA"},
        {&m_atoms.icccmState, "WM_STATE"},
        {&m_atoms.changeState, "WM_CHANGE_STATE"},
    };
    // Every intern request is sent before the first reply is read: one round trip.
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (const auto& [slot, name] : table)
        cookies.push_back(xcb_intern_atom(m_connection, 0, std::uint16_t(std::strlen(name)), name));
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_connection, cookies[i], nullptr));
        *table[i].first = reply ? reply->atom : XCB_ATOM_NONE;
    }
}

XConnection::~XConnection()
{
    xcb_disconnect(m_connection);
}

xcb_atom_t XConnection::atom(const QByteArray& name)
{
    {
        std::lock_guard lock(m_atomMutex);
        for (const auto& [known, value] : m_extraAtoms) {
            if (known == name)
                return value;
        }
    }
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, std::uint16_t(name.size()), name.constData()), nullptr));
    const xcb_atom_t value = reply ? reply->atom : XCB_ATOM_NONE;
    std::lock_guard lock(m_atomMutex);
    m_extraAtoms.emplace_back(name, value);
    return value;
}

xcb_get_property_cookie_t XConnection::requestProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                                       std::uint32_t longLength)
{
    return xcb_get_property(m_connection, 0, window, property, type, 0, longLength);
}

std::vector<std::int32_t> XConnection::clientPids(const std::vector<xcb_window_t>& windows)
{
    return readClientPids(requestClientPids(windows));
}

XConnection::ClientPidCookies XConnection::requestClientPids(const std::vector<xcb_window_t>& windows)
{
    ClientPidCookies cookies;
    cookies.reserve(windows.size());
    for (xcb_window_t window : windows) {
        xcb_res_client_id_spec_t client{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        cookies.push_back(xcb_res_query_client_ids(m_connection, 1, &client));
    }
    return cookies;
}

std::vector<std::int32_t> XConnection::readClientPids(const ClientPidCookies& cookies)
{
    std::vector<std::int32_t> pids(cookies.size(), 0);
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        Reply<xcb_res_query_client_ids_reply_t> reply(xcb_res_query_client_ids_reply(m_connection, cookies[i], nullptr));
        if (!reply)
            continue;
        for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem; xcb_res_client_id_value_next(&it)) {
            if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) && xcb_res_client_id_value_value_length(it.data) >= 1)
                pids[i] = std::int32_t(*xcb_res_client_id_value_value(it.data));
        }
    }
    return pids;
}

Reply<xcb_get_property_reply_t> XConnection::readProperty(xcb_get_property_cookie_t cookie)
{
    return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(m_connection, cookie, nullptr));
}

std::span<const std::uint32_t> cardinalsOf(const xcb_get_property_reply_t* reply)
{
    if (!present(reply) || reply->format != 32)
        return {};
    return {static_cast<const std::uint32_t*>(xcb_get_property_value(reply)), std::size_t(xcb_get_property_value_length(reply) / 4)};
}

QByteArrayView bytesOf(const xcb_get_property_reply_t* reply)
{
    if (!present(reply))
        return {};
    return {static_cast<const char*>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply)};
}

std::optional<std::vector<std::uint32_t>> XConnection::readCardinals(xcb_get_property_cookie_t cookie)
{
    const Reply<xcb_get_property_reply_t> reply = readProperty(cookie);
    if (!present(reply.get()) || reply->format != 32)
        return std::nullopt;
    const std::span<const std::uint32_t> values = cardinalsOf(reply.get());
    return std::vector<std::uint32_t>(values.begin(), values.end());
}

std::optional<QByteArray> XConnection::readBytes(xcb_get_property_cookie_t cookie)
{
    const Reply<xcb_get_property_reply_t> reply = readProperty(cookie);
    if (!present(reply.get()))
        return std::nullopt;
    return bytesOf(reply.get()).toByteArray();
}

void XConnection::sendRootMessage(int screen, xcb_window_t window, xcb_atom_t type, std::uint32_t d0, std::uint32_t d1,
                                  std::uint32_t d2, std::uint32_t d3, std::uint32_t d4)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    event.data.data32[0] = d0;
    event.data.data32[1] = d1;
    event.data.data32[2] = d2;
    event.data.data32[3] = d3;
    event.data.data32[4] = d4;
    xcb_send_event(m_connection, 0, root(screen),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(m_connection);
}

} // namespace lumivast::x11
