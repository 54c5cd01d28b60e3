#include "Platform/X11/Capture.h"

#include "Platform/X11/Monitors.h"
#include "Platform/X11/Services.h"

#include "Platform/DataFile.h"

#include <xcb/composite.h>
#include <xcb/shm.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QRegion>

#include <cstring>
#include <map>
#include <set>

#include <sys/ipc.h>
#include <sys/shm.h>

namespace lumivast::x11 {

namespace {

const QString kNoDisplay = QStringLiteral("The display is no longer available");

// How the server lays out the pixels of a drawable of `depth`: only 32 bits
// per pixel in the byte order of this machine, with 8-bit channels where the
// root visual has them, is read here (what every true-colour server does).
bool readablePixels(XConnection& x, int screen, int depth)
{
    if (depth != 24 && depth != 32)
        return false;
    const xcb_setup_t* setup = xcb_get_setup(x.get());
    const bool native = (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) == (setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST);
    if (!native)
        return false;
    bool wide = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == depth)
            wide = it.data->bits_per_pixel == 32 && it.data->scanline_pad == 32;
    }
    if (!wide)
        return false;
    const xcb_screen_t* s = x.screens()[std::size_t(screen)];
    for (auto d = xcb_screen_allowed_depths_iterator(s); d.rem; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id == s->root_visual)
                return v.data->red_mask == 0xFF0000 && v.data->green_mask == 0xFF00 && v.data->blue_mask == 0xFF;
        }
    }
    return false;
}

// A ZPixmap image of 32 bits per pixel; depth 32 carries premultiplied alpha, depth 24 none.
QImage imageFromPixels(const std::uint8_t* data, std::size_t length, int width, int height, int depth)
{
    if (width <= 0 || height <= 0 || length < std::size_t(width) * std::size_t(height) * 4)
        return {};
    QImage image(width, height, depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const std::size_t stride = std::size_t(width) * 4;
    for (int y = 0; y < height; ++y) {
        std::memcpy(image.scanLine(y), data + stride * std::size_t(y), stride);
        if (depth != 32) {
            // The pad byte is undefined; an RGB32 image wants it opaque.
            auto* pixel = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
            for (int i = 0; i < width; ++i)
                pixel[i] |= 0xFF000000u;
        }
    }
    return image;
}

QImage readImage(XConnection& x, xcb_drawable_t drawable, const QRect& rect, int depth)
{
    Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        x.get(),
        xcb_get_image(x.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, std::int16_t(rect.x()), std::int16_t(rect.y()),
                      std::uint16_t(rect.width()), std::uint16_t(rect.height()), ~0u),
        nullptr));
    if (!reply)
        return {};
    return imageFromPixels(xcb_get_image_data(reply.get()), std::size_t(xcb_get_image_data_length(reply.get())), rect.width(),
                           rect.height(), depth);
}

bool hasShm(XConnection& x)
{
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(x.get(), &xcb_shm_id);
    return shm && shm->present;
}

// The screen as it looks, through memory shared with the server; null when the server cannot share it.
QImage shmGrab(XConnection& x, xcb_window_t root, const QRect& rect, int depth)
{
    const std::size_t size = std::size_t(rect.width()) * std::size_t(rect.height()) * 4;
    const int id = ::shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0)
        return {};
    void* address = ::shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        ::shmctl(id, IPC_RMID, nullptr);
        return {};
    }
    const xcb_shm_seg_t segment = xcb_generate_id(x.get());
    Reply<xcb_generic_error_t> attachError(xcb_request_check(x.get(), xcb_shm_attach_checked(x.get(), segment, std::uint32_t(id), 0)));
    // Gone once both sides have let go.
    ::shmctl(id, IPC_RMID, nullptr);
    QImage image;
    if (!attachError) {
        Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
            x.get(),
            xcb_shm_get_image(x.get(), root, std::int16_t(rect.x()), std::int16_t(rect.y()), std::uint16_t(rect.width()),
                              std::uint16_t(rect.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0),
            nullptr));
        if (reply)
            image = imageFromPixels(static_cast<const std::uint8_t*>(address), size, rect.width(), rect.height(), depth);
        xcb_shm_detach(x.get(), segment);
        x.flush();
    }
    ::shmdt(address);
    return image;
}

