#include "Platform/X11/DesktopChanges.h"

#include "Platform/X11/Windows.h"

namespace lumivast::x11 {

namespace {

void requestCount(XConnection& x, int screen, std::uint32_t count)
{
    x.sendRootMessage(screen, x.root(screen), x.atoms().numberOfDesktops, count);
    x.flush();
}

} // namespace

void X11DesktopManagement::confirm(std::function<bool(XConnection&)> shown, Completion done)
{
    const auto check = m_checks.insert(m_checks.end(), Check{std::move(shown), std::move(done), 0, {}});
    // The first check one interval after the request: the window manager has not read it before.
    check->next = m_session->scheduler().after(kConfirmInterval, [this, check] { runCheck(check); });
}

void X11DesktopManagement::runCheck(Checks::iterator check)
{
    auto x = m_session->connection();
    const bool shown = x && check->shown(*x);
    if (!shown && ++check->count < kConfirmChecks) {
        check->next = m_session->scheduler().after(kConfirmInterval, [this, check] { runCheck(check); });
        return;
    }
    const Completion done = std::move(check->done);
    m_checks.erase(check); // the scheduler keeps the running work alive
    done(shown ? Outcome::done : Outcome::notDone);
}

void X11DesktopManagement::finishAtOnce(Completion done, Outcome outcome)
{
    m_session->scheduler().post([done = std::move(done), outcome] { done(outcome); });
}

void X11DesktopManagement::addDesktop(Completion done)
{
    auto x = m_session->connection();
    const std::vector<Row> rows = x ? readRows(*x) : std::vector<Row>();
    const int screen = x ? pointerScreen(*x) : 0;
    if (!x || !rows[std::size_t(screen)].managed) {
        finishAtOnce(std::move(done), Outcome::notDone);
        return;
    }
    const std::uint32_t wanted = rows[std::size_t(screen)].count + 1;
    requestCount(*x, screen, wanted);
    confirm([screen, wanted](XConnection& c) { return readRows(c)[std::size_t(screen)].count == wanted; }, std::move(done));
}

void X11DesktopManagement::removeDesktop(int number, Completion done)
{
    auto x = m_session->connection();
    const std::vector<Row> rows = x ? readRows(*x) : std::vector<Row>();
    // The desktop's row and index: desktops are numbered across the rows in order.
    int screen = -1;
    std::uint32_t index = 0;
    int counted = 0;
    for (const Row& row : rows) {
        if (row.managed && number > counted && number <= counted + int(row.count)) {
            screen = row.screen;
            index = std::uint32_t(number - counted - 1);
        }
        counted += int(row.count);
    }
    if (screen < 0) {
        finishAtOnce(std::move(done), Outcome::noSuchDesktop);
        return;
    }
    const Row row = rows[std::size_t(screen)];
    if (row.count < 2) {
        // A row keeps one desktop at least.
        finishAtOnce(std::move(done), Outcome::notDone);
        return;
    }
    // Its windows to the desktop before it (the next one, which becomes the first, when it is the
    // first); every later desktop's windows down one, so each keeps its place in the row.
    const auto moved = [index](std::uint32_t desktop) -> std::uint32_t {
        if (desktop == index)
            return index == 0 ? 0 : index - 1;
        return desktop - 1;
    };
    for (const ClientWindow& w : readClientWindows(*x)) {
        if (w.screen != screen || !w.desktop || *w.desktop == kAllDesktops || *w.desktop < index)
            continue;
        x->sendRootMessage(screen, w.id, x->atoms().wmDesktop, moved(*w.desktop), 2);
    }
    // The desktop shown stays the one with the same windows.
    if (row.current >= index)
        requestDesktop(*x, screen, moved(row.current));
    requestCount(*x, screen, row.count - 1);
    const std::uint32_t wanted = row.count - 1;
    confirm([screen, wanted](XConnection& c) { return readRows(c)[std::size_t(screen)].count == wanted; }, std::move(done));
}

} // namespace lumivast::x11
