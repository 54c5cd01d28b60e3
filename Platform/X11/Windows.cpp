#include "Platform/X11/Windows.h"

#include "Platform/X11/DesktopEntries.h"
#include "Platform/X11/Desktops.h"
#include "Platform/X11/Monitors.h"


#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include <algorithm>
#include <cstring>
#include <set>
#include <span>

namespace lumivast::x11 {

namespace {


QImage iconNamed(const QString& name)
{
    if (name.isEmpty())
        return {};
    const QIcon icon = QFileInfo(name).isAbsolute() ? QIcon(name) : QIcon::fromTheme(name);
    return icon.isNull() ? QImage() : icon.pixmap(128).toImage();
}

} // namespace

void describeApplication(RunningApplication& app, const QString& windowClass)
{
    if (windowClass.isEmpty())
        return;
    if (const auto entry = DesktopEntries::shared().forClass(windowClass)) {
        app.bundleID = entry->id;
        app.localizedName = entry->name.isEmpty() ? windowClass : entry->name;
    } else {
        app.localizedName = windowClass;
    }
}

std::vector<ClientWindow> readClientWindows(XConnection& x, Session* session)
{
    const Atoms& a = x.atoms();
    // Taken before any request goes out: a change the event thread sees from here on keeps nothing this read learns.
    const std::uint64_t generation = session ? session->factsGeneration() : 0;
    const int screens = int(x.screens().size());
    // Round trip one: the rows and every screen's stacking list.
    RowReader rowReader(x);
    std::vector<xcb_get_property_cookie_t> lists;
    lists.reserve(std::size_t(screens));
    for (int s = 0; s < screens; ++s)
        lists.push_back(x.requestProperty(x.root(s), a.clientListStacking, XCB_ATOM_WINDOW, 65536));
    rowReader.sendChecks();
    std::vector<ClientWindow> windows;
    for (int s = 0; s < screens; ++s) {
        const Reply<xcb_get_property_reply_t> list = x.readProperty(lists[std::size_t(s)]);
        if (!rowReader.mayBeManaged(s))
            continue;
        const std::span<const std::uint32_t> ids = cardinalsOf(list.get());
        windows.reserve(windows.size() + ids.size());
        // The stacking list runs bottom to top; the window list runs front to back.
        for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
            ClientWindow w;
            w.id = *it;
            w.screen = s;
            windows.push_back(std::move(w));
        }
    }
    // Round trip two: the check windows' own references, and each listed window's requests sent with them
    // on the guess that its screen is managed; a stale check is rare, and its windows' replies are dropped.
    struct Pending {
        std::optional<WindowFacts> known; // kept by the session: pid, class and type are not asked for
        xcb_get_property_cookie_t pid, netName, extents, type, klass, desktop, state;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
        xcb_get_window_attributes_cookie_t attributes;
    };
    std::vector<std::optional<WindowFacts>> known(windows.size());
    if (generation != 0) {
        std::vector<xcb_window_t> ids;
        ids.reserve(windows.size());
        for (const ClientWindow& w : windows)
            ids.push_back(w.id);
        known = session->keptFacts(ids, generation);
    }
    std::vector<Pending> pending(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const xcb_window_t id = windows[i].id;
        Pending& p = pending[i];
        p.known = std::move(known[i]);
        if (!p.known) {
            p.pid = x.requestProperty(id, a.wmPid, XCB_ATOM_CARDINAL, 1);
            p.type = x.requestProperty(id, a.wmWindowType, XCB_ATOM_ATOM, 16);
            p.klass = x.requestProperty(id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256);
        }
        p.netName = x.requestProperty(id, a.wmName, a.utf8String, 1024);
        p.extents = x.requestProperty(id, a.frameExtents, XCB_ATOM_CARDINAL, 4);
        p.desktop = x.requestProperty(id, a.wmDesktop, XCB_ATOM_CARDINAL, 1);
        p.state = x.requestProperty(id, a.wmState, XCB_ATOM_ATOM, 32);
        p.geometry = xcb_get_geometry(x.get(), id);
        p.origin = xcb_translate_coordinates(x.get(), id, x.root(windows[i].screen), 0, 0);
        p.attributes = xcb_get_window_attributes(x.get(), id);
    }
    const std::vector<Row> rows = rowReader.finish();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (rows[std::size_t(windows[i].screen)].managed) {
            if (kept != i) {
                windows[kept] = std::move(windows[i]);
                pending[kept] = std::move(pending[i]);
            }
            ++kept;
            continue;
        }
        const Pending& p = pending[i];
        if (!p.known) {
            for (unsigned int sequence : {p.pid.sequence, p.type.sequence, p.klass.sequence})
                xcb_discard_reply(x.get(), sequence);
        }
        for (unsigned int sequence : {p.netName.sequence, p.extents.sequence, p.desktop.sequence, p.state.sequence,
                                      p.geometry.sequence, p.origin.sequence, p.attributes.sequence})
            xcb_discard_reply(x.get(), sequence);
    }
    windows.resize(kept);
    pending.resize(kept);

    const std::vector<int> offsets = screenOffsets(x);
    std::vector<std::size_t> withoutPid, withoutNetName;
    std::vector<std::pair<xcb_window_t, WindowFacts>> learnt;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        ClientWindow& w = windows[i];
        Pending& p = pending[i];
        WindowFacts facts;
        if (p.known) {
            facts = std::move(*p.known);
        } else {
            // Values are read in place from each reply: no copies on the way.
            if (const auto pid = x.readProperty(p.pid); !cardinalsOf(pid.get()).empty())
                facts.pid = std::int32_t(cardinalsOf(pid.get())[0]);
            if (const auto types = x.readProperty(p.type); !cardinalsOf(types.get()).empty())
                facts.type = cardinalsOf(types.get())[0];
            // WM_CLASS: the instance name, NUL, the class name, NUL.
            if (const auto klass = x.readProperty(p.klass); present(klass.get())) {
                const QByteArrayView bytes = bytesOf(klass.get());
                if (const qsizetype first = bytes.indexOf('\0'); first >= 0) {
                    const QByteArrayView rest = bytes.sliced(first + 1);
                    const qsizetype end = rest.indexOf('\0');
                    facts.appClass = QString::fromLocal8Bit(end < 0 ? rest : rest.first(end));
                }
            }
            if (generation != 0)
                learnt.emplace_back(w.id, facts);
        }
        if (facts.pid)
            w.pid = *facts.pid;
        else
            withoutPid.push_back(i);
        if (facts.type) {
            w.normalLayer = *facts.type == a.typeNormal || *facts.type == a.typeDialog || *facts.type == a.typeUtility;
            w.desktopElement = *facts.type == a.typeDesktop;
        }
        w.appClass = std::move(facts.appClass);
        if (const auto netName = x.readProperty(p.netName); present(netName.get()))
            w.title = QString::fromUtf8(bytesOf(netName.get()));
        else
            withoutNetName.push_back(i);
        const auto extentsReply = x.readProperty(p.extents);
        const std::span<const std::uint32_t> extents = cardinalsOf(extentsReply.get());
        if (const auto desktop = x.readProperty(p.desktop); !cardinalsOf(desktop.get()).empty())
            w.desktop = cardinalsOf(desktop.get())[0];
        {
            const auto states = x.readProperty(p.state);
            const std::span<const std::uint32_t> values = cardinalsOf(states.get());
            w.minimised = std::find(values.begin(), values.end(), a.wmStateHidden) != values.end();
        }
        Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(x.get(), p.geometry, nullptr));
        Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(x.get(), p.origin, nullptr));
        Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(x.get(), p.attributes, nullptr));
        if (geometry && origin) {
            int left = 0, right = 0, top = 0, bottom = 0;
            if (extents.size() == 4) {
                left = int(extents[0]);
                right = int(extents[1]);
                top = int(extents[2]);
                bottom = int(extents[3]);
            }
            w.frame = QRect(offsets[std::size_t(w.screen)] + origin->dst_x - left, origin->dst_y - top,
                            geometry->width + left + right, geometry->height + top + bottom);
        }
        w.viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    if (!learnt.empty())
        session->keepFacts(generation, std::move(learnt));
    if (generation != 0) {
        // The per-window Spaces questions that follow a listing are answered from it.
        std::vector<std::pair<xcb_window_t, Session::WindowPlace>> places;
        places.reserve(windows.size());
        for (const ClientWindow& w : windows)
            places.emplace_back(w.id, Session::WindowPlace{w.screen, w.desktop});
        session->keepPlaces(generation, std::move(places));
    }
    if (withoutPid.empty() && withoutNetName.empty())
        return windows;
    // Round trip three, only for windows that need it: the old-style title where there is no
    // UTF-8 one, and for windows without a pid (some window managers list windows of their own
    // so) the client that the server knows owns them.
    std::vector<xcb_get_property_cookie_t> names;
    names.reserve(withoutNetName.size());
    for (std::size_t i : withoutNetName)
        names.push_back(x.requestProperty(windows[i].id, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 1024));
    std::vector<xcb_window_t> unowned;
    unowned.reserve(withoutPid.size());
    for (std::size_t i : withoutPid)
        unowned.push_back(windows[i].id);
    const XConnection::ClientPidCookies owners = x.requestClientPids(unowned);
    for (std::size_t k = 0; k < withoutNetName.size(); ++k) {
        if (const auto name = x.readProperty(names[k]); present(name.get()))
            windows[withoutNetName[k]].title = QString::fromLatin1(bytesOf(name.get()));
    }
    const std::vector<std::int32_t> pids = x.readClientPids(owners);
    for (std::size_t k = 0; k < withoutPid.size(); ++k) {
        if (pids[k] != 0)
            windows[withoutPid[k]].pid = pids[k];
    }
    return windows;
}