// One window the root holds directly, with the client window inside it.
struct TopLevel {
    xcb_window_t id = 0;
    xcb_window_t client = 0; // the window with WM_STATE inside it, or itself
    QRect outer;             // border included, in root coordinates
    int depth = 0;
    bool viewable = false;   // mapped and of class InputOutput
};

// The client window inside each window (the one an ICCCM window manager marks
// with WM_STATE, searched breadth first a few levels down, one round trip per
// level); the window itself when none is found.
std::vector<xcb_window_t> clientsOf(XConnection& x, const std::vector<xcb_window_t>& windows)
{
    const xcb_atom_t wmState = x.atoms().icccmState;
    std::vector<xcb_window_t> clients(windows.size(), XCB_NONE);
    std::vector<std::pair<std::size_t, xcb_window_t>> level;
    for (std::size_t i = 0; i < windows.size(); ++i)
        level.emplace_back(i, windows[i]);
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
        std::vector<xcb_get_property_cookie_t> states;
        for (const auto& [i, w] : level)
            states.push_back(xcb_get_property(x.get(), 0, w, wmState, XCB_ATOM_ANY, 0, 0));
        for (std::size_t k = 0; k < level.size(); ++k) {
            Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(x.get(), states[k], nullptr));
            const auto [i, w] = level[k];
            if (reply && reply->type != XCB_ATOM_NONE && clients[i] == XCB_NONE)
                clients[i] = w;
        }
        std::vector<std::pair<std::size_t, xcb_query_tree_cookie_t>> trees;
        for (const auto& [i, w] : level) {
            if (clients[i] == XCB_NONE)
                trees.emplace_back(i, xcb_query_tree(x.get(), w));
        }
        std::vector<std::pair<std::size_t, xcb_window_t>> next;
        for (const auto& [i, cookie] : trees) {
            Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(x.get(), cookie, nullptr));
            if (!tree)
                continue;
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            // Children come bottom to top: the top-most is looked at first.
            for (int c = xcb_query_tree_children_length(tree.get()) - 1; c >= 0; --c)
                next.emplace_back(i, children[c]);
        }
        level = std::move(next);
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (clients[i] == XCB_NONE)
            clients[i] = windows[i];
    }
    return clients;
}

// The root's children, back to front.
std::vector<TopLevel> topLevels(XConnection& x, int screen)
{
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(x.get(), xcb_query_tree(x.get(), x.root(screen)), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<xcb_get_geometry_cookie_t> geometries;
    for (int i = 0; i < count; ++i) {
        attributes.push_back(xcb_get_window_attributes(x.get(), children[i]));
        geometries.push_back(xcb_get_geometry(x.get(), children[i]));
    }
    std::vector<TopLevel> windows;
    for (int i = 0; i < count; ++i) {
        Reply<xcb_get_window_attributes_reply_t> a(xcb_get_window_attributes_reply(x.get(), attributes[std::size_t(i)], nullptr));
        Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(x.get(), geometries[std::size_t(i)], nullptr));
        if (!a || !g || a->map_state != XCB_MAP_STATE_VIEWABLE || a->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
            continue;
        TopLevel w;
        w.id = children[i];
        w.outer = QRect(g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width);
        w.depth = g->depth;
        w.viewable = true;
        windows.push_back(w);
    }
    std::vector<xcb_window_t> ids;
    for (const TopLevel& w : windows)
        ids.push_back(w.id);
    const std::vector<xcb_window_t> clients = clientsOf(x, ids);
    for (std::size_t i = 0; i < windows.size(); ++i)
        windows[i].client = clients[i];
    return windows;
}

// Paints `tile` so that it repeats from the root's origin, as the server tiles a background.
void paintTiled(QPainter& painter, const QImage& tile, const QRect& rect)
{
    const int w = tile.width(), h = tile.height();
    const int startX = rect.x() - ((rect.x() % w) + w) % w;
    const int startY = rect.y() - ((rect.y() % h) + h) % h;
    for (int y = startY; y < rect.y() + rect.height(); y += h) {
        for (int x = startX; x < rect.x() + rect.width(); x += w)
            painter.drawImage(QPoint(x - rect.x(), y - rect.y()), tile);
    }
}

const Monitor* monitorNumbered(const Layout& layout, std::uint32_t number)
{
    for (const Monitor& m : layout.monitors) {
        if (m.number == number)
            return &m;
    }
    return nullptr;
}

// A monitor's rectangle on its own X screen's root.
QRect onRoot(const Layout& layout, const Monitor& m)
{
    return m.global.translated(-layout.screenOffsets[std::size_t(m.screen)], 0);
}

// What the monitors of one X screen show between them, on its root: every monitor of a screen
// shows that screen's desktop.
QRect desktopOnRoot(XConnection& x, const Layout& layout, int screen)
{
    QRect area;
    for (const Monitor& m : layout.monitors) {
        if (m.screen == screen)
            area = area.united(onRoot(layout, m));
    }
    const xcb_screen_t* s = x.screens()[std::size_t(screen)];
    return area.intersected(QRect(0, 0, s->width_in_pixels, s->height_in_pixels));
}

} // namespace

