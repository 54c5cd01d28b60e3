#include "Platform/X11/Desktops.h"

#include <QUuid>

namespace lumivast::x11 {

std::optional<DesktopRef> desktopFor(std::uint64_t managedID)
{
    if (managedID == 0)
        return std::nullopt;
    const std::uint64_t screen = (managedID - 1) / kManagedPerScreen;
    const std::uint64_t index = (managedID - 1) % kManagedPerScreen;
    return DesktopRef{int(screen), std::uint32_t(index)};
}

std::vector<Row> readRows(XConnection& x)
{
    RowReader reader(x);
    reader.sendChecks();
    return reader.finish();
}

RowReader::RowReader(XConnection& x) : m_x(x)
{
    const Atoms& a = x.atoms();
    const int n = int(x.screens().size());
    for (int s = 0; s < n; ++s) {
        m_first.push_back({x.requestProperty(x.root(s), a.supportingWmCheck, XCB_ATOM_WINDOW, 1),
                           x.requestProperty(x.root(s), a.numberOfDesktops, XCB_ATOM_CARDINAL, 1),
                           x.requestProperty(x.root(s), a.currentDesktop, XCB_ATOM_CARDINAL, 1)});
    }
}

void RowReader::sendChecks()
{
    m_rows.resize(m_first.size());
    for (std::size_t s = 0; s < m_first.size(); ++s) {
        Row& row = m_rows[s];
        row.screen = int(s);
        const auto check = m_x.readCardinals(m_first[s].check);
        const auto count = m_x.readCardinals(m_first[s].count);
        const auto current = m_x.readCardinals(m_first[s].current);
        row.check = check && !check->empty() ? (*check)[0] : 0;
        row.count = count && !count->empty() ? (*count)[0] : 0;
        row.current = current && !current->empty() ? (*current)[0] : 0;
    }
    // A check property left behind by a window manager that died points at a
    // window that is gone or no longer points at itself.
    for (const Row& row : m_rows) {
        if (row.check != 0)
            m_checks.emplace_back(row.screen, m_x.requestProperty(row.check, m_x.atoms().supportingWmCheck, XCB_ATOM_WINDOW, 1));
    }
}

bool RowReader::mayBeManaged(int screen) const
{
    const Row& row = m_rows[std::size_t(screen)];
    return row.check != 0 && row.count > 0;
}

std::vector<Row> RowReader::finish()
{
    for (const auto& [screen, cookie] : m_checks) {
        Row& row = m_rows[std::size_t(screen)];
        const auto self = m_x.readCardinals(cookie);
        row.managed = self && !self->empty() && (*self)[0] == row.check && row.count > 0;
    }
    for (Row& row : m_rows) {
        if (!row.managed) {
            row.count = 0;
            row.current = 0;
        } else if (row.current >= row.count) {
            row.current = row.count - 1;
        }
    }
    return std::move(m_rows);
}

QString rowIdentifier(int screen, int defaultScreen)
{
    if (screen == defaultScreen)
        return QStringLiteral("Main");
    static const QUuid ns = QUuid::fromString(QStringLiteral("{3e0f5a7c-81d2-4b6e-a4c9-5d2e7f901b3a}"));
    return QUuid::createUuidV5(ns, QStringLiteral("x11-screen-%1").arg(screen)).toString(QUuid::WithoutBraces).toUpper();
}

PlistValue spacesList(const std::vector<Row>& rows, int defaultScreen)
{
    PlistValue::Array list;
    for (const Row& row : rows) {
        if (!row.managed)
            continue;
        auto space = [&](std::uint32_t index) {
            const auto id = std::int64_t(managedNumber(row.screen, index));
            return PlistValue::dict({{QStringLiteral("ManagedSpaceID"), PlistValue(id)},
                                     {QStringLiteral("id64"), PlistValue(id)},
                                     {QStringLiteral("type"), PlistValue(0)}});
        };
        PlistValue::Array spaces;
        for (std::uint32_t i = 0; i < row.count; ++i)
            spaces.push_back(space(i));
        PlistValue display = PlistValue::dict({{QStringLiteral("Display Identifier"), rowIdentifier(row.screen, defaultScreen)}});
        display.insert(QStringLiteral("Current Space"), space(row.current));
        display.insert(QStringLiteral("Spaces"), PlistValue(std::move(spaces)));
        list.push_back(std::move(display));
    }
    if (list.empty())
        return {};
    return PlistValue(std::move(list));
}

int pointerScreen(XConnection& x)
{
    const int n = int(x.screens().size());
    std::vector<xcb_query_pointer_cookie_t> cookies;
    for (int s = 0; s < n; ++s)
        cookies.push_back(xcb_query_pointer(x.get(), x.root(s)));
    int found = -1;
    for (int s = 0; s < n; ++s) {
        Reply<xcb_query_pointer_reply_t> reply(xcb_query_pointer_reply(x.get(), cookies[std::size_t(s)], nullptr));
        if (reply && reply->same_screen && found < 0)
            found = s;
    }
    return found < 0 ? x.defaultScreen() : found;
}

void requestDesktop(XConnection& x, int screen, std::uint32_t index)
{
    // The same request a pager sends; no key binding of the window manager's own is relied on.
    x.sendRootMessage(screen, x.root(screen), x.atoms().currentDesktop, index, XCB_CURRENT_TIME);
}

QStringList decodeNames(const QByteArray& bytes)
{
    QStringList names;
    if (bytes.isEmpty())
        return names;
    QByteArray data = bytes;
    if (data.endsWith('\0'))
        data.chop(1);
    for (const QByteArray& part : data.split('\0'))
        names << QString::fromUtf8(part);
    return names;
}

QByteArray encodeNames(const QStringList& names)
{
    QByteArray bytes;
    for (const QString& name : names) {
        bytes += name.toUtf8();
        bytes += '\0';
    }
    return bytes;
}

QStringList mergedNames(QStringList current, const std::map<std::uint32_t, QString>& stored, std::uint32_t count)
{
    for (const auto& [index, name] : stored) {
        if (index >= count)
            continue;
        while (std::uint32_t(current.size()) <= index)
            current << QString();
        current[int(index)] = name;
    }
    return current;
}

} // namespace lumivast::x11