PlistValue X11Windows::copyWindowInfo(std::uint32_t options, std::uint32_t relativeToWindow)
{
    auto x = m_session->connection();
    if (!x)
        return {};
    // The window list itself is always read afresh: a caller that changed something asks right after.
    std::vector<ClientWindow> windows = listing(*x, nullptr, false);
    PlistValue::Array list;
    list.reserve(windows.size());
    for (ClientWindow& w : windows) {
        if ((options & kOptionIncludingWindow) && w.id != relativeToWindow)
            continue;
        if ((options & kOptionOnScreenOnly) && !w.viewable)
            continue;
        if ((options & kOptionExcludeDesktopElements) && w.desktopElement)
            continue;
        // Built in place: a dictionary made from a list of pairs copies every value once more.
        PlistValue::Dict bounds;
        bounds.reserve(4);
        bounds.push_back({QStringLiteral("X"), PlistValue(double(w.frame.x()))});
        bounds.push_back({QStringLiteral("Y"), PlistValue(double(w.frame.y()))});
        bounds.push_back({QStringLiteral("Width"), PlistValue(double(w.frame.width()))});
        bounds.push_back({QStringLiteral("Height"), PlistValue(double(w.frame.height()))});
        PlistValue::Dict entry;
        entry.reserve(7);
        entry.push_back({WindowListKey::layer, PlistValue(w.normalLayer ? 0 : 3)});
        entry.push_back({WindowListKey::number, PlistValue(std::int64_t(w.id))});
        entry.push_back({WindowListKey::bounds, PlistValue(std::move(bounds))});
        entry.push_back({WindowListKey::alpha, PlistValue(1.0)});
        entry.push_back({WindowListKey::name, PlistValue(std::move(w.title))});
        if (w.pid > 0)
            entry.push_back({WindowListKey::ownerPID, PlistValue(w.pid)});
        if (!w.appClass.isEmpty())
            entry.push_back({WindowListKey::ownerName, PlistValue(std::move(w.appClass))});
        list.emplace_back(std::move(entry));
    }
    return PlistValue(std::move(list));
}