QImage rootBackground(XConnection& x, int screen, const QRect& rect)
{
    const xcb_window_t root = x.root(screen);
    std::optional<std::vector<std::uint32_t>> pixmap;
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        pixmap = x.readCardinals(x.requestProperty(root, x.atom(name), XCB_ATOM_PIXMAP, 1));
        if (pixmap && !pixmap->empty() && (*pixmap)[0] != XCB_NONE)
            break;
        pixmap.reset();
    }
    if (!pixmap || rect.isEmpty())
        return {};
    const xcb_pixmap_t id = (*pixmap)[0];
    // The pixmap may have been freed by a setter that has since exited.
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(x.get(), xcb_get_geometry(x.get(), id), nullptr));
    if (!geometry || geometry->width == 0 || geometry->height == 0 || !readablePixels(x, screen, geometry->depth))
        return {};
    const QRect whole(0, 0, geometry->width, geometry->height);
    if (whole.contains(rect))
        return readImage(x, id, rect, geometry->depth).convertToFormat(QImage::Format_RGB32);
    const QImage tile = readImage(x, id, whole, geometry->depth);
    if (tile.isNull())
        return {};
    QImage image(rect.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    paintTiled(painter, tile, rect);
    painter.end();
    return image;
}

// ---- X11Capture ----

X11Capture::X11Capture(std::shared_ptr<Session> session, bool wayland) : m_session(std::move(session)), m_wayland(wayland) {}

void X11Capture::prepare()
{
    if (!m_wayland)
        redirectedConnection();
}

std::shared_ptr<XConnection> X11Capture::redirectedConnection()
{
    auto x = m_session->connection();
    if (!x)
        return nullptr;
    std::lock_guard lock(m_redirectMutex);
    if (m_redirected.lock() == x)
        return x;
    const xcb_query_extension_reply_t* composite = xcb_get_extension_data(x->get(), &xcb_composite_id);
    m_composite = false;
    if (composite && composite->present) {
        Reply<xcb_composite_query_version_reply_t> version(
            xcb_composite_query_version_reply(x->get(), xcb_composite_query_version(x->get(), 0, 4), nullptr));
        if (version && (version->major_version > 0 || version->minor_version >= 2)) {
            // Automatic: the server keeps drawing the screen, and every top-level window keeps all its contents.
            for (std::size_t s = 0; s < x->screens().size(); ++s)
                xcb_composite_redirect_subwindows(x->get(), x->root(int(s)), XCB_COMPOSITE_REDIRECT_AUTOMATIC);
            x->flush();
            m_composite = true;
        }
    }
    m_redirected = x;
    return x;
}

template <typename T>
void X11Capture::answerLater(const Answer<T>& answer, std::expected<T, QString> result)
{
    m_session->scheduler().post([answer, result = std::move(result)] { answer(result); });
}

void X11Capture::shareableContent(bool excludeDesktopWindows, bool, Answer<ShareableContent> answer)
{
    if (m_wayland)
        return answerLater<ShareableContent>(answer, std::unexpected(kWaylandNotGranted));
    m_queue.async([this, excludeDesktopWindows, answer] { answerLater(answer, content(excludeDesktopWindows)); });
}

void X11Capture::captureImage(const StillImageRequest& request, Answer<QImage> answer)
{
    if (m_wayland)
        return answerLater<QImage>(answer, std::unexpected(kWaylandNotGranted));
    m_queue.async([this, request, answer] { answerLater(answer, image(request)); });
}

