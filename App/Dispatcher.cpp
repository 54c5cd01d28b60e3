// The command dispatcher: every command from shortcuts, URLs, scripts and the
// menu ends here and reports its outcome as a toast.

#include "App/AppDelegate.h"

#include "Core/Commands/SpaceResolution.h"
#include "Core/Notes/NoteFiles.h"
#include "Core/Settings/Settings.h"
#include "Core/Shell/SettingsTransfer.h"
#include "Platform/Platform.h"
#include "Platform/SystemParts.h"

#include <QPointer>
#include "UI/MenuBar/RenameDialog.h"

namespace lumivast {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

QString trimmed(const QString& text)
{
    return text.trimmed(); // white space and new lines at both ends
}

} // namespace

std::optional<Space> AppDelegate::resolve(const SpaceCommand::SpaceRef& ref, const SpaceSnapshot& snapshot) const
{
    return lumivast::resolve(ref, snapshot, [this](const Space& space) { return m_store.displayName(space); });
}

void AppDelegate::notFound(const SpaceCommand::SpaceRef& ref)
{
    // Without any desktop the reason is what the user needs, not the missing one.
    if (m_watcher.snapshot().allSpaces().empty()) {
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

void AppDelegate::switchOwn(const Space& target, const SpaceSnapshot& snapshot)
{
    m_lastLumivastSwitch = m_scheduler.now();
    m_switcher.switchTo(target, snapshot);
}

const DisplaySpaces* AppDelegate::steppingDisplay(const SpaceSnapshot& snapshot,
                                                  std::optional<DisplaySpaces>& underMouse) const
{
    // The display under the pointer (found only with two or more), else the menu-bar display.
    underMouse = m_switcher.displayUnderMouse(snapshot);
    if (underMouse) {
        for (const DisplaySpaces& display : snapshot.displays) {
            if (display.id == underMouse->id)
                return &display;
        }
    }
    return snapshot.menuBarDisplay();
}

SpaceNavigator AppDelegate::navigator() const
{
    return SpaceNavigator(SpaceNavigator::Options::fromSettings(),
                          [this](const Space& space) { return m_contents.isEmpty(space); });
}

void AppDelegate::step(SpaceNavigator::Direction direction, const SpaceSnapshot& snapshot)
{
    std::optional<DisplaySpaces> underMouse;
    const DisplaySpaces* display = steppingDisplay(snapshot, underMouse);
    const Space* from = display ? m_switcher.destination(*display) : nullptr; // quick presses step on from one in flight
    if (!from)
        return;
    const auto target = navigator().step(direction, *display, *from);
    if (!target)
        return;
    // Up and down count as the program's own switch; left and right do not.
    if (direction == SpaceNavigator::Direction::up || direction == SpaceNavigator::Direction::down)
        switchOwn(*target, snapshot);
    else
        m_switcher.switchTo(*target, snapshot);
}

void AppDelegate::moveWindowStep(bool right, const SpaceSnapshot& snapshot)
{
    std::optional<DisplaySpaces> underMouse;
    const DisplaySpaces* display = steppingDisplay(snapshot, underMouse);
    const Space* from = display ? m_switcher.destination(*display) : nullptr;
    if (!from)
        return;
    if (const auto target = navigator().windowStep(right, *display, *from))
        moveFrontWindow(*target);
}

void AppDelegate::perform(const SpaceCommand& command)
{
    const SpaceSnapshot snapshot = m_watcher.snapshot();
    using C = SpaceCommand;
    using Direction = SpaceNavigator::Direction;
    std::visit(
        Overloaded{
            [&](const C::SwitchTo& c) {
                const auto space = resolve(c.target, snapshot);
                if (!space)
                    return notFound(c.target);
                switchOwn(navigator().switchTarget(*space, m_history.previous(snapshot)), snapshot);
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
                    return RenameDialog::present(*space, m_store, m_watcher, false, m_alerts);
                m_store.setName(trimmed(*c.name), space->id);
            },
            [&](const C::Note& c) {
                const auto space = resolve(c.target, snapshot);
                if (!space)
                    return notFound(c.target);
                m_store.setNote(c.text ? std::optional<QString>(trimmed(*c.text)) : std::nullopt, space->id);
            },
            [&](const C::Setup& c) {
                const auto space = resolve(c.target, snapshot);
                if (!space)
                    return notFound(c.target);
                if (!space->isActive)
                    switchOwn(*space, snapshot);
                const Space target = *space;
                later(AutomationRunner::kSetupAfterSwitch, [target](AppDelegate& d) { d.automation().runSetup(target); });
            },
            [&](const C::Profile& c) { performProfile(c.name); },
            [&](const C::Template& c) { performTemplate(c.name); },
            [&](const C::Windows& c) { showWindowPanel(c.allSpaces); },
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
                NoteFiles::open(*space, m_store);
            },
            [&](const C::Step2D& c) { step(c.up ? Direction::up : Direction::down, snapshot); },
            [&](const C::Back&) {
                if (const auto previous = m_history.previous(snapshot))
                    switchOwn(*previous, snapshot);
            },
            [&](const C::Overview&) { toggleOverview(); },
            [&](const C::Settings&) { showSettings(std::nullopt); },
            [&](const C::Diagnostics&) {
                SettingsTransfer::copyDiagnostics(snapshot, m_shortcuts ? m_shortcuts->failures() : QStringList());
                toast(tr("Diagnostics copied"));
            },
            [&](const C::SaveLayout&) {
                const WindowLayout layout = layouts().save(LayoutManager::kManual, snapshot);
                toast(tr("Saved the position of %1 windows").arg(layout.entries.size()), QStringLiteral("rectangle.3.group"));
            },
            [&](const C::RestoreLayout&) {
                const QString setup = LayoutManager::displaySetup(snapshot);
                auto layout = layouts().load(LayoutManager::kManual, setup);
                if (!layout)
                    layout = layouts().load(LayoutManager::kAuto, setup);
                if (!layout)
                    return errorToast(tr("No saved window layout for these displays yet"));
                QPointer<AppDelegate> self(this);
                layouts().restore(*layout, snapshot, [self](int n) {
                    if (self)
                        self->toast(tr("Put %1 windows back on their Spaces").arg(n), QStringLiteral("rectangle.3.group"));
                });
            },
            [&](const C::Eject&) {
                QPointer<AppDelegate> self(this);
                layouts().ejectExternalDisplays(snapshot, [self](int n) {
                    if (self)
                        self->toast(tr("Moved %1 windows off external displays. Safe to unplug.").arg(n), QStringLiteral("eject"));
                });
            },
            [&](const C::Launcher&) { showLauncher(); },
            [&](const C::Scratchpad&) { toggleScratchpad(); },
            [&](const C::MinimizeAll&) {
                const Space* space = snapshot.currentSpace();
                if (!space)
                    return;
                const int n = m_minimizer.minimizeAll(*space, m_contents);
                toast(tr("Minimized %1 windows. Undo from the Lumivast menu.").arg(n),
                      QStringLiteral("arrow.down.right.and.arrow.up.left"));
            },
            [&](const C::UndoMinimize&) { m_minimizer.undo(); },
            [&](const C::SaveAndClose&) {
                const Space* space = snapshot.currentSpace();
                if (!space)
                    return;
                const auto saved = savedSpaces().saveAndClose(*space);
                if (!saved)
                    return errorToast(SavedSpaces::description(saved.error()));
                toast(tr("Saved %1 with %2 apps and closed its windows").arg(saved->name, QString::number(saved->apps.size())),
                      QStringLiteral("archivebox"));
            },
            [&](const C::AddDesktop&) { addDesktop(); },
            [&](const C::DemoTour&) { runDemoTour(); },
        },
        command.value);
}

} // namespace lumivast
