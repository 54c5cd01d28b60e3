#include "Platform/X11/Monitors.h"

#include "Platform/Coordinates.h"
#include "Platform/X11/Desktops.h"

#include <xcb/randr.h>

#include <QUuid>

namespace lumivast::x11 {

namespace {

bool builtinName(const QString& name)
{
    for (const char* prefix : {"eDP", "LVDS", "DSI"}) {
        if (name.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString monitorUuid(const QString& name, const QByteArray& edid)
{
    static const QUuid ns = QUuid::fromString(QStringLiteral("{9a4c2e71-5b3d-4f08-8e6a-1c7d3b2f4a90}"));
    return QUuid::createUuidV5(ns, name.toUtf8() + '\0' + edid).toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

QString uuidForScreen(int screen)
{
    return rowIdentifier(screen, -1);
}

std::vector<int> screenOffsets(const XConnection& x)
{
    std::vector<int> offsets;
    int offset = 0;
    for (const xcb_screen_t* screen : x.screens()) {
        offsets.push_back(offset);
        offset += screen->width_in_pixels;
    }
    return offsets;
}

Layout readLayout(XConnection& x)
{
    Layout layout;
    const int n = int(x.screens().size());
    layout.screenOffsets = screenOffsets(x);
    std::vector<xcb_randr_get_monitors_cookie_t> cookies;
    for (int s = 0; s < n; ++s)
        cookies.push_back(xcb_randr_get_monitors(x.get(), x.root(s), 1));
    std::vector<Monitor> monitors;
    // Names and EDIDs are asked for all at once, then read: one round trip, not two per monitor.
    std::vector<xcb_get_atom_name_cookie_t> names;
    std::vector<std::optional<xcb_randr_get_output_property_cookie_t>> edids;
    const xcb_atom_t edid = x.atom("EDID");
    for (int s = 0; s < n; ++s) {
        Reply<xcb_randr_get_monitors_reply_t> reply(xcb_randr_get_monitors_reply(x.get(), cookies[std::size_t(s)], nullptr));
        const int offsetX = layout.screenOffsets[std::size_t(s)];
        bool any = false;
        if (reply) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem; xcb_randr_monitor_info_next(&it)) {
                const xcb_randr_monitor_info_t* info = it.data;
                Monitor m;
                m.screen = s;
                m.number = info->name;
                m.global = QRect(offsetX + info->x, info->y, info->width, info->height);
                m.primary = info->primary;
                names.push_back(xcb_get_atom_name(x.get(), info->name));
                if (xcb_randr_monitor_info_outputs_length(info) > 0)
                    edids.push_back(xcb_randr_get_output_property(x.get(), xcb_randr_monitor_info_outputs(info)[0], edid,
                                                                  XCB_ATOM_ANY, 0, 256, 0, 0));
                else
                    edids.push_back(std::nullopt);
                monitors.push_back(std::move(m));
                any = true;
            }
        }
        if (!any) {
            // A server without RandR monitors: the whole screen is one.
            const xcb_screen_t* screen = x.screens()[std::size_t(s)];
            Monitor m;
            m.screen = s;
            m.name = QStringLiteral("screen-%1").arg(s);
            m.number = x.atom(m.name.toUtf8());
            m.global = QRect(offsetX, 0, screen->width_in_pixels, screen->height_in_pixels);
            m.primary = true;
            m.uuid = monitorUuid(m.name, {});
            monitors.push_back(std::move(m));
        }
    }
    std::size_t asked = 0;
    for (Monitor& m : monitors) {
        if (!m.uuid.isEmpty())
            continue; // named without RandR
        Reply<xcb_get_atom_name_reply_t> name(xcb_get_atom_name_reply(x.get(), names[asked], nullptr));
        if (name)
            m.name = QString::fromUtf8(xcb_get_atom_name_name(name.get()), xcb_get_atom_name_name_length(name.get()));
        QByteArray bytes;
        if (edids[asked]) {
            Reply<xcb_randr_get_output_property_reply_t> reply(xcb_randr_get_output_property_reply(x.get(), *edids[asked], nullptr));
            if (reply && reply->format == 8)
                bytes = QByteArray(reinterpret_cast<const char*>(xcb_randr_get_output_property_data(reply.get())),
                                   xcb_randr_get_output_property_data_length(reply.get()));
        }
        m.builtin = builtinName(m.name);
        m.uuid = monitorUuid(m.name, bytes);
        ++asked;
    }
    // The default screen's primary monitor comes first: it carries the menu bar.
    auto primary = std::find_if(monitors.begin(), monitors.end(),
                                [&x](const Monitor& m) { return m.screen == x.defaultScreen() && m.primary; });
    if (primary == monitors.end())
        primary = std::find_if(monitors.begin(), monitors.end(), [&x](const Monitor& m) { return m.screen == x.defaultScreen(); });
    if (primary != monitors.end())
        std::rotate(monitors.begin(), primary, primary + 1);
    layout.monitors = std::move(monitors);
    if (const Monitor* p = layout.primary())
        layout.primaryHeight = p->global.y() + p->global.height();
    return layout;
}

std::vector<ScreenInfo> screenInfos(XConnection& x, const Layout& layout)
{
    const int n = int(x.screens().size());
    std::vector<xcb_get_property_cookie_t> areas, currents;
    for (int s = 0; s < n; ++s) {
        areas.push_back(x.requestProperty(x.root(s), x.atoms().workarea, XCB_ATOM_CARDINAL, 4 * 64));
        currents.push_back(x.requestProperty(x.root(s), x.atoms().currentDesktop, XCB_ATOM_CARDINAL, 1));
    }
    std::vector<std::optional<QRect>> workAreas;
    for (int s = 0; s < n; ++s) {
        const auto area = x.readCardinals(areas[std::size_t(s)]);
        const auto current = x.readCardinals(currents[std::size_t(s)]);
        const std::size_t desktop = current && !current->empty() ? (*current)[0] : 0;
        std::optional<QRect> rect;
        if (area && area->size() >= 4 * (desktop + 1)) {
            const auto* v = area->data() + 4 * desktop;
            rect = QRect(layout.screenOffsets[std::size_t(s)] + int(v[0]), int(v[1]), int(v[2]), int(v[3]));
        }
        workAreas.push_back(rect);
    }
    std::vector<ScreenInfo> result;
    for (const Monitor& m : layout.monitors) {
        ScreenInfo info;
        info.localizedName = m.name;
        info.frame = Coordinates::flipped(QRectF(m.global), layout.primaryHeight);
        QRectF visible = QRectF(m.global);
        if (const auto& area = workAreas[std::size_t(m.screen)]; area && area->intersects(m.global))
            visible = QRectF(area->intersected(m.global));
        info.visibleFrame = Coordinates::flipped(visible, layout.primaryHeight);
        info.deviceDescription = PlistValue::dict({{QStringLiteral("NSScreenNumber"), PlistValue(m.number)}});
        result.push_back(std::move(info));
    }
    return result;
}

} // namespace lumivast::x11
