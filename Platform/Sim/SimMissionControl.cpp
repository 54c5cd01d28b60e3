// Mission Control in the simulated world, and the broadcast notifications it sends.
#include "Platform/Sim/SimMissionControl.h"

#include "Platform/Coordinates.h"
#include "Platform/Sim/SimLog.h"
#include "Platform/Sim/SimWorld.h"

#include <QJsonObject>
#include <QUuid>

#include <algorithm>

namespace lumivast {

namespace {

constexpr double kBarPadding = 12;     // above and below the buttons
constexpr double kButtonGap = 16;
constexpr double kCollapsedWidth = 110;
constexpr double kSideMargin = 80;     // kept free at both ends of the row; the add button sits in the right one
constexpr double kAddSide = 44;
constexpr double kAddInset = 18;
constexpr std::int32_t kFirstDockPID = 88;
constexpr std::int32_t kRestartedPIDStep = 1000;
constexpr std::uint32_t kSpacesChangedEvent = 1329;
constexpr std::uint32_t kSpaceSwitchedEvent = 1401;

const QString kRole = QStringLiteral("AXRole");
const QString kTitle = QStringLiteral("AXTitle");
const QString kDescription = QStringLiteral("AXDescription");
const QString kChildren = QStringLiteral("AXChildren");
const QString kPosition = QStringLiteral("AXPosition");
const QString kSize = QStringLiteral("AXSize");

} // namespace

// ---- broadcast notifications ----

struct SimDistributedNotifications::Observers {
    std::uint64_t nextID = 1;
    std::map<std::uint64_t, std::pair<QString, std::function<void()>>> handlers;
};

SimDistributedNotifications::SimDistributedNotifications(SimWorld& world)
    : m_world(world), m_observers(std::make_shared<Observers>())
{
}

Subscription SimDistributedNotifications::observe(const QString& name, std::function<void()> handler)
{
    const std::uint64_t id = m_observers->nextID++;
    m_observers->handlers.emplace(id, std::make_pair(name, std::move(handler)));
    return Subscription([weak = std::weak_ptr<Observers>(m_observers), id] {
        if (auto observers = weak.lock())
            observers->handlers.erase(id);
    });
}

void SimDistributedNotifications::post(const QString& name)
{
    m_posted.append(name);
    for (const auto& [id, entry] : m_observers->handlers) {
        if (entry.first != name)
            continue;
        // Delivered later on the main thread, to observers still registered then.
        m_world.scheduler().post([weak = std::weak_ptr<Observers>(m_observers), id = id] {
            const auto observers = weak.lock();
            if (!observers)
                return;
            const auto it = observers->handlers.find(id);
            if (it == observers->handlers.end())
                return;
            auto handler = it->second.second;
            handler();
        });
    }
}

// ---- Mission Control ----

SimMissionControl::SimMissionControl(SimWorld& world) : m_world(world) {}

SimMissionControl::~SimMissionControl() = default;

void SimMissionControl::beginOpening()
{
    if (m_world.dockPID == 0) {
        keepRecent(m_log << QStringLiteral("ignored opening: the Dock does not run"));
        return;
    }
    if (m_state == State::opening || m_state == State::open) {
        keepRecent(m_log << QStringLiteral("ignored opening: already ") + (m_state == State::open ? "open" : "opening"));
        return;
    }
    m_closeWork.cancel();
    m_state = State::opening;
    m_hovered.reset();
    keepRecent(m_log << QStringLiteral("opening"));
    m_world.distributedNotifications().post(kAwakeNotification);
    m_openWork = m_world.scheduler().after(openDelay, [this] {
        m_state = State::open;
        keepRecent(m_log << QStringLiteral("open"));
    });
}

void SimMissionControl::openNow()
{
    m_openWork.cancel();
    m_closeWork.cancel();
    m_state = State::open;
    m_hovered.reset();
    keepRecent(m_log << QStringLiteral("open"));
}

void SimMissionControl::close()
{
    if (m_state == State::opening) {
        m_openWork.cancel();
        m_state = State::closed;
        keepRecent(m_log << QStringLiteral("closed before opening"));
        return;
    }
    if (m_state != State::open)
        return;
    m_hovered.reset();
    keepRecent(m_log << QStringLiteral("closing"));
    if (closeSlide <= Duration::zero())
        return finishClosing();
    m_state = State::closing;
    m_closeStarted = m_world.scheduler().now();
    m_closeWork = m_world.scheduler().after(closeSlide, [this] { finishClosing(); });
}

void SimMissionControl::finishClosing()
{
    m_state = State::closed;
    keepRecent(m_log << QStringLiteral("closed"));
}

void SimMissionControl::restartDock()
{
    m_openWork.cancel();
    m_closeWork.cancel();
    m_state = State::closed;
    m_hovered.reset();
    {
        std::lock_guard lock(m_world.stateMutex());
        m_world.dockPID = m_world.dockPID == 0 ? kFirstDockPID : m_world.dockPID + kRestartedPIDStep;
    }
    keepRecent(m_log << QStringLiteral("Dock restarted as %1").arg(m_world.dockPID));
}

void SimMissionControl::dockNotification(const QString& name)
{
    if (name == kAwakeNotification)
        beginOpening();
}

bool SimMissionControl::escape()
{
    if (m_state != State::opening && m_state != State::open)
        return false;
    keepRecent(m_log << QStringLiteral("escape"));
    close();
    return true;
}

void SimMissionControl::mouseEvent(const InputEvent& event)
{
    if (m_state != State::open)
        return;
    const auto bars = layout();
    const QPointF p = event.location;
    if (event.type == InputEvent::Type::mouseMoved) {
        // The remove button sticks out of its desktop's button: resting on it keeps the hover.
        if (m_hovered) {
            for (const BarLayout& bar : bars) {
                if (const ButtonLayout* b = buttonOf(bar, *m_hovered); b && Coordinates::containsHalfOpen(removeArea(b->frame), p))
                    return;
            }
        }
        std::optional<std::uint64_t> hovered;
        for (const BarLayout& bar : bars) {
            for (const ButtonLayout& b : bar.buttons) {
                if (!b.fullscreen && Coordinates::containsHalfOpen(b.frame, p))
                    hovered = b.managedID;
            }
        }
        if (hovered != m_hovered && hovered)
            keepRecent(m_log << QStringLiteral("hover %1").arg(*hovered));
        m_hovered = hovered;
        return;
    }
    if (event.type != InputEvent::Type::leftMouseDown)
        return;
    if (m_hovered) {
        for (const BarLayout& bar : bars) {
            const ButtonLayout* b = buttonOf(bar, *m_hovered);
            if (b && bar.desktops > 1 && Coordinates::containsHalfOpen(removeArea(b->frame), p))
                return removeDesktop(b->managedID);
        }
    }
    for (const BarLayout& bar : bars) {
        for (const ButtonLayout& b : bar.buttons) {
            if (Coordinates::containsHalfOpen(b.frame, p))
                return switchTo(bar, b.managedID);
        }
        if (Coordinates::containsHalfOpen(bar.add, p))
            return addDesktop(bar.displayIndex);
    }
}

// ---- layout, derived from the world at every read ----

std::vector<SimMissionControl::BarLayout> SimMissionControl::layout() const
{
    std::vector<BarLayout> bars;
    if (!barsShown())
        return bars;
    const double rise = m_state == State::closing
        ? kRisePerMs * double((m_world.scheduler().now() - m_closeStarted).count())
        : 0.0;
    const double height = expanded ? kExpandedButtonHeight : kButtonHeight;
    const SimWorld::Display* main = m_world.mainDisplay();
    int desktopNumber = 0;
    for (int i = 0; i < int(m_world.displays.size()); ++i) {
        const SimWorld::Display& display = m_world.displays[std::size_t(i)];
        if (!m_world.displaysHaveSeparateSpaces && &display != main)
            continue;
        BarLayout bar;
        bar.displayIndex = i;
        bar.display = display.identifier;
        bar.group = display.frame;
        const QRectF& f = display.frame;
        bar.bar = QRectF(f.x(), f.y() - rise, f.width(), height + 2 * kBarPadding);
        const int n = int(display.spaces.size());
        double width = expanded ? std::round(height * f.width() / std::max(1.0, f.height())) : kCollapsedWidth;
        const double room = f.width() - 2 * kSideMargin;
        if (n > 0 && n * width + (n - 1) * kButtonGap > room)
            width = std::max(1.0, (room - (n - 1) * kButtonGap) / n);
        const double row = n * width + std::max(0, n - 1) * kButtonGap;
        double x = f.x() + (f.width() - row) / 2;
        const double y = bar.bar.y() + kBarPadding;
        for (const SimWorld::SimSpace& space : display.spaces) {
            ButtonLayout b;
            b.managedID = space.managedID;
            b.fullscreen = space.fullscreen;
            b.pid = space.pid;
            if (!space.fullscreen) {
                b.desktopNumber = ++desktopNumber;
                ++bar.desktops;
            }
            b.frame = QRectF(x, y, width, height);
            x += width + kButtonGap;
            bar.buttons.push_back(b);
        }
        bar.add = QRectF(f.x() + f.width() - kAddInset - kAddSide, bar.bar.center().y() - kAddSide / 2, kAddSide, kAddSide);
        bars.push_back(std::move(bar));
    }
    return bars;
}

const SimMissionControl::BarLayout* SimMissionControl::barOf(const std::vector<BarLayout>& bars, const QString& display) const
{
    for (const BarLayout& bar : bars) {
        if (bar.display == display)
            return &bar;
    }
    return nullptr;
}

const SimMissionControl::ButtonLayout* SimMissionControl::buttonOf(const BarLayout& bar, std::uint64_t managedID)
{
    for (const ButtonLayout& b : bar.buttons) {
        if (b.managedID == managedID)
            return &b;
    }
    return nullptr;
}

QRectF SimMissionControl::removeArea(const QRectF& button)
{
    return QRectF(button.x() - kRemoveButtonSide / 2, button.y() - kRemoveButtonSide / 2, kRemoveButtonSide, kRemoveButtonSide);
}

std::optional<QRectF> SimMissionControl::buttonFrame(std::uint64_t managedID) const
{
    for (const BarLayout& bar : layout()) {
        if (const ButtonLayout* b = buttonOf(bar, managedID))
            return b->frame;
    }
    return std::nullopt;
}

// ---- Accessibility ----

sysfn::AXElementRef SimMissionControl::handle(Kind kind, const QString& display, std::uint64_t space)
{
    auto& slot = m_nodes[{int(kind), display, space}];
    if (!slot)
        slot = std::make_unique<Node>(Node{kind, display, space});
    return slot.get();
}

const SimMissionControl::Node* SimMissionControl::node(sysfn::AXElementRef element) const
{
    for (const auto& [key, n] : m_nodes) {
        if (n.get() == element)
            return n.get();
    }
    return nullptr;
}

bool SimMissionControl::owns(sysfn::AXElementRef element) const
{
    return node(element) != nullptr;
}

bool SimMissionControl::removeButtonShown(const BarLayout& bar) const
{
    return m_hovered && bar.desktops > 1 && buttonOf(bar, *m_hovered) && !buttonOf(bar, *m_hovered)->fullscreen;
}

bool SimMissionControl::exists(const Node& n, const std::vector<BarLayout>& bars) const
{
    if (!barsShown() || m_world.dockPID == 0)
        return false;
    if (n.kind == Kind::root)
        return true;
    const BarLayout* bar = barOf(bars, n.display);
    if (!bar)
        return false;
    switch (n.kind) {
    case Kind::button:
        return buttonOf(*bar, n.space) != nullptr;
    case Kind::removeButton:
        return !closeButtonHidden && removeButtonShown(*bar) && *m_hovered == n.space;
    case Kind::addButton:
        return !addButtonMissing;
    default:
        return true;
    }
}

std::vector<sysfn::AXElementRef> SimMissionControl::children(const Node& n, const std::vector<BarLayout>& bars)
{
    std::vector<sysfn::AXElementRef> list;
    switch (n.kind) {
    case Kind::root:
        for (const BarLayout& bar : bars)
            list.push_back(handle(Kind::displayGroup, bar.display));
        break;
    case Kind::displayGroup:
        list.push_back(handle(Kind::bar, n.display));
        break;
    case Kind::bar:
        list.push_back(handle(Kind::list, n.display));
        break;
    case Kind::list:
        if (const BarLayout* bar = barOf(bars, n.display)) {
            for (const ButtonLayout& b : bar->buttons)
                list.push_back(handle(Kind::button, n.display, b.managedID));
            if (buttonsListedBackwards)
                std::reverse(list.begin(), list.end());
            if (!addButtonMissing)
                list.push_back(handle(Kind::addButton, n.display));
        }
        break;
    case Kind::button:
        if (const BarLayout* bar = barOf(bars, n.display);
            bar && !closeButtonHidden && removeButtonShown(*bar) && *m_hovered == n.space)
            list.push_back(handle(Kind::removeButton, n.display, n.space));
        break;
    case Kind::addButton:
    case Kind::removeButton:
        break;
    }
    return list;
}

std::vector<sysfn::AXElementRef> SimMissionControl::dockChildren()
{
    if (!barsShown())
        return {};
    return {handle(Kind::root)};
}

QString SimMissionControl::buttonTitle(const ButtonLayout& b) const
{
    if (b.fullscreen) {
        const SimWorld::App* app = b.pid ? m_world.app(*b.pid) : nullptr;
        return app && !app->name.isEmpty() ? app->name : QStringLiteral("Full Screen");
    }
    return QStringLiteral("Desktop %1").arg(b.desktopNumber);
}

std::expected<AXAttributeValue, AXError> SimMissionControl::copyAttribute(sysfn::AXElementRef element, const QString& attribute)
{
    const Node* n = node(element);
    const auto bars = layout();
    if (!n || !exists(*n, bars))
        return std::unexpected(AXError::invalidElement);
    const auto text = [](const QString& value) -> std::expected<AXAttributeValue, AXError> { return PlistValue(value); };
    const auto frame = [&](const QRectF& r, bool position) -> std::expected<AXAttributeValue, AXError> {
        if (position)
            return r.topLeft();
        return r.size();
    };
    if (attribute == kChildren)
        return children(*n, bars);
    const BarLayout* bar = barOf(bars, n->display);
    const ButtonLayout* button = bar ? buttonOf(*bar, n->space) : nullptr;
    const bool position = attribute == kPosition;
    const bool size = attribute == kSize;
    switch (n->kind) {
    case Kind::root:
        if (attribute == kRole)
            return text(QStringLiteral("AXGroup"));
        if (attribute == kTitle)
            return text(QStringLiteral("Mission Control"));
        break;
    case Kind::displayGroup:
        if (attribute == kRole)
            return text(QStringLiteral("AXGroup"));
        if (position || size)
            return frame(bar->group, position);
        break;
    case Kind::bar:
        if (attribute == kRole)
            return text(QStringLiteral("AXGroup"));
        if (attribute == kTitle)
            return text(QStringLiteral("Spaces Bar"));
        if (position || size)
            return frame(bar->bar, position);
        break;
    case Kind::list:
        if (attribute == kRole)
            return text(QStringLiteral("AXList"));
        if (position || size)
            return frame(bar->bar, position);
        break;
    case Kind::button: {
        const bool untitled = !button->fullscreen && desktopButtons == DesktopButtons::exitDescription;
        if (attribute == kRole)
            return text(QStringLiteral("AXButton"));
        if (attribute == kTitle && !untitled)
            return text(buttonTitle(*button));
        if (attribute == kDescription && untitled)
            return text(QStringLiteral("exit to ") + buttonTitle(*button));
        if (position || size)
            return frame(button->frame, position);
        if (attribute == kTitle || attribute == kDescription)
            return std::unexpected(AXError::noValue);
        break;
    }
    case Kind::addButton:
        if (attribute == kRole)
            return text(QStringLiteral("AXButton"));
        if (attribute == kDescription)
            return text(QStringLiteral("add desktop"));
        if (position || size)
            return frame(bar->add, position);
        break;
    case Kind::removeButton:
        if (attribute == kRole)
            return text(QStringLiteral("AXButton"));
        if (attribute == kDescription)
            return text(QStringLiteral("remove desktop"));
        if (position || size)
            return frame(removeArea(button->frame), position);
        break;
    }
    return std::unexpected(AXError::attributeUnsupported);
}

std::expected<void, AXError> SimMissionControl::perform(sysfn::AXElementRef element, const QString& action)
{
    const Node* n = node(element);
    const auto bars = layout();
    if (!n || !exists(*n, bars))
        return std::unexpected(AXError::invalidElement);
    if (action != QLatin1String("AXPress"))
        return std::unexpected(AXError::actionUnsupported);
    const BarLayout* bar = barOf(bars, n->display);
    switch (n->kind) {
    case Kind::addButton:
        addDesktop(bar->displayIndex);
        return {};
    case Kind::removeButton:
        removeDesktop(n->space);
        return {};
    case Kind::button:
        switchTo(*bar, n->space);
        return {};
    default:
        return std::unexpected(AXError::actionUnsupported);
    }
}

// ---- what the buttons do ----

void SimMissionControl::addDesktop(int displayIndex)
{
    if (displayIndex < 0 || displayIndex >= int(m_world.displays.size()))
        return;
    std::uint64_t highest = 0;
    for (const SimWorld::Display& display : m_world.displays) {
        for (const SimWorld::SimSpace& space : display.spaces)
            highest = std::max(highest, space.managedID);
    }
    static const QUuid ns = QUuid::fromString(QStringLiteral("{3f0c5a71-8e2b-4c9d-a6f4-1b7e9d2c5a80}"));
    SimWorld::SimSpace space;
    space.managedID = highest + 1;
    space.uuid = QUuid::createUuidV5(ns, QStringLiteral("added-space-%1").arg(space.managedID)).toString(QUuid::WithoutBraces).toUpper();
    SimWorld::Display& display = m_world.displays[std::size_t(displayIndex)];
    {
        std::lock_guard lock(m_world.stateMutex());
        display.spaces.push_back(space);
    }
    keepRecent(m_log << QStringLiteral("added %1 on %2").arg(space.managedID).arg(display.identifier));
    m_world.announceChange(kSpacesChangedEvent, false);
}

void SimMissionControl::removeDesktop(std::uint64_t managedID)
{
    for (SimWorld::Display& display : m_world.displays) {
        auto& spaces = display.spaces;
        const auto it = std::find_if(spaces.begin(), spaces.end(), [&](const SimWorld::SimSpace& s) { return s.managedID == managedID; });
        if (it == spaces.end())
            continue;
        const auto desktops = std::count_if(spaces.begin(), spaces.end(), [](const SimWorld::SimSpace& s) { return !s.fullscreen; });
        if (it->fullscreen || desktops < 2) {
            keepRecent(m_log << QStringLiteral("refused removing %1").arg(managedID));
            return;
        }
        // Its windows go to the desktop before it, or after it when it was the first.
        std::uint64_t target = 0;
        for (auto before = it; before != spaces.begin();) {
            --before;
            if (!before->fullscreen) {
                target = before->managedID;
                break;
            }
        }
        for (auto after = it + 1; target == 0 && after != spaces.end(); ++after) {
            if (!after->fullscreen)
                target = after->managedID;
        }
        const bool wasCurrent = display.current == managedID;
        {
            std::lock_guard lock(m_world.stateMutex());
            for (SimWorld::Window& w : m_world.windows) {
                if (std::erase(w.spaces, managedID) > 0 && std::find(w.spaces.begin(), w.spaces.end(), target) == w.spaces.end())
                    w.spaces.push_back(target);
            }
            spaces.erase(it);
            if (wasCurrent)
                display.current = target;
        }
        m_hovered.reset();
        keepRecent(m_log << QStringLiteral("removed %1").arg(managedID));
        m_world.announceChange(wasCurrent ? kSpaceSwitchedEvent : kSpacesChangedEvent, wasCurrent);
        return;
    }
}

void SimMissionControl::switchTo(const BarLayout& bar, std::uint64_t managedID)
{
    keepRecent(m_log << QStringLiteral("clicked %1").arg(managedID));
    const QString display = bar.display;
    close();
    const SimWorld::Display* current = nullptr;
    for (const SimWorld::Display& d : m_world.displays) {
        if (d.identifier == display)
            current = &d;
    }
    if (current && current->current != managedID)
        m_world.switchSpace(display, managedID);
}

// ---- the world's side ----

SimMissionControl& SimWorld::missionControl()
{
    if (!m_missionControl)
        m_missionControl = std::make_shared<SimMissionControl>(*this);
    return *m_missionControl;
}

SimDistributedNotifications& SimWorld::distributedNotifications()
{
    if (!m_distributedNotifications)
        m_distributedNotifications = std::make_shared<SimDistributedNotifications>(*this);
    return *m_distributedNotifications;
}

bool SimWorld::readMissionControl(const QJsonObject& json, QString* error)
{
    const auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    reduceMotion = json.value("reduceMotion").toBool(false);
    if (!json.contains("missionControl"))
        return true;
    if (!json.value("missionControl").isObject())
        return fail(QStringLiteral("missionControl must be an object"));
    const QJsonObject o = json.value("missionControl").toObject();
    SimMissionControl& mc = missionControl();
    mc.openDelay = Duration(std::max<qint64>(0, o.value("openDelayMs").toInteger(mc.openDelay.count())));
    mc.closeSlide = Duration(std::max<qint64>(0, o.value("closeSlideMs").toInteger(mc.closeSlide.count())));
    mc.expanded = o.value("expanded").toBool(false);
    const QString buttons = o.value("desktopButtons").toString(QStringLiteral("title"));
    if (buttons != QLatin1String("title") && buttons != QLatin1String("exitDescription"))
        return fail(QStringLiteral("missionControl.desktopButtons must be title or exitDescription"));
    mc.desktopButtons = buttons == QLatin1String("title") ? SimMissionControl::DesktopButtons::title
                                                          : SimMissionControl::DesktopButtons::exitDescription;
    const QString close = o.value("closeButton").toString(QStringLiteral("shown"));
    if (close != QLatin1String("shown") && close != QLatin1String("hidden"))
        return fail(QStringLiteral("missionControl.closeButton must be shown or hidden"));
    mc.closeButtonHidden = close == QLatin1String("hidden");
    if (o.value("open").toBool(false)) {
        mc.openNow();
        mc.clearLog();
    }
    return true;
}

} // namespace lumivast
