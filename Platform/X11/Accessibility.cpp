#include "Platform/X11/Accessibility.h"

#include "Platform/X11/Desktops.h"
#include "Platform/X11/Windows.h"

#include <QRect>

#include <algorithm>
#include <cerrno>

#include <signal.h>

namespace lumivast::x11 {

namespace {

const QString kWindows = QStringLiteral("AXWindows");
const QString kChildren = QStringLiteral("AXChildren");
const QString kFocusedWindow = QStringLiteral("AXFocusedWindow");
const QString kTitle = QStringLiteral("AXTitle");
const QString kPosition = QStringLiteral("AXPosition");
const QString kSize = QStringLiteral("AXSize");
const QString kMinimized = QStringLiteral("AXMinimized");
const QString kMain = QStringLiteral("AXMain");
const QString kFocused = QStringLiteral("AXFocused");
const QString kCloseButton = QStringLiteral("AXCloseButton");

constexpr std::uint32_t kStaticGravity = 10;
constexpr std::uint32_t kMoveX = 1u << 8, kMoveY = 1u << 9, kMoveWidth = 1u << 10, kMoveHeight = 1u << 11;

// One client window as far as its element needs it.
struct WindowState {
    int screen = 0;
    QRect frame; // global, top-left origin, decorations included
    int left = 0, right = 0, top = 0, bottom = 0; // the frame extents
    QString title;
    bool minimised = false;
};


// X screens lie side by side in the global space, in screen order.
int screenOffset(XConnection& x, int screen)
{
    int offset = 0;
    for (int s = 0; s < screen; ++s)
        offset += x.screens()[std::size_t(s)]->width_in_pixels;
    return offset;
}

// The window while it is one of the window manager's clients; invalidElement once it is gone or withdrawn.
std::expected<WindowState, AXError> readWindow(XConnection& x, xcb_window_t id)
{
    const Atoms& a = x.atoms();
    const auto geometryCookie = xcb_get_geometry(x.get(), id);
    const auto extentsCookie = x.requestProperty(id, a.frameExtents, XCB_ATOM_CARDINAL, 4);
    const auto netNameCookie = x.requestProperty(id, a.wmName, a.utf8String, 1024);
    const auto nameCookie = x.requestProperty(id, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 1024);
    const auto stateCookie = x.requestProperty(id, a.wmState, XCB_ATOM_ATOM, 32);
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(x.get(), geometryCookie, &error));
    std::free(error);
    const auto extents = x.readCardinals(extentsCookie);
    const auto netName = x.readBytes(netNameCookie);
    const auto name = x.readBytes(nameCookie);
    const auto states = x.readCardinals(stateCookie);
    if (!geometry)
        return std::unexpected(AXError::invalidElement);
    const int screen = x.screenOf(geometry->root);
    if (screen < 0)
        return std::unexpected(AXError::invalidElement);
    const auto originCookie = xcb_translate_coordinates(x.get(), id, geometry->root, 0, 0);
    // A window manager may list a new client in one list a moment before the other.
    const auto clientsCookie = x.requestProperty(geometry->root, a.clientList, XCB_ATOM_WINDOW, 65536);
    const auto stackingCookie = x.requestProperty(geometry->root, a.clientListStacking, XCB_ATOM_WINDOW, 65536);
    Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(x.get(), originCookie, nullptr));
    const auto clients = x.readCardinals(clientsCookie);
    const auto stacking = x.readCardinals(stackingCookie);
    const auto lists = [id](const std::optional<std::vector<std::uint32_t>>& list) {
        return list && std::find(list->begin(), list->end(), id) != list->end();
    };
    if (!origin || (!lists(clients) && !lists(stacking)))
        return std::unexpected(AXError::invalidElement);

