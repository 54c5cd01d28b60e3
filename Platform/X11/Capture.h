#pragma once

#include "Platform/ScreenCapture.h"
#include "Platform/SerialQueue.h"
#include "Platform/X11/Session.h"

#include <QImage>
#include <QRect>

#include <atomic>
#include <memory>
#include <mutex>

namespace lumivast::x11 {

// The root's background (the desktop picture, as wallpaper setters publish it
// in _XROOTPMAP_ID) over `rect` of `screen`'s root; null when the root has none.
QImage rootBackground(XConnection& x, int screen, const QRect& rect);

// Pictures of the monitors. Only what a monitor shows can be captured: the
// windows of the other desktops are unmapped and have no contents. A picture
// with every window is a grab of the root (through MIT-SHM where the server
// shares memory with us); one that leaves windows out is composed from the
// Composite pixmaps of the top-level windows, back to front, over the root
// background. For those pixmaps to hold what other windows cover, the
// top-level windows stay redirected (automatically: the server still draws
// the screen) from `prepare()` on, for as long as the connection lives.
// Capturing runs on a queue of its own; answers come through the scheduler's post.
class X11Capture final : public ScreenCapture {
public:
    // The one text every answer carries in a Wayland session, where only X11 clients could be seen.
    static inline const QString kWaylandNotGranted =
        QStringLiteral("Screen capture is not granted in a Wayland session");

    X11Capture(std::shared_ptr<Session> session, bool wayland);

    // Starts keeping the top-level windows' contents; done again on a new connection.
    void prepare();

    void shareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly, Answer<ShareableContent> answer) override;
    void captureImage(const StillImageRequest& request, Answer<QImage> answer) override;

private:
    template <typename T>
    void answerLater(const Answer<T>& answer, std::expected<T, QString> result);
    std::expected<ShareableContent, QString> content(bool excludeDesktopWindows);
    std::expected<QImage, QString> image(const StillImageRequest& request);
    // The connection with the windows redirected; null without a display.
    std::shared_ptr<XConnection> redirectedConnection();

    std::shared_ptr<Session> m_session;
    bool m_wayland;
    std::mutex m_redirectMutex;
    std::weak_ptr<XConnection> m_redirected;
    std::atomic<bool> m_composite{false}; // the server has Composite
    SerialQueue m_queue{QStringLiteral("lumivast.capture")}; // last: its end waits for the work in it
};

} // namespace lumivast::x11
