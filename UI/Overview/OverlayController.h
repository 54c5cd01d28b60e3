#pragma once

#include "Core/Commands/CommandSink.h"
#include "Core/Overview/OverlayViewModel.h"
#include "Platform/RunningApplications.h"
#include "Platform/Scheduler.h"
#include "UI/Overview/OverlayKey.h"
#include "UI/Overview/OverlayPictureCache.h"
#include "UI/Overview/OverlayView.h"
#include "UI/Overview/OverlayWindow.h"

#include <QObject>
#include <QPointer>

#include <optional>
#include <vector>

namespace lumivast {

class AlertService;
class FileChooser;
class SpaceStore;
class SpaceSwitcher;
class SpaceWatcher;
class ThumbnailService;

// Owns the overview: its model, for the life of the process, and its
// full-screen windows. An opening waits for fresh previews of the visible
// Spaces, so the tiles are current and the overview never photographs itself;
// keys and the release of Option drive the model; a commit closes the window
// and switches a moment later. A window that has faded out is kept, hidden,
// for the next opening, which gets a new view in it; an opening while the
// last window still fades takes a new window. Main thread only.
class OverlayController final : public QObject {
    Q_OBJECT
public:
    static constexpr Duration kFade = 160ms;
    static constexpr Duration kSwitchDelay = 50ms; // after closing, before switching
    // A tile action's steps after the overview closed.
    static constexpr Duration kRaiseAfterSwitch = 350ms;
    static constexpr Duration kMoveAfterClose = 250ms;
    static constexpr Duration kSetupAfterSwitch = 400ms;
    static constexpr qreal kCornerRadius = 14;

    // The tiles' own actions (focus an app, move the front window here, set
    // up, edit) close the overview and go to `sink`.
    OverlayController(Scheduler& scheduler, SpaceWatcher& watcher, SpaceStore& store, ThumbnailService& thumbnails,
                      SpaceSwitcher& switcher, SpaceContents& contents, AlertService& alerts, CommandSink& sink,
                      QObject* parent = nullptr);
    ~OverlayController() override;
    OverlayController(const OverlayController&) = delete;
    OverlayController& operator=(const OverlayController&) = delete;

    OverlayViewModel& model() { return m_model; }
    // The open window; null while closed, also while the last one fades out.
    OverlayWindow* window() const { return m_window; }
    OverlayView* view() const { return m_view; }
    // The pictures every opening's view draws from.
    OverlayPictureCache& pictures() { return m_pictures; }
    bool isOpen() const { return m_window != nullptr; }
    bool isTransitioning() const { return m_transitioning; }
    // The hot-key setting named a preset held with Option at the last opening.
    bool openedWithOption() const { return m_openedWithOption; }

    // Opens the overview once the visible Spaces have fresh previews; does
    // nothing while it is open or already opening.
    void show();
    // Closes the overview; with `restoreFocus`, the application that was in
    // front before it opened comes forward again at once.
    void hide(bool restoreFocus);

    // The key table; true when the key was used.
    bool handleKey(const OverlayKey& key);
    void handleFlags(const OverlayFlags& flags);

    // Makes the next opening's window ahead, hidden, with its drawing buffer
    // for the main screen, and draws the content once off screen so its
    // pictures are ready; nothing when a window is open or already kept.
    void prepareWindow();
    // The hidden window kept for the next opening, if any.
    OverlayWindow* spareWindow() const { return m_spare; }

    // Where the tile menu asks for picture files (the dialog unless replaced).
    void setFileChooser(FileChooser* chooser) { m_fileChooser = chooser; }

signals:
    // The window has been shown (for measurements and tests).
    void presented();

private:
    void presentWindow();
    OverlayWindow* takeWindow();
    std::optional<QString> displayOn(const ScreenInfo& screen) const;
    void commit(const Space& space);
    void wireTileActions();
    void later(Duration delay, std::function<void()> work);

    Scheduler& m_scheduler;
    SpaceWatcher& m_watcher;
    ThumbnailService& m_thumbnails;
    SpaceSwitcher& m_switcher;
    AlertService& m_alerts;
    CommandSink& m_sink;
    FileChooser* m_fileChooser;
    OverlayViewModel m_model;
    OverlayPictureCache m_pictures;
    QPointer<OverlayWindow> m_window;
    QPointer<OverlayView> m_view;
    std::vector<QPointer<OverlayWindow>> m_closing; // still fading out
    // A fresh full-screen buffer costs its whole size in page faults at the
    // first paint, the larger part of an opening: one closed window is kept.
    QPointer<OverlayWindow> m_spare;
    std::optional<RunningApplication> m_previousApp;
    bool m_openedWithOption = false;
    bool m_transitioning = false;
    WorkItem m_switchWork;
    std::vector<WorkItem> m_tileWork; // a tile action's steps after the overview closed
};

} // namespace lumivast
