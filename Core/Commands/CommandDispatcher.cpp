#include "Core/Commands/CommandDispatcher.h"

#include "Core/Automation/AutomationRunner.h"
#include "Core/Commands/SpaceResolution.h"
#include "Core/MissionControl/SpaceManagement.h"
#include "Core/Notes/NoteFiles.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Profiles/ProfileStore.h"
#include "Core/Profiles/SpaceTemplate.h"
#include "Core/Settings/Settings.h"
#include "Core/Shell/SettingsTransfer.h"
#include "Core/Shell/Updater.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceHistory.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Switching/ShortcutManager.h"
#include "Core/Switching/SpaceSwitcher.h"
#include "Core/Windows/LayoutManager.h"
#include "Core/Windows/SavedSpaces.h"
#include "Core/Windows/Scratchpad.h"
#include "Core/Windows/SpaceMinimizer.h"
#include "Core/Windows/WindowMarks.h"
#include "Core/Windows/WindowMover.h"
#include "Platform/Platform.h"
#include "Platform/SystemParts.h"

#include <QPointer>

#include <algorithm>
#include <limits>
#include <memory>

namespace lumivast {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

// Earlier than anything the scheduler reports, without overflowing when subtracted from.
constexpr Duration kDistantPast = Duration(std::numeric_limits<Duration::rep>::min() / 4);

const QString kProfileSymbol = QStringLiteral("person.crop.rectangle.stack");

QString trimmed(const QString& text)
{
    return text.trimmed(); // white space and new lines at both ends
}

} // namespace