std::vector<ClientWindow> X11Windows::listing(XConnection& x, std::optional<xcb_window_t>* active, bool mayReuse)
{
    // The active window is always asked for (it answers which application is in front, right after a
    // switch); it goes out before the listing's first requests, so it costs no round trip of its own.
    std::optional<xcb_get_property_cookie_t> activeCookie;
    if (active)
        activeCookie = x.requestProperty(x.root(x.defaultScreen()), x.atoms().activeWindow, XCB_ATOM_WINDOW, 1);
    const auto readActive = [&] {
        if (!activeCookie)
            return;
        const auto ids = x.readCardinals(*activeCookie);
        *active = ids && !ids->empty() ? std::optional<xcb_window_t>((*ids)[0]) : std::nullopt;
    };
    const std::uint64_t generation = m_session->listingGeneration();
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(m_listingMutex);
        if (mayReuse && generation != 0 && m_listing.generation == generation && now - m_listing.readAt < kListingReuse) {
            std::vector<ClientWindow> kept = m_listing.windows;
            readActive();
            return kept;
        }
    }
    std::vector<ClientWindow> windows = readClientWindows(x, m_session.get());
    readActive();
    std::lock_guard lock(m_listingMutex);
    m_listing = Listing{generation, now, windows};
    return windows;
}

