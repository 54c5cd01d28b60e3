#include "Platform/X11/DesktopPictures.h"

#include "Platform/DataFile.h"
#include "Platform/X11/Desktops.h"
#include "Platform/X11/Monitors.h"
#include "Platform/X11/Services.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QStandardPaths>


namespace lumivast::x11 {

namespace {

QString folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Lumivast/Desktop Pictures");
}

// `picture` scaled to fill `area`, cropped in the middle, as setters' "fill" does.
void paintFilled(QPainter& painter, const QImage& picture, const QRect& area)
{
    const QSize size = picture.size().scaled(area.size(), Qt::KeepAspectRatioByExpanding);
    const QRect source((size.width() - area.width()) / 2 * picture.width() / std::max(1, size.width()),
                       (size.height() - area.height()) / 2 * picture.height() / std::max(1, size.height()),
                       area.width() * picture.width() / std::max(1, size.width()),
                       area.height() * picture.height() / std::max(1, size.height()));
    painter.drawImage(area, picture, source);
}

// Sets the root of `screen` to `canvas` (the root's size): a pixmap made on a connection of its
// own, which is kept by the server after that connection ends, named in both properties.
bool setRootPicture(const QByteArray& display, int screen, const QImage& canvas)
{
    const std::unique_ptr<XConnection> x = XConnection::open(display);
    if (!x || screen >= int(x->screens().size()))
        return false;
    xcb_connection_t* c = x->get();
    const xcb_screen_t* s = x->screens()[std::size_t(screen)];
    if (s->root_depth != 24 && s->root_depth != 32)
        return false; // the 32-bit pixels below are what such a root takes
    const xcb_window_t root = s->root;
    const int width = s->width_in_pixels, height = s->height_in_pixels;
    const QImage pixels = canvas.convertToFormat(QImage::Format_RGB32);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, s->root_depth, pixmap, root, std::uint16_t(width), std::uint16_t(height));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    // In strips that each fit one request.
    const std::size_t maxBytes = std::size_t(xcb_get_maximum_request_length(c)) * 4 - 64;
    const int rowsPerStrip = std::max(1, int(maxBytes / (std::size_t(width) * 4)));
    for (int y = 0; y < height; y += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, height - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, std::uint16_t(width), std::uint16_t(rows), 0, std::int16_t(y), 0,
                      s->root_depth, std::uint32_t(rows) * std::uint32_t(width) * 4, pixels.constScanLine(y));
    }
    xcb_free_gc(c, gc);
    // The previous setter's pixmap, kept by the server for it, goes when it is replaced (when both names agree on it).
    const xcb_atom_t rootPixmap = x->atom("_XROOTPMAP_ID"), setRootPixmap = x->atom("ESETROOT_PMAP_ID");
    const auto before = x->readCardinals(x->requestProperty(root, rootPixmap, XCB_ATOM_PIXMAP, 1));
    const auto setBefore = x->readCardinals(x->requestProperty(root, setRootPixmap, XCB_ATOM_PIXMAP, 1));
    for (xcb_atom_t property : {rootPixmap, setRootPixmap})
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, property, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, root, 0, 0, 0, 0);
    if (before && setBefore && !before->empty() && !setBefore->empty() && (*before)[0] == (*setBefore)[0] && (*before)[0] != XCB_NONE)
        xcb_kill_client(c, (*before)[0]);
    xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    // A round trip: everything above is done before the connection ends.
    Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return sync != nullptr;
}

} // namespace

X11DesktopPictures::X11DesktopPictures(std::shared_ptr<Session> session) : m_session(std::move(session))
{
    m_activeSpace = m_session->observe(WorkspaceEvent::ActiveSpaceDidChange, [this] { showCurrent(); });
}

QString X11DesktopPictures::pathFor(int screen, std::uint32_t desktop)
{
    return QStringLiteral("%1/screen-%2-desktop-%3.png").arg(folder()).arg(screen).arg(desktop + 1);
}

std::expected<void, QString> X11DesktopPictures::choose(const QString& file, int screen)
{
    auto x = m_session->connection();
    if (!x)
        return std::unexpected(QStringLiteral("the X display cannot be reached"));
    const std::vector<Row> rows = readRows(*x);
    if (screen < 0 || screen >= int(rows.size()) || !rows[std::size_t(screen)].managed)
        return std::unexpected(QStringLiteral("no window manager shows desktops on that screen"));
    QImageReader reader(file);
    reader.setAutoTransform(true);
    const QImage picture = reader.read();
    if (picture.isNull())
        return std::unexpected(QStringLiteral("%1 is not a picture that can be read: %2").arg(QFileInfo(file).fileName(), reader.errorString()));
    // The program's own copy: the picture stays when the chosen file moves or goes.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG"))
        return std::unexpected(QStringLiteral("the picture could not be encoded"));
    const std::uint32_t desktop = rows[std::size_t(screen)].current;
    // Like every file of the program, the user's alone (0700 folders, 0600 file).
    if (!DataFile::write(pathFor(screen, desktop), png))
        return std::unexpected(QStringLiteral("the picture could not be kept in %1").arg(folder()));
    m_shown.erase(screen);
    if (!show(screen, desktop))
        return std::unexpected(QStringLiteral("the root's background could not be set"));
    return {};
}

void X11DesktopPictures::showCurrent()
{
    auto x = m_session->connection();
    if (!x)
        return;
    for (const Row& row : readRows(*x)) {
        if (row.managed)
            (void)show(row.screen, row.current);
    }
}

bool X11DesktopPictures::show(int screen, std::uint32_t desktop)
{
    if (const auto it = m_shown.find(screen); it != m_shown.end() && it->second == desktop)
        return true;
    const QString path = pathFor(screen, desktop);
    if (!QFileInfo::exists(path))
        return false; // the root keeps what it has
    const QImage picture(path);
    auto x = m_session->connection();
    if (picture.isNull() || !x)
        return false;
    const xcb_screen_t* s = x->screens()[std::size_t(screen)];
    QImage canvas(s->width_in_pixels, s->height_in_pixels, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const Layout layout = m_session->layout(*x);
        bool any = false;
        for (const Monitor& m : layout.monitors) {
            if (m.screen != screen)
                continue;
            paintFilled(painter, picture, m.global.translated(-layout.screenOffsets[std::size_t(screen)], 0));
            any = true;
        }
        if (!any)
            paintFilled(painter, picture, canvas.rect());
    }
    if (!setRootPicture(m_session->display(), screen, canvas))
        return false;
    m_shown[screen] = desktop;
    return true;
}

// ---- the workspace's side ----

std::expected<void, QString> X11Workspace::setDesktopImageURL(const QUrl& file, const ScreenInfo& screen)
{
    if (!file.isLocalFile())
        return std::unexpected(QStringLiteral("%1 is not a file").arg(file.toString()));
    auto x = m_session->connection();
    const PlistValue* number = screen.deviceDescription.value(QStringLiteral("NSScreenNumber"));
    const auto id = number ? number->integer() : std::nullopt;
    if (!x || !id)
        return std::unexpected(QStringLiteral("no such screen"));
    for (const Monitor& m : m_session->layout(*x).monitors) {
        if (m.number == std::uint32_t(*id))
            return m_pictures->choose(file.toLocalFile(), m.screen);
    }
    return std::unexpected(QStringLiteral("no such screen"));
}

} // namespace lumivast::x11