CommandDispatcher::CommandDispatcher(Services services, Parts& parts, Views& views, QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_parts(parts)
    , m_views(views)
    , m_desktopRequests(services.scheduler)
    , m_lastOwnSwitch(kDistantPast)
{
}

CommandDispatcher::~CommandDispatcher() = default;

std::optional<Space> CommandDispatcher::resolve(const SpaceCommand::SpaceRef& ref, const SpaceSnapshot& snapshot) const
{
    return lumivast::resolve(ref, snapshot, [this](const Space& space) { return m_services.store.displayName(space); });
}

void CommandDispatcher::notFound(const SpaceCommand::SpaceRef& ref)
{
    // Without any desktop the reason is what the user needs, not the missing one.
    if (m_services.watcher.snapshot().allSpaces().empty()) {
        const QString why = Platform::current().parts().whyNoDesktops();
        if (!why.isEmpty())
            return errorToast(why);
    }
    std::visit(Overloaded{
                   [this](const SpaceCommand::SpaceRef::Number& n) {
                       errorToast(tr("There is no Desktop %1").arg(n.value));
                   },
                   [this](const SpaceCommand::SpaceRef::Name& name) {
                       errorToast(tr("No Space is called %1").arg(name.text));
                   },
                   [](const SpaceCommand::SpaceRef::Current&) {},
               },
               ref.value);
}

void CommandDispatcher::switchOwn(const Space& target, const SpaceSnapshot& snapshot)
{
    m_lastOwnSwitch = m_services.scheduler.now();
    m_services.switcher.switchTo(target, snapshot);
}

const DisplaySpaces* CommandDispatcher::steppingDisplay(const SpaceSnapshot& snapshot,
                                                        std::optional<DisplaySpaces>& underMouse) const
{
    // The display under the pointer (found only with two or more), else the menu-bar display.
    underMouse = m_services.switcher.displayUnderMouse(snapshot);
    if (underMouse) {
        for (const DisplaySpaces& display : snapshot.displays) {
            if (display.id == underMouse->id)
                return &display;
        }
    }
    return snapshot.menuBarDisplay();
}

SpaceNavigator CommandDispatcher::navigator() const
{
    return SpaceNavigator(SpaceNavigator::Options::fromSettings(),
                          [this](const Space& space) { return m_services.contents.isEmpty(space); });
}

void CommandDispatcher::step(SpaceNavigator::Direction direction, const SpaceSnapshot& snapshot)
{
    std::optional<DisplaySpaces> underMouse;
    const DisplaySpaces* display = steppingDisplay(snapshot, underMouse);
    // Quick presses step on from one in flight.
    const Space* from = display ? m_services.switcher.destination(*display) : nullptr;
    if (!from)
        return;
    const auto target = navigator().step(direction, *display, *from);
    if (!target)
        return;
    // Up and down count as the program's own switch; left and right do not.
    if (direction == SpaceNavigator::Direction::up || direction == SpaceNavigator::Direction::down)
        switchOwn(*target, snapshot);
    else
        m_services.switcher.switchTo(*target, snapshot);
}

void CommandDispatcher::moveWindowStep(bool right, const SpaceSnapshot& snapshot)
{
    std::optional<DisplaySpaces> underMouse;
    const DisplaySpaces* display = steppingDisplay(snapshot, underMouse);
    const Space* from = display ? m_services.switcher.destination(*display) : nullptr;
    if (!from)
        return;
    if (const auto target = navigator().windowStep(right, *display, *from))
        moveFrontWindow(*target);
}

void CommandDispatcher::perform(const SpaceCommand& command)
{
    const SpaceSnapshot snapshot = m_services.watcher.snapshot();
    SpaceStore& store = m_services.store;
    using C = SpaceCommand;
    using Direction = SpaceNavigator::Direction;
    std::visit(
        Overloaded{
            [&](const C::SwitchTo& c) {
                const auto space = resolve(c.target, snapshot);
                if (!space)
                    return notFound(c.target);
                switchOwn(navigator().switchTarget(*space, m_services.history.previous(snapshot)), snapshot);
            },
            [&](const C::Step& c) { step(c.right ? Direction::right : Direction::left, snapshot); },
            [&](const C::MoveWindow& c) {
                const auto space = resolve(c.target, snapshot);
                if (!space)
                    return notFound(c.target);
                moveFrontWindow(*space);
            },
            [&](const C::MoveWindowStep& c) { moveWindowStep(c.right, snapshot); },
            [&](const C::Rename& c) {
                const auto space = resolve(c.target, snapshot);
                if (!space)
                    return notFound(c.target);
                if (!c.name)
                    return m_views.renameInDialog(*space);
                store.setName(trimmed(*c.name), space->id);
            },
            [&](const C::Note& c) {
                const auto space = resolve(c.target, snapshot);
                if (!space)
                    return notFound(c.target);
                store.setNote(c.text ? std::optional<QString>(trimmed(*c.text)) : std::nullopt, space->id);
            },
            [&](const C::Setup& c) {
                const auto space = resolve(c.target, snapshot);
                if (!space)
                    return notFound(c.target);
                if (!space->isActive)
                    switchOwn(*space, snapshot);
                const Space target = *space;
                later(AutomationRunner::kSetupAfterSwitch,
                      [target](CommandDispatcher& d) { d.m_parts.automation().runSetup(target); });
            },
            [&](const C::Profile& c) { performProfile(c.name); },
            [&](const C::Template& c) { performTemplate(c.name); },
            [&](const C::Windows& c) { m_views.showWindowFinder(c.allSpaces); },
            [&](const C::RemoveDesktop& c) {
                const auto space = resolve(c.target, snapshot);
                if (!space || !space->desktopNumber)
                    return notFound(c.target);
                removeDesktop(*space->desktopNumber);
            },
            [&](const C::Notes& c) {
                const auto space = resolve(c.target, snapshot);
                if (!space)
                    return notFound(c.target);
                NoteFiles::open(*space, store);
            },
            [&](const C::Step2D& c) { step(c.up ? Direction::up : Direction::down, snapshot); },
            [&](const C::Back&) {
                if (const auto previous = m_services.history.previous(snapshot))
                    switchOwn(*previous, snapshot);
            },
            [&](const C::Overview&) { m_views.toggleOverview(); },
            [&](const C::Settings&) { m_views.openSettings(std::nullopt); },
            [&](const C::Diagnostics&) {
                const ShortcutManager* shortcuts = m_parts.shortcutManager();
                SettingsTransfer::copyDiagnostics(snapshot, shortcuts ? shortcuts->failures() : QStringList());
                toast(tr("Diagnostics copied"));
            },
            [&](const C::SaveLayout&) {
                const WindowLayout layout = m_parts.layouts().save(LayoutManager::kManual, snapshot);
                toast(tr("Saved the position of %1 windows").arg(layout.entries.size()), QStringLiteral("rectangle.3.group"));
            },
            [&](const C::RestoreLayout&) {
                const QString setup = LayoutManager::displaySetup(snapshot);
                auto layout = m_parts.layouts().load(LayoutManager::kManual, setup);
                if (!layout)
                    layout = m_parts.layouts().load(LayoutManager::kAuto, setup);
                if (!layout)
                    return errorToast(tr("No saved window layout for these displays yet"));
                QPointer<CommandDispatcher> self(this);
                m_parts.layouts().restore(*layout, snapshot, [self](int n) {
                    if (self)
                        self->toast(tr("Put %1 windows back on their Spaces").arg(n), QStringLiteral("rectangle.3.group"));
                });
            },
            [&](const C::Eject&) {
                QPointer<CommandDispatcher> self(this);
                m_parts.layouts().ejectExternalDisplays(snapshot, [self](int n) {
                    if (self)
                        self->toast(tr("Moved %1 windows off external displays. Safe to unplug.").arg(n), QStringLiteral("eject"));
                });
            },
            [&](const C::Launcher&) { m_views.showLauncher(); },
            [&](const C::Scratchpad&) { toggleScratchpad(); },
            [&](const C::MinimizeAll&) {
                const Space* space = snapshot.currentSpace();
                if (!space)
                    return;
                const int n = m_services.minimizer.minimizeAll(*space, m_services.contents);
                toast(tr("Minimized %1 windows. Undo from the Lumivast menu.").arg(n),
                      QStringLiteral("arrow.down.right.and.arrow.up.left"));
            },
            [&](const C::UndoMinimize&) { m_services.minimizer.undo(); },
            [&](const C::SaveAndClose&) {
                const Space* space = snapshot.currentSpace();
                if (!space)
                    return;
                const auto saved = m_parts.savedSpaces().saveAndClose(*space);
                if (!saved)
                    return errorToast(SavedSpaces::description(saved.error()));
                toast(tr("Saved %1 with %2 apps and closed its windows").arg(saved->name, QString::number(saved->apps.size())),
                      QStringLiteral("archivebox"));
            },
            [&](const C::AddDesktop&) { addDesktop(); },
            [&](const C::DemoTour&) { m_views.runDemoTour(); },
        },
        command.value);
}

void CommandDispatcher::switchTo(const Space& space)
{
    switchOwn(space, m_services.watcher.snapshot());
}

void CommandDispatcher::moveFrontWindow(const Space& space)
{
    const SpaceSnapshot snapshot = m_services.watcher.snapshot();
    const auto frontmost = Platform::current().runningApplications().frontmostApplication();
    const QString appName = frontmost && frontmost->localizedName ? *frontmost->localizedName : QStringLiteral("Window");
    const bool follow = Settings::defaults().boolValue(Settings::Key::followMovedWindow);

    QPointer<CommandDispatcher> self(this);
    auto report = [self, appName, space](WindowMover::Result result) {
        if (!self)
            return;
        if (result)
            self->toast(tr("Moved %1 to %2").arg(appName, self->m_services.store.displayName(space)),
                        QStringLiteral("macwindow.and.cursorarrow"));
        else
            self->errorToast(WindowMover::description(result.error()));
        self->m_services.contents.refresh();
    };
    const auto front = WindowMover::frontWindow();
    if (!front)
        return report(std::unexpected(WindowMover::Failure::noWindow));
    m_parts.mover().move(*front, space, snapshot, follow, true, std::move(report));
}

void CommandDispatcher::setUp(const Space& space)
{
    m_parts.automation().runSetup(space);
}

void CommandDispatcher::editSpace(const Space& space)
{
    m_views.openSettings(space.id);
}

void CommandDispatcher::refreshPreviews()
{
    m_services.thumbnails.captureActiveSpaces(m_services.watcher.snapshot(), kPreviewRefreshDelay);
}

void CommandDispatcher::restoreSaved(const SavedSpace& saved)
{
    m_parts.savedSpaces().restore(saved);
    toast(tr("Reopening %1").arg(saved.name), QStringLiteral("archivebox"));
}

void CommandDispatcher::reportError(const QString& message)
{
    errorToast(message);
}

void CommandDispatcher::overviewHotKey()
{
    m_views.overviewHotKey();
}

void CommandDispatcher::captureMark(bool set)
{
    toast(set ? tr("Press a letter to mark this window") : tr("Press the letter of a marked window"),
          QStringLiteral("bookmark"));
    QPointer<CommandDispatcher> self(this);
    m_services.marks.captureLetter([self, set](const QString& letter) {
        if (!self)
            return;
        CommandDispatcher& d = *self;
        WindowMarks& marks = d.m_services.marks;
        if (set) {
            const auto front = WindowMover::frontWindow();
            if (!front)
                return d.toast(tr("No window to mark"), QStringLiteral("bookmark.fill"));
            marks.marks[letter] = {front->id, front->pid};
            return d.toast(tr("Marked as %1").arg(letter.toUpper()), QStringLiteral("bookmark.fill"));
        }
        const auto mark = marks.marks.find(letter);
        if (mark == marks.marks.end())
            return d.errorToast(tr("Nothing is marked as %1").arg(letter.toUpper()));
        const WindowMover::FrontWindow window{mark->second.id, mark->second.pid, {}};
        const auto& windows = d.m_services.contents.windows();
        const auto listed = std::find_if(windows.begin(), windows.end(),
                                         [&](const SpaceContents::WindowInfo& w) { return w.id == window.id; });
        if (listed == windows.end())
            return WindowMover::raise(window);
        d.goToWindow(*listed, d.m_services.watcher.snapshot());
    });
}

void CommandDispatcher::goToWindow(const SpaceContents::WindowInfo& window)
{
    goToWindow(window, m_services.watcher.snapshot());
}

void CommandDispatcher::bringWindowHere(const SpaceContents::WindowInfo& window)
{
    QPointer<CommandDispatcher> self(this);
    m_parts.mover().bringHere(window, m_services.watcher.snapshot(), [self](WindowMover::Result result) {
        if (self && !result)
            self->errorToast(WindowMover::description(result.error()));
    });
}

// Switches to the window's Space when it is not the active one and raises the
// window there; a window on an active (or unknown) Space is raised at once.
void CommandDispatcher::goToWindow(const SpaceContents::WindowInfo& info, const SpaceSnapshot& snapshot)
{
    const WindowMover::FrontWindow window{info.id, info.pid, info.frame};
    const std::vector<Space> all = snapshot.allSpaces();
    const auto space = std::find_if(all.begin(), all.end(), [&](const Space& s) { return s.managedID == info.spaceID; });
    if (space == all.end() || space->isActive)
        return WindowMover::raise(window);
    switchOwn(*space, m_services.watcher.snapshot());
    later(350ms, [window](CommandDispatcher&) { WindowMover::raise(window); });
}

bool CommandDispatcher::activateProfile(const QString& name)
{
    const auto activated = m_parts.profiles().activate(name);
    if (activated)
        toast(tr("Profile: %1").arg(name), kProfileSymbol);
    else if (activated.error() == ProfileStore::Failure::notWritten)
        errorToast(tr("Could not switch to profile %1: the files could not be written").arg(name));
    return activated || activated.error() != ProfileStore::Failure::noSuchProfile;
}

void CommandDispatcher::performProfile(const QString& name)
{
    if (!activateProfile(name))
        errorToast(tr("No profile is called %1").arg(name));
}

void CommandDispatcher::activateProfileForDisplaySetup(const QString& setup)
{
    const QMap<QString, QString> bound = Settings::profileByDisplaySetup();
    const auto it = bound.constFind(setup);
    if (it == bound.constEnd())
        return;
    const QString name = it.value();
    if (name == Settings::defaults().string(Settings::Key::activeProfile).value_or(QString()))
        return;
    activateProfile(name);
}

void CommandDispatcher::performTemplate(const QString& name)
{
    std::vector<SpaceTemplate> candidates = SpaceTemplate::builtIn();
    for (SpaceTemplate& imported : SpaceTemplate::imported(AppPaths::file(QStringLiteral("templates.json"))))
        candidates.push_back(std::move(imported));
    const auto found = std::find_if(candidates.begin(), candidates.end(), [&](const SpaceTemplate& t) {
        return t.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (found == candidates.end())
        return errorToast(tr("No template is called %1").arg(name));
    applyTemplate(*found);
}

void CommandDispatcher::applyTemplate(const SpaceTemplate& chosen)
{
    const SpaceTemplate::Result result = chosen.apply(m_services.watcher.snapshot(), m_services.store);
    QPointer<CommandDispatcher> self(this);
    const auto applied = [self, name = chosen.name] {
        if (self)
            self->toast(tr("Applied the %1 template").arg(name), QStringLiteral("square.grid.2x2"));
    };
    if (result.missing <= 0)
        return applied();
    m_views.offerMoreDesktops(chosen.name, result.missing, result.applied,
                              [self, chosen, missing = result.missing, applied](bool add) {
                                  if (self && add) {
                                      // Once the desktops are there, the template again, so the new ones get their slots too.
                                      self->addDesktops(missing, [self, chosen] {
                                          if (self)
                                              self->later(800ms, [chosen](CommandDispatcher& d) {
                                                  chosen.apply(d.m_services.watcher.snapshot(), d.m_services.store);
                                              });
                                      });
                                  }
                                  applied();
                              });
}

void CommandDispatcher::toggleScratchpad()
{
    QPointer<CommandDispatcher> self(this);
    m_parts.scratchpad().toggle(m_services.watcher.snapshot(), [self](const QString& message, bool isError) {
        if (!self)
            return;
        if (isError)
            self->errorToast(message);
        else
            self->toast(message);
    });
}

namespace {

// A failure is the toast; success shows nothing, the new or removed desktop is the feedback.
SpaceManagement::Completion reportFailures(std::function<void(const QString&)> error)
{
    return [error = std::move(error)](std::expected<void, SpaceManagement::Failure> result) {
        if (!result)
            error(SpaceManagement::description(result.error()));
    };
}

} // namespace

void CommandDispatcher::addDesktop()
{
    QPointer<CommandDispatcher> self(this);
    m_desktopRequests.addDesktop(reportFailures([self](const QString& text) {
        if (self)
            self->errorToast(text);
    }));
}

void CommandDispatcher::addDesktops(int count, std::function<void()> done)
{
    QPointer<CommandDispatcher> self(this);
    m_desktopRequests.addDesktop([self, count, done = std::move(done)](std::expected<void, SpaceManagement::Failure>) {
        if (!self)
            return;
        self->later(600ms, [count, done](CommandDispatcher& d) {
            if (count - 1 >= 1)
                d.addDesktops(count - 1, done);
            else
                done();
        });
    });
}

void CommandDispatcher::removeDesktop(int number)
{
    QPointer<CommandDispatcher> self(this);
    auto report = reportFailures([self](const QString& text) {
        if (self)
            self->errorToast(text);
    });
    if (!SpaceManagement::removalRenumbers())
        return m_desktopRequests.removeDesktop(number, std::move(report));
    // The later desktops' names, notes and the rest move down with their windows. The desktops are
    // read when the removal starts: a request queued before it may have changed them.
    auto before = std::make_shared<SpaceSnapshot>(SpaceSnapshot::empty());
    m_desktopRequests.removeDesktop(
        number,
        [self, report, number, before](auto result) {
            if (self && result) {
                SpaceStore& store = self->m_services.store;
                store.replaceAll(SpaceManagement::metasAfterRemoval(store.metas(), *before, number));
            }
            report(result);
        },
        [self, before] {
            if (self)
                *before = self->m_services.watcher.snapshot();
        });
}

void CommandDispatcher::later(Duration delay, std::function<void(CommandDispatcher&)> work)
{
    QPointer<CommandDispatcher> self(this);
    std::erase_if(m_pending, [](const WorkItem& item) { return !item.isPending(); });
    m_pending.push_back(m_services.scheduler.after(delay, [self, work = std::move(work)] {
        if (self)
            work(*self);
    }));
}

void CommandDispatcher::toast(const QString& message, const QString& symbol)
{
    m_views.showToast(message, symbol, false);
}

void CommandDispatcher::errorToast(const QString& message)
{
    m_views.showToast(message, QString(), true);
}

const SpaceSnapshot& CommandDispatcher::snapshot() const
{
    return m_services.watcher.snapshot();
}

QString CommandDispatcher::displayName(const Space& space) const
{
    return m_services.store.displayName(space);
}

std::optional<Space> CommandDispatcher::previousSpace() const
{
    return m_services.history.previous(m_services.watcher.snapshot());
}

QByteArray CommandDispatcher::stateJSON() const
{
    return m_parts.exportedState();
}

QString CommandDispatcher::apiToken() const
{
    return m_parts.localAPIToken();
}

QStringList CommandDispatcher::profileNames() const
{
    QStringList names;
    for (const SpaceProfile& profile : ProfileStore::read(AppPaths::file(QStringLiteral("profiles.json"))))
        names.append(profile.name);
    return names;
}

QStringList CommandDispatcher::takenKeys() const
{
    const ShortcutManager* shortcuts = m_parts.shortcutManager();
    return shortcuts ? shortcuts->takenKeys() : QStringList();
}

bool CommandDispatcher::canUndoMinimize() const
{
    return !m_services.minimizer.lastMinimized().empty();
}

std::vector<SavedSpace> CommandDispatcher::savedSpaceRecords() const
{
    return SavedSpaces::records();
}

std::vector<MenuItem> CommandDispatcher::extraMenuItems() const
{
    // Reading the items changes nothing; choosing one checks for updates.
    return m_services.updater.menuItems();
}

} // namespace lumivast
