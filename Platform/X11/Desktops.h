#pragma once

// The window manager's desktops as the window server's Spaces list: one row per
// X screen that an EWMH window manager manages, its desktops in EWMH order.

#include "Platform/PlistValue.h"
#include "Platform/X11/XConnection.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <vector>

namespace lumivast::x11 {

// One X screen as the desktop conventions describe it.
struct Row {
    int screen = 0;
    bool managed = false;   // an EWMH window manager's check window is in place
    xcb_window_t check = 0; // that check window
    std::uint32_t count = 0;
    std::uint32_t current = 0;
    bool operator==(const Row&) const = default;
};

// Managed numbers leave room per screen, so a screen gaining a desktop renumbers no other screen's Spaces.
constexpr std::uint64_t kManagedPerScreen = 1000;
constexpr std::uint64_t managedNumber(int screen, std::uint32_t index)
{
    return kManagedPerScreen * std::uint64_t(screen) + index + 1;
}
// The screen and desktop index a managed number stands for.
struct DesktopRef {
    int screen = 0;
    std::uint32_t index = 0;
};
std::optional<DesktopRef> desktopFor(std::uint64_t managedID);

// Every screen's row, read with one round trip per stage.
std::vector<Row> readRows(XConnection& x);

// readRows in its two stages, for a caller that sends requests of its own with each,
// so that they share the round trips.
class RowReader {
public:
    explicit RowReader(XConnection& x); // sends the first stage
    // Reads the first stage and sends the second.
    void sendChecks();
    // After sendChecks: the screen has a check window and desktops, so it is managed unless the check is stale.
    bool mayBeManaged(int screen) const;
    // Reads the second stage.
    std::vector<Row> finish();

private:
    struct Pending {
        xcb_get_property_cookie_t check, count, current;
    };
    XConnection& m_x;
    std::vector<Pending> m_first;
    std::vector<std::pair<int, xcb_get_property_cookie_t>> m_checks;
    std::vector<Row> m_rows;
};
// "Main" for the default screen; any other screen a UUID that stays the same from run to run.
QString rowIdentifier(int screen, int defaultScreen);
// The list as the window server gives it; null when no screen has a window manager.
PlistValue spacesList(const std::vector<Row>& rows, int defaultScreen);
// The screen that holds the pointer; the default one when none answers.
int pointerScreen(XConnection& x);

// Asks the window manager to show desktop `index` of `screen`.
void requestDesktop(XConnection& x, int screen, std::uint32_t index);

// _NET_DESKTOP_NAMES: NUL-separated UTF-8 names, possibly more or fewer than desktops.
QStringList decodeNames(const QByteArray& bytes);
QByteArray encodeNames(const QStringList& names);
// The names to write: `stored` (by desktop index) over the window manager's own; names past the count stay.
QStringList mergedNames(QStringList current, const std::map<std::uint32_t, QString>& stored, std::uint32_t count);

} // namespace lumivast::x11