std::vector<RunningApplication> X11Windows::applications(const std::vector<ClientWindow>& windows, std::optional<xcb_window_t> active)
{
    std::optional<std::int32_t> activePID;
    if (active) {
        for (const ClientWindow& w : windows) {
            if (w.id == *active)
                activePID = w.pid;
        }
    }
    std::vector<RunningApplication> apps;
    std::set<std::int32_t> seen;
    for (const ClientWindow& w : windows) {
        if (w.pid <= 0 || !seen.insert(w.pid).second)
            continue;
        RunningApplication app;
        app.pid = w.pid;
        describeApplication(app, w.appClass);
        app.activationPolicy = ActivationPolicy::regular;
        app.isActive = activePID == w.pid;
        // Hidden: every one of its windows is minimised.
        app.isHidden = std::all_of(windows.begin(), windows.end(), [&](const ClientWindow& o) { return o.pid != w.pid || o.minimised; });
        apps.push_back(std::move(app));
    }
    return apps;
}

std::vector<RunningApplication> X11Windows::runningApplications()
{
    auto x = m_session->connection();
    if (!x)
        return {};
    std::optional<xcb_window_t> active;
    std::vector<ClientWindow> windows = listing(*x, &active);
    return applications(windows, active);
}

std::optional<RunningApplication> X11Windows::runningApplication(std::int32_t pid)
{
    for (RunningApplication& app : runningApplications()) {
        if (app.pid == pid)
            return app;
    }
    return std::nullopt;
}

std::optional<RunningApplication> X11Windows::frontmostApplication()
{
    for (RunningApplication& app : runningApplications()) {
        if (app.isActive)
            return app;
    }
    return std::nullopt;
}

QImage X11Windows::icon(std::int32_t pid)
{
    auto x = m_session->connection();
    if (!x)
        return {};
    const std::vector<ClientWindow> windows = listing(*x);
    for (const ClientWindow& w : windows) {
        if (w.pid != pid)
            continue;
        // _NET_WM_ICON: width, height, then ARGB pixels; the largest image is kept.
        const auto data = x->readCardinals(x->requestProperty(w.id, x->atoms().wmIcon, XCB_ATOM_CARDINAL, 1 << 20));
        QImage best;
        if (data) {
            std::size_t i = 0;
            while (i + 2 <= data->size()) {
                const std::uint32_t width = (*data)[i], height = (*data)[i + 1];
                if (width == 0 || height == 0 || width > 1024 || height > 1024 || i + 2 + std::size_t(width) * height > data->size())
                    break;
                if (int(width) > best.width()) {
                    QImage image(int(width), int(height), QImage::Format_ARGB32);
                    for (std::uint32_t row = 0; row < height; ++row)
                        std::memcpy(image.scanLine(int(row)), data->data() + i + 2 + std::size_t(row) * width, width * 4);
                    best = image;
                }
                i += 2 + std::size_t(width) * height;
            }
        }
        if (!best.isNull())
            return best;
        if (const auto entry = DesktopEntries::shared().forClass(w.appClass))
            return iconNamed(DesktopEntries::iconOf(entry->id));
        return {};
    }
    return {};
}