    WindowState w;
    w.screen = screen;
    if (extents && extents->size() == 4) {
        w.left = int((*extents)[0]);
        w.right = int((*extents)[1]);
        w.top = int((*extents)[2]);
        w.bottom = int((*extents)[3]);
    }
    w.frame = QRect(screenOffset(x, screen) + origin->dst_x - w.left, origin->dst_y - w.top, geometry->width + w.left + w.right,
                    geometry->height + w.top + w.bottom);
    w.title = netName ? QString::fromUtf8(*netName) : name ? QString::fromLatin1(*name) : QString();
    w.minimised = states && std::find(states->begin(), states->end(), a.wmStateHidden) != states->end();
    return w;
}

// The window shown on its screen's current desktop.
bool onCurrentDesktop(const ClientWindow& w, const std::vector<Row>& rows)
{
    if (!w.desktop || std::size_t(w.screen) >= rows.size())
        return false;
    return *w.desktop == kAllDesktops || *w.desktop == rows[std::size_t(w.screen)].current;
}

bool processExists(std::int32_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// Some client window of it, or at least its process.
bool applicationExists(XConnection& x, std::int32_t pid)
{
    const std::vector<ClientWindow> all = readClientWindows(x);
    return std::any_of(all.begin(), all.end(), [pid](const ClientWindow& w) { return w.pid == pid; }) || processExists(pid);
}

// The windows that have the focus now, one per managed screen.
std::vector<xcb_window_t> activeWindows(XConnection& x)
{
    std::vector<xcb_get_property_cookie_t> cookies;
    for (std::size_t s = 0; s < x.screens().size(); ++s)
        cookies.push_back(x.requestProperty(x.root(int(s)), x.atoms().activeWindow, XCB_ATOM_WINDOW, 1));
    std::vector<xcb_window_t> active;
    for (const auto& cookie : cookies) {
        if (const auto value = x.readCardinals(cookie); value && !value->empty() && (*value)[0] != XCB_NONE)
            active.push_back((*value)[0]);
    }
    return active;
}

} // namespace

sysfn::AXElementRef X11Accessibility::handle(Kind kind, std::int32_t pid, xcb_window_t window)
{
    std::lock_guard lock(m_mutex);
    auto& slot = m_elements[{kind, kind == Kind::application ? pid : 0, window}];
    if (!slot) {
        slot = std::make_unique<Element>(Element{kind, pid, window});
        m_byHandle[slot.get()] = slot.get();
    }
    return slot.get();
}

std::optional<X11Accessibility::Element> X11Accessibility::find(sysfn::AXElementRef element)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_byHandle.find(element);
    if (it == m_byHandle.end())
        return std::nullopt;
    return *it->second;
}

std::expected<X11Accessibility::Target, AXError> X11Accessibility::reach(sysfn::AXElementRef element)
{
    const auto e = find(element);
    if (!e)
        return std::unexpected(AXError::illegalArgument);
    auto x = m_session->connection();
    if (!x)
        return std::unexpected(AXError::cannotComplete);
    return Target{*e, std::move(x)};
}

std::optional<std::uint32_t> X11Accessibility::windowNumber(sysfn::AXElementRef element)
{
    const auto e = find(element);
    if (!e || e->kind != Kind::window)
        return std::nullopt;
    return e->window;
}

sysfn::AXElementRef X11Accessibility::applicationElement(std::int32_t pid)
{
    return handle(Kind::application, pid, 0);
}

std::expected<void, AXError> X11Accessibility::setMessagingTimeout(sysfn::AXElementRef element, double)
{
    if (!find(element))
        return std::unexpected(AXError::illegalArgument);
    return {};
}

std::expected<AXAttributeValue, AXError> X11Accessibility::copyAttributeValue(sysfn::AXElementRef element, const QString& attribute)
{
    const auto target = reach(element);
    if (!target)
        return std::unexpected(target.error());
    const auto& [e, x] = *target;
    switch (e.kind) {
    case Kind::application:
        return applicationAttribute(*x, e.pid, attribute);
    case Kind::window:
        return windowAttribute(*x, e, attribute);
    case Kind::closeButton:
        if (const auto state = readWindow(*x, e.window); !state)
            return std::unexpected(state.error());
        return std::unexpected(AXError::attributeUnsupported);
    }
    return std::unexpected(AXError::attributeUnsupported);
}

