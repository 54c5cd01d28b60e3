#include "UI/Overview/OverlayController.h"

#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Switching/SpaceSwitcher.h"
#include "Core/Windows/WindowMover.h"
#include "Platform/Platform.h"
#include "UI/Alerts/FileChooser.h"
#include "UI/Overview/OverlayView.h"
#include "UI/Overview/OverlayWindow.h"

#include <QVBoxLayout>

namespace lumivast {

namespace {

DialogFileChooser& dialogChooser()
{
    static DialogFileChooser chooser;
    return chooser;
}

} // namespace

OverlayController::OverlayController(Scheduler& scheduler, SpaceWatcher& watcher, SpaceStore& store,
                                     ThumbnailService& thumbnails, SpaceSwitcher& switcher, SpaceContents& contents,
                                     AlertService& alerts, CommandSink& sink, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_watcher(watcher)
    , m_thumbnails(thumbnails)
    , m_switcher(switcher)
    , m_alerts(alerts)
    , m_sink(sink)
    , m_fileChooser(&dialogChooser())
    , m_model(scheduler, watcher, store, thumbnails, contents)
{
    QPointer<OverlayController> self(this);
    m_model.onCommit = [self](const Space& space) {
        if (self)
            self->commit(space);
    };
    m_model.onClose = [self] {
        if (self)
            self->hide(true);
    };
    wireTileActions();
}

void OverlayController::wireTileActions()
{
    QPointer<OverlayController> self(this);
    m_model.onFocusApp = [self](const Space& space, const SpaceContents::AppOnSpace& app) {
        if (!self)
            return;
        self->hide(false);
        self->m_sink.switchTo(space);
        self->later(kRaiseAfterSwitch, [app] {
            if (!app.windowIDs.empty())
                WindowMover::raise(WindowMover::FrontWindow{app.windowIDs.front(), app.pid, {}});
            Platform::current().runningApplications().activate(app.pid);
        });
    };
    m_model.onMoveWindowHere = [self](const Space& space) {
        if (!self)
            return;
        self->hide(true);
        CommandSink* sink = &self->m_sink;
        self->later(kMoveAfterClose, [sink, space] { sink->moveFrontWindow(space); });
    };
    m_model.onSetUp = [self](const Space& space) {
        if (!self)
            return;
        self->hide(false);
        self->m_sink.switchTo(space);
        CommandSink* sink = &self->m_sink;
        self->later(kSetupAfterSwitch, [sink, space] { sink->setUp(space); });
    };
    m_model.onEditSpace = [self](const Space& space) {
        if (!self)
            return;
        self->hide(false);
        self->m_sink.editSpace(space);
    };
}

void OverlayController::later(Duration delay, std::function<void()> work)
{
    std::erase_if(m_tileWork, [](const WorkItem& item) { return !item.isPending(); });
    m_tileWork.push_back(m_scheduler.after(delay, std::move(work)));
}

OverlayController::~OverlayController()
{
    // The windows draw the model: none may outlive it, fading or not.
    for (const QPointer<OverlayWindow>& window : m_closing)
        delete window.data();
    delete m_window.data();
    delete m_spare.data();
}

void OverlayController::show()
{
    if (m_window || m_transitioning)
        return;
    m_transitioning = true;
    QPointer<OverlayController> self(this);
    m_thumbnails.captureActiveSpacesNow(m_watcher.snapshot(), [self] {
        if (!self)
            return;
        self->presentWindow();
        self->m_transitioning = false;
    });
}

void OverlayController::presentWindow()
{
    Screens& screens = Platform::current().screens();
    std::optional<ScreenInfo> screen = DisplayGeometry::screenUnderMouse();
    if (!screen) {
        const auto all = screens.screens();
        if (!all.empty())
            screen = all.front();
    }
    if (!screen)
        return;

    m_openedWithOption = Settings::overlayHotKey() != OverlayHotKeyPreset::f13;
    m_model.prepare(*screen, displayOn(*screen));
    m_thumbnails.setSuspended(true);
    m_previousApp = Platform::current().runningApplications().frontmostApplication();

    OverlayWindow* window = takeWindow();
    // A new view each opening: no hover, scroll, drag or animation of the last one carries over.
    auto* view = new OverlayView(m_scheduler, m_model, m_pictures, kCornerRadius, m_alerts, *m_fileChooser, window);
    window->layout()->addWidget(view);
    window->setModelFrame(screen->frame);

    QPointer<OverlayController> self(this);
    window->keyHandler = [self](const OverlayKey& key) { return self ? self->handleKey(key) : false; };
    window->flagsHandler = [self](const OverlayFlags& flags) {
        if (self)
            self->handleFlags(flags);
    };
    window->onResignKey = [self] {
        if (self)
            self->hide(false);
    };
    m_window = window;
    m_view = view;

    window->present(kFade);
    window->raise();
    window->activateWindow();
    window->setFocus(Qt::ActiveWindowFocusReason);
    m_model.setPresented(true);
    emit presented();
}

std::optional<QString> OverlayController::displayOn(const ScreenInfo& screen) const
{
    if (const DisplaySpaces* own = DisplayGeometry::displayShownOn(screen, m_watcher.snapshot()))
        return own->id;
    // A screen that is no row's own display shows the row that spans several (another monitor of one X screen).
    for (const DisplaySpaces& display : m_watcher.snapshot().displays) {
        if (display.id == QLatin1String("Main"))
            return display.id;
    }
    return std::nullopt;
}

OverlayWindow* OverlayController::takeWindow()
{
    if (OverlayWindow* spare = m_spare.data()) {
        m_spare = nullptr;
        return spare;
    }
    auto* window = new OverlayWindow(m_scheduler);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    return window;
}

void OverlayController::prepareWindow()
{
    if (m_spare || m_window)
        return;
    const std::optional<ScreenInfo> screen = Platform::current().screens().mainScreen();
    if (!screen)
        return;
    OverlayWindow* window = takeWindow();
    window->setModelFrame(screen->frame);
    window->prepareBuffer();
    m_spare = window;
    // The first opening finds the previews decoded at the main screen's tile
    // size, and the shadows, borders and symbols made, as later ones do.
    m_model.prepare(*screen, displayOn(*screen));
    OverlayView view(m_scheduler, m_model, m_pictures, kCornerRadius, m_alerts, *m_fileChooser, window);
    view.resize(window->size());
    view.prepareDrawing();
}

void OverlayController::hide(bool restoreFocus)
{
    if (!m_window)
        return;
    QPointer<OverlayWindow> window = m_window;
    m_window = nullptr;
    // The closing window acts on nothing more: no keys, no modifier changes, no loss of focus.
    window->dropHandlers();
    m_thumbnails.setSuspended(false);
    m_model.setPresented(false);
    m_model.setEditingID(std::nullopt);
    m_model.setDraggingID(std::nullopt);
    std::erase_if(m_closing, [](const QPointer<OverlayWindow>& w) { return w.isNull(); });
    m_closing.push_back(window);
    QPointer<OverlayView> view = m_view;
    m_view = nullptr;
    QPointer<OverlayController> self(this);
    window->dismiss(kFade, [self, window, view] {
        if (view) {
            view->hide();
            view->deleteLater();
        }
        if (!window)
            return;
        // Kept for the next opening unless one is kept already (an opening during the fade took a new window).
        if (self && !self->m_spare) {
            std::erase(self->m_closing, window);
            self->m_spare = window;
        } else {
            window->deleteLater();
        }
    });
    if (restoreFocus && m_previousApp)
        Platform::current().runningApplications().activate(m_previousApp->pid);
    m_previousApp.reset();
}

void OverlayController::commit(const Space& space)
{
    const SpaceSnapshot snapshot = m_watcher.snapshot();
    hide(false);
    QPointer<OverlayController> self(this);
    m_switchWork = m_scheduler.after(kSwitchDelay, [self, space, snapshot] {
        if (self)
            self->m_switcher.switchTo(space, snapshot);
    });
}

bool OverlayController::handleKey(const OverlayKey& key)
{
    // While a name is edited in place, every key is the field's.
    if (m_model.editingID())
        return false;
    switch (key.key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_model.commitSelection();
        return true;
    case Qt::Key_Escape:
        if (!m_model.query().isEmpty())
            m_model.setQuery(QString());
        else
            hide(true);
        return true;
    case Qt::Key_Space:
        if (m_model.query().isEmpty())
            m_model.commitSelection();
        else
            m_model.setQuery(m_model.query() + QLatin1Char(' '));
        return true;
    case Qt::Key_Backspace:
        m_model.deleteBackward();
        return true;
    case Qt::Key_Tab:
        m_model.cycle(!key.shift());
        return true;
    case Qt::Key_Left:
        m_model.move(-1, 0);
        return true;
    case Qt::Key_Right:
        m_model.move(1, 0);
        return true;
    case Qt::Key_Down:
        m_model.move(0, 1);
        return true;
    case Qt::Key_Up:
        m_model.move(0, -1);
        return true;
    default:
        break;
    }

    if (!key.commandOrControl()) {
        // A desktop digit: Option makes no difference, and 0 stands for 10.
        if (m_model.query().isEmpty() && key.shiftedText.size() == 1 && key.shiftedText.at(0).isDigit()
            && key.shiftedText.at(0).unicode() < 0x80) {
            const int digit = key.shiftedText.at(0).digitValue();
            return m_model.selectDesktop(digit == 0 ? 10 : digit);
        }
        if (OverlayTyping::isTypable(key.text)) {
            const bool plainSpace = key.text == QLatin1String(" ") && m_model.query().isEmpty();
            if (!plainSpace) {
                m_model.setQuery(m_model.query() + key.text);
                return true;
            }
        }
    }
    if (key.isKeyLeftOfOne) {
        m_model.cycle(!key.shift());
        return true;
    }
    return false;
}

void OverlayController::handleFlags(const OverlayFlags& flags)
{
    // Only the release of Option itself walks to the selection; Shift for a capital letter does not.
    if (!m_openedWithOption || m_model.editingID() || !flags.released.testFlag(Qt::AltModifier)
        || flags.modifiers.testFlag(Qt::AltModifier))
        return;
    if (!m_model.selectedID())
        return;
    if (m_model.initialSelectionID != m_model.selectedID())
        m_model.commitSelection();
}

} // namespace lumivast