std::expected<ShareableContent, QString> X11Capture::content(bool excludeDesktopWindows)
{
    auto x = redirectedConnection();
    if (!x)
        return std::unexpected(kNoDisplay);
    ShareableContent content;
    const Layout layout = readLayout(*x);
    for (const Monitor& m : layout.monitors) {
        ShareableDisplay display{m.number, m.global.width(), m.global.height(), std::nullopt};
        const QRect own = onRoot(layout, m);
        const QRect desktop = desktopOnRoot(*x, layout, m.screen);
        if (desktop != own && desktop.contains(own))
            display.desktopArea = desktop.translated(-own.topLeft());
        content.displays.push_back(display);
    }

    // Only what is mapped can be captured: the windows of the other desktops are not.
    std::vector<xcb_window_t> clients;
    for (std::size_t s = 0; s < x->screens().size(); ++s) {
        for (const TopLevel& w : topLevels(*x, int(s)))
            clients.push_back(w.client);
    }
    const Atoms& a = x->atoms();
    std::vector<xcb_get_property_cookie_t> pids, types;
    for (xcb_window_t w : clients) {
        pids.push_back(x->requestProperty(w, a.wmPid, XCB_ATOM_CARDINAL, 1));
        types.push_back(x->requestProperty(w, a.wmWindowType, XCB_ATOM_ATOM, 16));
    }
    std::vector<std::size_t> withoutPid;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const auto pid = x->readCardinals(pids[i]);
        const auto type = x->readCardinals(types[i]);
        if (excludeDesktopWindows && type && std::find(type->begin(), type->end(), a.typeDesktop) != type->end())
            continue;
        ShareableWindow window{clients[i], std::nullopt};
        if (pid && !pid->empty())
            window.owningPID = std::int32_t((*pid)[0]);
        else
            withoutPid.push_back(content.windows.size());
        content.windows.push_back(window);
    }
    // Windows without _NET_WM_PID: the server knows which process made them.
    std::vector<xcb_window_t> unowned;
    for (std::size_t i : withoutPid)
        unowned.push_back(content.windows[i].windowID);
    const std::vector<std::int32_t> owners = x->clientPids(unowned);
    for (std::size_t k = 0; k < withoutPid.size(); ++k) {
        if (owners[k] != 0)
            content.windows[withoutPid[k]].owningPID = owners[k];
    }
    return content;
}

