#include "UI/MissionControl/MissionControlLabels.h"

#include "Core/Demo/DemoMode.h"
#include "Core/MissionControl/SpaceManagement.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Spaces/HexColor.h"
#include "Platform/Coordinates.h"
#include "Platform/Platform.h"
#include "UI/MissionControl/LabelView.h"

#include <algorithm>
#include <functional>
#include <set>

namespace lumivast {

namespace {

using Element = sysfn::AXElementRef;

const QString kAwake = QStringLiteral("com.apple.expose.awake");
constexpr int kMaxDepth = 3;

bool labelsOn()
{
    return Settings::defaults().boolValue(Settings::Key::missionControlLabels);
}

std::expected<std::vector<Element>, AXError> childrenOf(Element element)
{
    const auto value = Platform::current().accessibilityElements().copyAttributeValue(element, QStringLiteral("AXChildren"));
    if (!value)
        return std::unexpected(value.error());
    const auto* list = std::get_if<std::vector<Element>>(&*value);
    if (!list)
        return std::unexpected(AXError::failure);
    return *list;
}

// Offers each element below `element` to `take`, down to kMaxDepth levels
// below; an element `take` keeps is not walked into.
void walkBelow(Element element, const std::function<bool(Element)>& take, int depth = 0)
{
    if (depth > kMaxDepth)
        return;
    const auto list = childrenOf(element);
    if (!list)
        return;
    for (Element child : *list) {
        if (!take(child))
            walkBelow(child, take, depth + 1);
    }
}

// An Accessibility rectangle (global, origin top left) in a screen's own coordinates (origin bottom left).
QRectF screenLocal(const QRectF& r, const ScreenInfo& screen, double primaryHeight)
{
    return QRectF(r.x() - screen.frame.x(), primaryHeight - (r.y() + r.height()) - screen.frame.y(), r.width(), r.height());
}

} // namespace

MissionControlLabels::MissionControlLabels(SpaceWatcher& watcher, SpaceStore& store, Scheduler& scheduler, QObject* parent)
    : QObject(parent), m_watcher(watcher), m_store(store), m_scheduler(scheduler)
{
}

MissionControlLabels::~MissionControlLabels() = default;

void MissionControlLabels::start()
{
    // Without Mission Control there are no bars to label: nothing to look for every second.
    if (!Platform::current().parts().has(SystemParts::Part::missionControl))
        return;
    m_awakeObserver = Platform::current().distributedNotifications().observe(kAwake, [this] { beginTracking(); });
    m_idleTimer = m_scheduler.every(kIdleInterval, [this] {
        if (isTracking() || !labelsOn() || spacesBars().empty())
            return;
        beginTracking();
    });
}

LabelPanel* MissionControlLabels::panel(const QString& displayID) const
{
    const auto it = m_panels.find(displayID);
    return it == m_panels.end() ? nullptr : it->second.get();
}

void MissionControlLabels::beginTracking()
{
    if (isTracking() || !labelsOn())
        return;
    // Asked without the prompt: the labels never make the system ask for trust.
    if (!Platform::current().trust().isAccessibilityTrusted(false))
        return;
    m_lastBarTop.reset();
    m_trackTimer = m_scheduler.every(kTickInterval, [this] { tick(); });
    tick();
}

void MissionControlLabels::endTracking()
{
    m_trackTimer.cancel();
    m_lastBarTop.reset();
    for (auto& [id, panel] : m_panels) {
        panel->view().clear();
        panel->hide();
    }
}

std::vector<MissionControlLabels::Bar> MissionControlLabels::spacesBars()
{
    std::vector<Bar> bars;
    if (!m_dock) {
        m_dock = SpaceManagement::dockElement();
        if (!m_dock)
            return bars;
    }
    const auto top = childrenOf(*m_dock);
    if (!top) {
        // The Dock quit (and may come back under a new process): look it up again next time.
        if (top.error() == AXError::invalidElement)
            m_dock.reset();
        return bars;
    }
    for (Element child : *top) {
        if (SpaceManagement::text(child, QStringLiteral("AXTitle")) != QLatin1String("Mission Control"))
            continue;
        walkBelow(child, [&bars](Element bar) {
            if (SpaceManagement::text(bar, QStringLiteral("AXTitle")) != QLatin1String("Spaces Bar"))
                return false;
            const auto f = SpaceManagement::frame(bar);
            if (!f)
                return false;
            Bar found{*f, {}};
            walkBelow(bar, [&found](Element button) {
                if (SpaceManagement::text(button, QStringLiteral("AXRole")) != QLatin1String("AXButton"))
                    return false;
                // Mission Control's add button is no Space's; a button is never walked into.
                if (SpaceManagement::text(button, QStringLiteral("AXDescription")) != QLatin1String("add desktop")) {
                    if (const auto frame = SpaceManagement::frame(button))
                        found.buttons.push_back(*frame);
                }
                return true;
            });
            bars.push_back(std::move(found));
            return true;
        });
    }
    return bars;
}

const DisplaySpaces* MissionControlLabels::displayOf(const ScreenInfo& screen, const SpaceSnapshot& snapshot,
                                                     const std::vector<ScreenInfo>& screens) const
{
    for (const DisplaySpaces& display : snapshot.displays) {
        const auto number = DisplayGeometry::directDisplayID(display.id);
        if (!number)
            continue;
        const auto it = std::find_if(screens.begin(), screens.end(),
                                     [&](const ScreenInfo& s) { return DisplayGeometry::screen(s, *number); });
        if (it != screens.end() && *it == screen)
            return &display;
    }
    return &snapshot.displays.front();
}

std::vector<LabelPanel::Label> MissionControlLabels::labelsFor(const Bar& bar, const DisplaySpaces& display,
                                                                const ScreenInfo& screen, double primaryHeight) const
{
    std::vector<QRectF> buttons = bar.buttons;
    std::stable_sort(buttons.begin(), buttons.end(), [](const QRectF& a, const QRectF& b) { return a.x() < b.x(); });
    std::vector<LabelPanel::Label> labels;
    const std::size_t pairs = std::min(buttons.size(), display.spaces.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        const Space& space = display.spaces[i];
        const DemoMode::Sample* sample = DemoMode::sample(space);
        const auto meta = m_store.metas().find(space.id);
        const bool stored = meta != m_store.metas().end()
            && (meta->second.name || meta->second.symbol || meta->second.colorHex);
        // Nothing to show, but the button still belongs to this Space.
        if (!sample && !stored)
            continue;
        LabelPanel::Label label;
        label.id = space.id;
        label.name = m_store.displayName(space);
        if (sample) {
            label.symbol = sample->symbol;
            label.color = colorFromHex(sample->colorHex);
        } else {
            label.symbol = meta->second.symbol;
            if (meta->second.colorHex)
                label.color = colorFromHex(*meta->second.colorHex);
        }
        label.anchor = screenLocal(buttons[i], screen, primaryHeight);
        label.expanded = buttons[i].height() > kExpandedAbove;
        label.isActive = space.isActive;
        labels.push_back(std::move(label));
    }
    return labels;
}

void MissionControlLabels::tick()
{
    const std::vector<Bar> bars = spacesBars();
    if (bars.empty())
        return endTracking();
    double top = bars.front().frame.top();
    for (const Bar& bar : bars)
        top = std::min(top, bar.frame.top());
    // Mission Control closing lifts its bars; a first tick has nothing to compare with.
    if (m_lastBarTop && top < *m_lastBarTop - kRiseToEnd)
        return endTracking();
    m_lastBarTop = top;

    const SpaceSnapshot& snapshot = m_watcher.snapshot();
    Screens& screenService = Platform::current().screens();
    const std::vector<ScreenInfo> screens = screenService.screens();
    const double primaryHeight = screens.empty() ? 0 : screens.front().frame.height();
    std::set<QString> seen;
    for (const Bar& bar : bars) {
        // The bar's own middle: its top edge lies on the screen's top edge, which no screen contains.
        const QPointF middle(bar.frame.center().x(), primaryHeight - bar.frame.center().y());
        std::optional<ScreenInfo> screen;
        for (const ScreenInfo& s : screens) {
            if (Coordinates::containsHalfOpen(s.frame, middle)) {
                screen = s;
                break;
            }
        }
        if (!screen)
            screen = screenService.mainScreen();
        if (!screen || snapshot.displays.empty())
            continue;
        const DisplaySpaces& display = *displayOf(*screen, snapshot, screens);
        seen.insert(display.id);
        std::vector<LabelPanel::Label> labels = labelsFor(bar, display, *screen, primaryHeight);

        auto& panel = m_panels[display.id];
        if (!panel)
            panel = std::make_unique<LabelPanel>(m_scheduler, screen->frame);
        panel->setScreenFrame(screen->frame);
        panel->labels = labels;
        panel->view().labels = std::move(labels);
        panel->view().retarget();
        if (!panel->isVisible()) {
            panel->present();
            panel->raise();
        }
    }
    for (auto& [id, panel] : m_panels) {
        if (!seen.contains(id))
            panel->hide();
    }
}

} // namespace lumivast