std::expected<AXAttributeValue, AXError> X11Accessibility::applicationAttribute(XConnection& x, std::int32_t pid, const QString& attribute)
{
    const std::vector<ClientWindow> all = readClientWindows(x);
    std::vector<const ClientWindow*> own;
    for (const ClientWindow& w : all) {
        if (w.pid == pid)
            own.push_back(&w);
    }
    if (own.empty() && !processExists(pid))
        return std::unexpected(AXError::invalidElement);
    if (attribute == kWindows || attribute == kChildren) {
        std::vector<sysfn::AXElementRef> list;
        for (const ClientWindow* w : own)
            list.push_back(handle(Kind::window, pid, w->id));
        return list;
    }
    if (attribute == kFocusedWindow) {
        if (const auto id = focusedWindow(x, pid))
            return AXElementValue{handle(Kind::window, pid, *id)};
        return std::unexpected(AXError::noValue);
    }
    if (attribute == kTitle) {
        for (const ClientWindow* w : own) {
            if (!w->appClass.isEmpty())
                return PlistValue(w->appClass);
        }
        return std::unexpected(AXError::noValue);
    }
    return std::unexpected(AXError::attributeUnsupported);
}

std::optional<xcb_window_t> X11Accessibility::focusedWindow(XConnection& x, std::int32_t pid)
{
    const std::vector<ClientWindow> all = readClientWindows(x);
    const std::vector<Row> rows = readRows(x);
    const auto shown = [&](const ClientWindow& w) { return w.pid == pid && !w.minimised && onCurrentDesktop(w, rows); };
    const auto findShown = [&](xcb_window_t id) -> const ClientWindow* {
        for (const ClientWindow& w : all) {
            if (w.id == id && shown(w))
                return &w;
        }
        return nullptr;
    };
    // The window that has the focus now, then the one the application last had active or was given.
    for (xcb_window_t active : activeWindows(x)) {
        if (findShown(active))
            return active;
    }
    if (const auto remembered = m_session->focusedWindow(pid); remembered && findShown(*remembered))
        return *remembered;
    // Else its front window of those the user can see.
    for (const ClientWindow& w : all) {
        if (shown(w) && w.normalLayer)
            return w.id;
    }
    return std::nullopt;
}

std::expected<AXAttributeValue, AXError> X11Accessibility::windowAttribute(XConnection& x, const Element& e, const QString& attribute)
{
    const auto state = readWindow(x, e.window);
    if (!state)
        return std::unexpected(state.error());
    if (attribute == kTitle)
        return PlistValue(state->title);
    if (attribute == kPosition)
        return QPointF(state->frame.topLeft());
    if (attribute == kSize)
        return QSizeF(state->frame.size());
    if (attribute == kMinimized)
        return PlistValue(state->minimised);
    if (attribute == kMain || attribute == kFocused)
        return PlistValue(focusedWindow(x, e.pid) == e.window);
    if (attribute == kCloseButton)
        return AXElementValue{handle(Kind::closeButton, e.pid, e.window)};
    return std::unexpected(AXError::attributeUnsupported);
}

std::expected<void, AXError> X11Accessibility::setAttributeValue(sysfn::AXElementRef element, const QString& attribute,
                                                                 const AXAttributeValue& value)
{
    const auto target = reach(element);
    if (!target)
        return std::unexpected(target.error());
    const auto& [e, x] = *target;
    if (e.kind != Kind::window) {
        if (e.kind == Kind::application && !applicationExists(*x, e.pid))
            return std::unexpected(AXError::invalidElement);
        return std::unexpected(AXError::attributeUnsupported);
    }
    return setWindowAttribute(*x, e, attribute, value);
}

