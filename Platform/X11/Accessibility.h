#pragma once

#include "Platform/AXElements.h"
#include "Platform/X11/Session.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace lumivast::x11 {

// Other applications' windows as Accessibility elements, read and changed
// through the window manager. An application element answers "AXWindows"
// and "AXChildren" (its client windows front to back, on every desktop,
// minimised ones included), "AXFocusedWindow" and "AXTitle". A window element
// answers "AXTitle", "AXPosition" and "AXSize" (its frame, decorations
// included, global, top-left origin, as the window list gives it),
// "AXMinimized", "AXMain" and "AXFocused" (whether it is its application's
// focused window) and "AXCloseButton"; position, size, minimised and main can
// be set and "AXRaise" performed; the close button takes "AXPress". Anything
// else is attributeUnsupported: there is no deeper tree, and no Dock's.
// Changes are requests to the window manager, which carries them out soon
// after. Element handles live as long as the service.
class X11Accessibility final : public AXElements {
public:
    explicit X11Accessibility(std::shared_ptr<Session> session) : m_session(std::move(session)) {}

    sysfn::AXElementRef applicationElement(std::int32_t pid) override;
    std::expected<AXAttributeValue, AXError> copyAttributeValue(sysfn::AXElementRef element, const QString& attribute) override;
    std::expected<void, AXError> setAttributeValue(sysfn::AXElementRef element, const QString& attribute,
                                                   const AXAttributeValue& value) override;
    std::expected<void, AXError> performAction(sysfn::AXElementRef element, const QString& action) override;
    // X requests go to the server, never wait on the application: nothing to bound.
    std::expected<void, AXError> setMessagingTimeout(sysfn::AXElementRef element, double seconds) override;

    // The window number of a window element; none for any other element. Any thread.
    std::optional<std::uint32_t> windowNumber(sysfn::AXElementRef element);

private:
    enum class Kind { application, window, closeButton };
    struct Element {
        Kind kind = Kind::application;
        std::int32_t pid = 0;      // the application, or the window's owner
        xcb_window_t window = 0;
    };

    sysfn::AXElementRef handle(Kind kind, std::int32_t pid, xcb_window_t window);
    std::optional<Element> find(sysfn::AXElementRef element);
    // The element and a connection to act on it through: illegalArgument for
    // an unknown handle, cannotComplete without the X server.
    struct Target {
        Element element;
        std::shared_ptr<XConnection> x;
    };
    std::expected<Target, AXError> reach(sysfn::AXElementRef element);

    std::expected<AXAttributeValue, AXError> applicationAttribute(XConnection& x, std::int32_t pid, const QString& attribute);
    std::expected<AXAttributeValue, AXError> windowAttribute(XConnection& x, const Element& e, const QString& attribute);
    std::expected<void, AXError> setWindowAttribute(XConnection& x, const Element& e, const QString& attribute,
                                                    const AXAttributeValue& value);
    // The window the application's focus is on, or would be on were it active.
    std::optional<xcb_window_t> focusedWindow(XConnection& x, std::int32_t pid);

    std::shared_ptr<Session> m_session;
    std::mutex m_mutex;
    std::map<std::tuple<Kind, std::int32_t, xcb_window_t>, std::unique_ptr<Element>> m_elements;
    std::map<sysfn::AXElementRef, const Element*> m_byHandle;
};

} // namespace lumivast::x11
