#include "Platform/X11/Names.h"

#include "Platform/X11/Desktops.h"
#include "Platform/X11/X11Log.h"

#include <utility>
#include <vector>

namespace lumivast::x11 {

X11DesktopNames::X11DesktopNames(std::shared_ptr<Session> session) : m_session(std::move(session))
{
    // Written again where they differ from ours; where they do not, nothing is written, so this ends.
    m_session->onRootChange(m_lifetime.guard([this](Session::RootChange) {
        if (m_names)
            setStoredNames(*m_names);
    }));
}

void X11DesktopNames::setStoredNames(const std::map<std::uint64_t, QString>& names)
{
    m_names = names;
    auto x = m_session->connection();
    if (!x)
        return;
    const std::vector<Row> rows = readRows(*x);
    std::vector<std::pair<int, xcb_void_cookie_t>> writes;
    for (const Row& row : rows) {
        if (!row.managed)
            continue;
        std::map<std::uint32_t, QString> stored;
        for (const auto& [managed, name] : names) {
            const auto desktop = desktopFor(managed);
            if (desktop && desktop->screen == row.screen && desktop->index < row.count)
                stored[desktop->index] = name;
        }
        const xcb_window_t root = x->root(row.screen);
        const QStringList current =
            decodeNames(x->readBytes(x->requestProperty(root, x->atoms().desktopNames, x->atoms().utf8String, 16384)).value_or(QByteArray()));
        auto& original = m_original[row.screen];
        auto& written = m_written[row.screen];
        // A name of ours the user took back: the window manager's comes back, unless someone renamed it since.
        std::map<std::uint32_t, QString> wanted = stored;
        for (const auto& [index, ours] : written) {
            if (!stored.contains(index) && index < std::uint32_t(current.size()) && current[int(index)] == ours
                && original.contains(index))
                wanted[index] = original[index];
        }
        for (const auto& [index, name] : stored) {
            if (!original.contains(index))
                original[index] = index < std::uint32_t(current.size()) ? current[int(index)] : QString();
        }
        const QStringList merged = mergedNames(current, wanted, row.count);
        for (auto it = written.begin(); it != written.end();) {
            it = stored.contains(it->first) ? std::next(it) : written.erase(it);
        }
        for (const auto& [index, name] : stored)
            written[index] = name;
        for (auto it = original.begin(); it != original.end();)
            it = stored.contains(it->first) ? std::next(it) : original.erase(it);
        if (merged == current)
            continue;
        const QByteArray bytes = encodeNames(merged);
        writes.emplace_back(row.screen, xcb_change_property_checked(x->get(), XCB_PROP_MODE_REPLACE, root, x->atoms().desktopNames,
                                                                    x->atoms().utf8String, 8, std::uint32_t(bytes.size()),
                                                                    bytes.constData()));
    }
    x->flush();
    // Names are written seldom (only where they differ), so each write is checked.
    for (const auto& [screen, cookie] : writes) {
        Reply<xcb_generic_error_t> error(xcb_request_check(x->get(), cookie));
        if (error)
            qCWarning(lcX11) << "the X server refused the desktop names of screen" << screen << ", error" << error->error_code;
    }
}

std::map<std::uint64_t, QString> X11DesktopNames::shownNames()
{
    std::map<std::uint64_t, QString> shown;
    auto x = m_session->connection();
    if (!x)
        return shown;
    for (const Row& row : readRows(*x)) {
        if (!row.managed)
            continue;
        const QStringList names = decodeNames(
            x->readBytes(x->requestProperty(x->root(row.screen), x->atoms().desktopNames, x->atoms().utf8String, 16384)).value_or(QByteArray()));
        for (std::uint32_t index = 0; index < row.count && index < std::uint32_t(names.size()); ++index)
            shown[managedNumber(row.screen, index)] = names[int(index)];
    }
    return shown;
}

} // namespace lumivast::x11