std::expected<QImage, QString> X11Capture::image(const StillImageRequest& request)
{
    if (request.width <= 0 || request.height <= 0)
        return std::unexpected(QStringLiteral("The requested image size is not valid"));
    auto x = redirectedConnection();
    if (!x)
        return std::unexpected(kNoDisplay);
    const Layout layout = readLayout(*x);
    const Monitor* monitor = monitorNumbered(layout, request.displayID);
    if (!monitor || monitor->global.isEmpty())
        return std::unexpected(kNoDisplay);
    const int screen = monitor->screen;
    const xcb_screen_t* xScreen = x->screens()[std::size_t(screen)];
    if (!readablePixels(*x, screen, xScreen->root_depth))
        return std::unexpected(QStringLiteral("The screen's pixel format cannot be read"));
    QRect rect = onRoot(layout, *monitor);
    if (request.sourceRect) {
        rect = request.sourceRect->translated(rect.topLeft()).intersected(rect.united(desktopOnRoot(*x, layout, screen)));
        if (rect.isEmpty())
            return std::unexpected(QStringLiteral("The requested area is not on the screen"));
    }

    QImage picture;
    if (request.excludedWindows.empty()) {
        if (hasShm(*x))
            picture = shmGrab(*x, xScreen->root, rect, xScreen->root_depth);
        if (picture.isNull())
            picture = readImage(*x, xScreen->root, rect, xScreen->root_depth);
        if (picture.isNull())
            return std::unexpected(kNoDisplay);
    } else {
        if (!m_composite)
            return std::unexpected(QStringLiteral("Windows cannot be left out of the picture: the X server has no Composite extension"));
        picture = rootBackground(*x, screen, rect);
        if (picture.isNull()) {
            picture = QImage(rect.size(), QImage::Format_RGB32);
            picture.fill(Qt::black);
        }
        const std::set<std::uint32_t> excluded(request.excludedWindows.begin(), request.excludedWindows.end());
        const std::vector<TopLevel> levels = topLevels(*x, screen); // bottom to top
        // Only what shows is read: an opaque window above paints over the rest, and reading every
        // window whole moved tens of megabytes through the socket for each preview.
        std::vector<QRegion> shown(levels.size());
        QRegion covered;
        for (std::size_t i = levels.size(); i-- > 0;) {
            const TopLevel& w = levels[i];
            const QRect area = w.outer.intersected(rect);
            if (area.isEmpty() || excluded.contains(w.id) || excluded.contains(w.client) || !readablePixels(*x, screen, w.depth))
                continue;
            shown[i] = QRegion(area).subtracted(covered);
            if (w.depth != 32) // one with an alpha channel lets what is beneath show through
                covered += area;
        }
        struct Piece {
            QRect area; // on the root
            int depth = 0;
            xcb_get_image_cookie_t image{};
        };
        std::vector<Piece> pieces;
        std::vector<xcb_pixmap_t> pixmaps;
        for (std::size_t i = 0; i < levels.size(); ++i) {
            if (shown[i].isEmpty())
                continue;
            const TopLevel& w = levels[i];
            const xcb_pixmap_t pixmap = xcb_generate_id(x->get());
            xcb_composite_name_window_pixmap(x->get(), w.id, pixmap);
            pixmaps.push_back(pixmap);
            for (const QRect& area : shown[i]) {
                Piece piece{area, w.depth, {}};
                piece.image = xcb_get_image(x->get(), XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, std::int16_t(area.x() - w.outer.x()),
                                            std::int16_t(area.y() - w.outer.y()), std::uint16_t(area.width()),
                                            std::uint16_t(area.height()), ~0u);
                pieces.push_back(piece);
            }
        }
        QPainter painter(&picture);
        for (const Piece& piece : pieces) {
            Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(x->get(), piece.image, nullptr));
            if (!reply)
                continue; // the window went meanwhile
            const QImage part = imageFromPixels(xcb_get_image_data(reply.get()), std::size_t(xcb_get_image_data_length(reply.get())),
                                                piece.area.width(), piece.area.height(), piece.depth);
            painter.drawImage(piece.area.topLeft() - rect.topLeft(), part);
        }
        painter.end();
        for (xcb_pixmap_t pixmap : pixmaps)
            xcb_free_pixmap(x->get(), pixmap);
        x->flush();
    }
    if (picture.size() != QSize(request.width, request.height))
        picture = picture.scaled(request.width, request.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return picture.convertToFormat(QImage::Format_RGB32);
}

// ---- the desktop picture ----

std::optional<QUrl> X11Workspace::desktopImageURL(const ScreenInfo& screen)
{
    auto x = m_session->connection();
    const PlistValue* number = screen.deviceDescription.value(QStringLiteral("NSScreenNumber"));
    const auto id = number ? number->integer() : std::nullopt;
    if (!x || !id)
        return std::nullopt;
    const Layout layout = readLayout(*x);
    const Monitor* monitor = monitorNumbered(layout, std::uint32_t(*id));
    if (!monitor)
        return std::nullopt;
    const QImage picture = rootBackground(*x, monitor->screen, onRoot(layout, *monitor));
    if (picture.isNull())
        return std::nullopt;
    // Written beside the preferences file, in this user's own folder, and only when the picture changed: readers take a file.
    if (m_session->spacesPreferencesPath().isEmpty())
        return std::nullopt;
    const QFileInfo preferences(m_session->spacesPreferencesPath());
    const QString stem = preferences.completeBaseName().replace(QLatin1String("lumivast-spaces"), QLatin1String("lumivast-desktop-picture"));
    const QString path = preferences.dir().filePath(QStringLiteral("%1-%2.png").arg(stem).arg(monitor->number));
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(picture.constBits()), picture.sizeInBytes()), QCryptographicHash::Sha1);
    static std::mutex mutex;
    static std::map<QString, QByteArray> written;
    std::lock_guard lock(mutex);
    if (written[path] != digest || !QFileInfo::exists(path)) {
        QByteArray png;
        QBuffer buffer(&png);
        QImageWriter writer(&buffer, "png");
        writer.setQuality(100); // the least compression: written often, read once
        if (!buffer.open(QIODevice::WriteOnly) || !writer.write(picture) || !DataFile::write(path, png))
            return std::nullopt;
        written[path] = digest;
    }
    return QUrl::fromLocalFile(path);
}

} // namespace lumivast::x11
