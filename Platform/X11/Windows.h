#pragma once

#include "Platform/RunningApplications.h"
#include "Platform/WindowList.h"
#include "Platform/X11/Session.h"

#include <QRect>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace lumivast::x11 {

// One managed client window as the window manager's lists and its properties describe it.
struct ClientWindow {
    xcb_window_t id = 0;
    int screen = 0;
    std::int32_t pid = 0;          // 0: unknown
    QString title;
    QString appClass;              // WM_CLASS's class part
    QRect frame;                   // the window grown by the frame extents, global, top-left origin
    bool viewable = false;
    bool minimised = false;        // _NET_WM_STATE_HIDDEN
    bool normalLayer = true;       // normal, dialog and utility windows (and untyped ones)
    bool desktopElement = false;   // the desktop's own background window
    std::optional<std::uint32_t> desktop; // 0xFFFFFFFF: every desktop of its row
};

// Every client window of every managed screen, front to back, read with
// pipelined requests: one round trip per stage, not per window. With a
// session, the facts it keeps are not asked for again.
std::vector<ClientWindow> readClientWindows(XConnection& x, Session* session = nullptr);

// The window list and the running applications (the pids that own client windows).
class X11Windows final : public WindowList, public RunningApplications {
public:
    explicit X11Windows(std::shared_ptr<Session> session) : m_session(std::move(session)) {}

    PlistValue copyWindowInfo(std::uint32_t options, std::uint32_t relativeToWindow) override;
    // A window is moved by asking the window manager (_NET_WM_DESKTOP); a synthetic press
    // lands on whatever is under the pointer by then, which may be another window.
    bool carriesDraggedWindows() override { return false; }

    std::vector<RunningApplication> runningApplications() override;
    std::optional<RunningApplication> runningApplication(std::int32_t pid) override;
    std::optional<RunningApplication> frontmostApplication() override;
    QImage icon(std::int32_t pid) override;
    QImage iconForBundle(const QString& bundleID) override;
    std::optional<QStringList> folderEntries(const QString& folder) override;
    std::optional<QString> bundleIdentifier(const QString& bundlePath) override;
    QImage iconForFile(const QString& path) override;
    bool activate(std::int32_t pid) override;
    bool hide(std::int32_t pid) override;
    bool unhide(std::int32_t pid) override;

    // The applications and icons are answered from the last listing (the window list reads
    // afresh and keeps it) while the event thread has seen no change since, and for this long
    // at most (its events may lag a little behind).
    static constexpr std::chrono::milliseconds kListingReuse{1000};

private:
    struct Listing {
        std::uint64_t generation = 0; // 0: none kept
        std::chrono::steady_clock::time_point readAt;
        std::vector<ClientWindow> windows;
    };
    // The client windows as the latest listing saw them where nothing changed since; `active`: the
    // default root's active window, read now.
    std::vector<ClientWindow> listing(XConnection& x, std::optional<xcb_window_t>* active = nullptr, bool mayReuse = true);
    std::vector<RunningApplication> applications(const std::vector<ClientWindow>& windows, std::optional<xcb_window_t> active);

    std::shared_ptr<Session> m_session;
    std::mutex m_listingMutex;
    Listing m_listing;
};

// What a window class tells of its application: the id and the name of the desktop entry that
// names the class (StartupWMClass, or the entry's own id), else the class as its name.
void describeApplication(RunningApplication& app, const QString& windowClass);

} // namespace lumivast::x11