std::expected<void, AXError> X11Accessibility::setWindowAttribute(XConnection& x, const Element& e, const QString& attribute,
                                                                  const AXAttributeValue& value)
{
    const auto state = readWindow(x, e.window);
    if (!state)
        return std::unexpected(state.error());
    const Atoms& a = x.atoms();
    if (attribute == kPosition) {
        const auto* point = std::get_if<QPointF>(&value);
        if (!point)
            return std::unexpected(AXError::illegalArgument);
        // Static gravity: the numbers are the client area's own place, inside the frame.
        const QPoint target = point->toPoint();
        const int clientX = target.x() - screenOffset(x, state->screen) + state->left;
        const int clientY = target.y() + state->top;
        x.sendRootMessage(state->screen, e.window, a.moveresizeWindow, kStaticGravity | kMoveX | kMoveY | (kPagerSource << 12),
                          std::uint32_t(clientX), std::uint32_t(clientY));
        return {};
    }
    if (attribute == kSize) {
        const auto* size = std::get_if<QSizeF>(&value);
        if (!size || !size->isValid())
            return std::unexpected(AXError::illegalArgument);
        const QSize target = size->toSize();
        const int width = std::max(1, target.width() - state->left - state->right);
        const int height = std::max(1, target.height() - state->top - state->bottom);
        x.sendRootMessage(state->screen, e.window, a.moveresizeWindow,
                          kStaticGravity | kMoveWidth | kMoveHeight | (kPagerSource << 12), 0, 0, std::uint32_t(width),
                          std::uint32_t(height));
        return {};
    }
    if (attribute != kMinimized && attribute != kMain && attribute != kFocused)
        return std::unexpected(AXError::attributeUnsupported);
    const auto parsed = axFlag(value);
    if (!parsed)
        return std::unexpected(parsed.error());
    const bool flag = *parsed;
    if (attribute == kMinimized) {
        if (flag && !state->minimised) {
            x.sendRootMessage(state->screen, e.window, a.changeState, kICCCMIconic);
        } else if (!flag && state->minimised) {
            // Mapping an iconic window asks for its normal state back.
            xcb_map_window(x.get(), e.window);
            x.flush();
        }
        return {};
    }
    if (flag) {
        // It becomes its application's focused window; while the application is active, the focus moves there now.
        const std::vector<xcb_window_t> active = activeWindows(x);
        bool applicationActive = false;
        for (const ClientWindow& w : readClientWindows(x)) {
            if (w.pid == e.pid && std::find(active.begin(), active.end(), w.id) != active.end())
                applicationActive = true;
        }
        m_session->noteFocusedWindow(e.pid, e.window);
        if (applicationActive)
            x.sendRootMessage(state->screen, e.window, a.activeWindow, kPagerSource, XCB_CURRENT_TIME, 0);
    }
    return {};
}

std::expected<void, AXError> X11Accessibility::performAction(sysfn::AXElementRef element, const QString& action)
{
    const auto target = reach(element);
    if (!target)
        return std::unexpected(target.error());
    const auto& [e, x] = *target;
    if (e.kind == Kind::application) {
        if (!applicationExists(*x, e.pid))
            return std::unexpected(AXError::invalidElement);
        return std::unexpected(AXError::actionUnsupported);
    }
    const auto state = readWindow(*x, e.window);
    if (!state)
        return std::unexpected(state.error());
    const Atoms& a = x->atoms();
    if (e.kind == Kind::closeButton) {
        if (action != QLatin1String("AXPress"))
            return std::unexpected(AXError::actionUnsupported);
        // The window manager asks the application, which may ask the user first.
        x->sendRootMessage(state->screen, e.window, a.closeWindow, XCB_CURRENT_TIME, kPagerSource);
        return {};
    }
    if (action != QLatin1String("AXRaise"))
        return std::unexpected(AXError::actionUnsupported);
    // To the top of the stack, and its application's focused window from now on.
    m_session->noteFocusedWindow(e.pid, e.window);
    x->sendRootMessage(state->screen, e.window, x->atom("_NET_RESTACK_WINDOW"), kPagerSource, XCB_NONE, XCB_STACK_MODE_ABOVE);
    return {};
}

} // namespace lumivast::x11
