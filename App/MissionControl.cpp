// The delegate's side of Mission Control and the trackpad: the labels over
// its desktop buttons, adding and removing desktops through it, and the
// four-finger tap.

#include "App/AppDelegate.h"

#include "Core/MissionControl/SpaceManagement.h"

#include <QPointer>

namespace lumivast {

namespace {

// A failure is the toast; success shows nothing, the new or removed desktop is the feedback.
SpaceManagement::Completion reportFailures(QPointer<AppDelegate> self, std::function<void(AppDelegate&, const QString&)> error)
{
    return [self, error = std::move(error)](std::expected<void, SpaceManagement::Failure> result) {
        if (self && !result)
            error(*self, SpaceManagement::description(result.error()));
    };
}

} // namespace

void AppDelegate::startMissionControlLabels()
{
    m_missionControlLabels = std::make_unique<MissionControlLabels>(m_watcher, m_store, m_scheduler);
    m_missionControlLabels->start();
}

void AppDelegate::wireFourFingerTap()
{
    QPointer<AppDelegate> self(this);
    // The tap does what the overview shortcut does.
    m_touch.onFourFingerTap = [self] {
        if (self)
            self->overviewHotKey();
    };
    m_touch.refresh();
}

void AppDelegate::addDesktop()
{
    m_desktopRequests.addDesktop(reportFailures(this, [](AppDelegate& d, const QString& text) { d.errorToast(text); }));
}

void AppDelegate::addDesktops(int count, std::function<void()> done)
{
    QPointer<AppDelegate> self(this);
    m_desktopRequests.addDesktop([self, count, done = std::move(done)](std::expected<void, SpaceManagement::Failure>) {
        if (!self)
            return;
        self->later(600ms, [count, done](AppDelegate& d) {
            if (count - 1 >= 1)
                d.addDesktops(count - 1, done);
            else
                done();
        });
    });
}

void AppDelegate::removeDesktop(int number)
{
    auto report = reportFailures(this, [](AppDelegate& d, const QString& text) { d.errorToast(text); });
    if (!SpaceManagement::removalRenumbers())
        return m_desktopRequests.removeDesktop(number, std::move(report));
    // The later desktops' names, notes and the rest move down with their windows. The desktops are
    // read when the removal starts: a request queued before it may have changed them.
    QPointer<AppDelegate> self(this);
    auto before = std::make_shared<SpaceSnapshot>(SpaceSnapshot::empty());
    m_desktopRequests.removeDesktop(
        number,
        [self, report, number, before](auto result) {
            if (self && result)
                self->m_store.replaceAll(SpaceManagement::metasAfterRemoval(self->m_store.metas(), *before, number));
            report(result);
        },
        [self, before] {
            if (self)
                *before = self->m_watcher.snapshot();
        });
}

} // namespace lumivast