QImage X11Windows::iconForBundle(const QString& bundleID)
{
    return iconNamed(DesktopEntries::iconOf(bundleID));
}

std::optional<QStringList> X11Windows::folderEntries(const QString& folder)
{
    QDir dir(folder);
    if (!dir.exists() || !dir.isReadable())
        return std::nullopt;
    QStringList entries;
    for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted))
        entries << info.absoluteFilePath();
    return entries;
}

std::optional<QString> X11Windows::bundleIdentifier(const QString& bundlePath)
{
    // An application here is a desktop entry; its id is the file's name.
    if (!bundlePath.endsWith(QLatin1String(".desktop")) || !QFileInfo(bundlePath).isReadable())
        return std::nullopt;
    return QFileInfo(bundlePath).completeBaseName();
}

QImage X11Windows::iconForFile(const QString& path)
{
    if (path.endsWith(QLatin1String(".desktop")))
        return iconNamed(DesktopEntries::iconOfFile(path));
    return {};
}

bool X11Windows::activate(std::int32_t pid)
{
    auto x = m_session->connection();
    if (!x)
        return false;
    const std::vector<ClientWindow> windows = readClientWindows(*x, m_session.get());
    const std::vector<Row> rows = readRows(*x);
    // Its focused window when that is on a current desktop, else its front window
    // on one, else its latest one, whose desktop is shown first.
    const ClientWindow* target = nullptr;
    if (const auto focused = m_session->focusedWindow(pid)) {
        for (const ClientWindow& w : windows) {
            const Row& row = rows[std::size_t(w.screen)];
            if (w.id == *focused && w.pid == pid && !w.minimised && w.desktop && (*w.desktop == row.current || *w.desktop == 0xFFFFFFFF))
                target = &w;
        }
    }
    for (const ClientWindow& w : windows) {
        if (target)
            break;
        const Row& row = rows[std::size_t(w.screen)];
        if (w.pid == pid && w.desktop && (*w.desktop == row.current || *w.desktop == 0xFFFFFFFF)) {
            target = &w;
            break;
        }
    }
    if (!target) {
        for (const ClientWindow& w : windows) {
            if (w.pid == pid) {
                target = &w;
                break;
            }
        }
        if (!target)
            return false;
        if (target->desktop && *target->desktop != 0xFFFFFFFF)
            requestDesktop(*x, target->screen, *target->desktop);
    }
    // Source 2: a pager, which the window manager obeys as the user's own request.
    x->sendRootMessage(target->screen, target->id, x->atoms().activeWindow, 2, XCB_CURRENT_TIME, 0);
    return true;
}

bool X11Windows::hide(std::int32_t pid)
{
    auto x = m_session->connection();
    if (!x)
        return false;
    bool any = false;
    for (const ClientWindow& w : readClientWindows(*x, m_session.get())) {
        if (w.pid == pid && w.viewable) {
            x->sendRootMessage(w.screen, w.id, x->atoms().changeState, kICCCMIconic);
            any = true;
        }
    }
    return any;
}

bool X11Windows::unhide(std::int32_t pid)
{
    auto x = m_session->connection();
    if (!x)
        return false;
    bool any = false;
    for (const ClientWindow& w : readClientWindows(*x, m_session.get())) {
        if (w.pid == pid && w.minimised) {
            xcb_map_window(x->get(), w.id);
            any = true;
        }
    }
    x->flush();
    return any;
}

} // namespace lumivast::x11
