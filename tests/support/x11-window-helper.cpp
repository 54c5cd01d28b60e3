// Maps real X client windows for the real desktop's tests, so that their pid
// is not the test's: x11-window-helper DISPLAY TITLE [COUNT [CLASS]]. Each window
// is 300x200 at 100,100 with the class "LumivastHelper" (or CLASS) and the title
// TITLE (or TITLE-1 ... TITLE-COUNT). A window asked to close (WM_DELETE_WINDOW) goes;
// the helper ends with its last window, or when it is killed.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    std::free(r);
    return a;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    xcb_connection_t* c = xcb_connect(argv[1], nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    const int count = argc > 3 ? std::atoi(argv[3]) : 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t netName = atom(c, "_NET_WM_NAME"), utf8 = atom(c, "UTF8_STRING"), pidAtom = atom(c, "_NET_WM_PID");
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS"), deleteWindow = atom(c, "WM_DELETE_WINDOW");
    const std::uint32_t pid = std::uint32_t(getpid());
    // WM_CLASS: the instance name, NUL, the class name, NUL.
    std::string klass = std::string("lumivast-helper") + '\0' + (argc > 4 ? argv[4] : "LumivastHelper") + '\0';
    for (int i = 1; i <= count; ++i) {
        const xcb_window_t w = xcb_generate_id(c);
        const std::uint32_t values[] = {screen->white_pixel};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 100, 100, 300, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_BACK_PIXEL, values);
        const std::string title = count == 1 ? std::string(argv[2]) : std::string(argv[2]) + "-" + std::to_string(i);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, netName, utf8, 8, std::uint32_t(title.size()), title.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, std::uint32_t(title.size()), title.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, std::uint32_t(klass.size()), klass.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, pidAtom, XCB_ATOM_CARDINAL, 32, 1, &pid);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, protocols, XCB_ATOM_ATOM, 32, 1, &deleteWindow);
        xcb_map_window(c, w);
    }
    xcb_flush(c);
    // Until killed (the server ends the windows with the connection) or the last window is closed.
    int open = count;
    while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
        if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
            if (m->type == protocols && m->data.data32[0] == deleteWindow) {
                xcb_destroy_window(c, m->window);
                xcb_flush(c);
                if (--open == 0) {
                    std::free(e);
                    break;
                }
            }
        }
        std::free(e);
    }
    xcb_disconnect(c);
    return 0;
}
