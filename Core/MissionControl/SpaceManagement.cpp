#include "Core/MissionControl/SpaceManagement.h"

#include "CGSBridge/CGSBridge.h"
#include "Core/Windows/Deferred.h"
#include "Platform/Platform.h"

#include <memory>
#include <optional>
#include <vector>

namespace lumivast::SpaceManagement {

namespace {

using Element = sysfn::AXElementRef;

const QString kDockBundleID = QStringLiteral("com.apple.dock");
constexpr int kMaxDepth = 6;
constexpr quint16 kEscape = 53;

void walk(Element element, int depth, bool inBar, std::vector<Element>& found)
{
    if (depth > kMaxDepth)
        return;
    inBar = inBar || text(element, QStringLiteral("AXTitle")) == QLatin1String("Spaces Bar");
    if (inBar && text(element, QStringLiteral("AXRole")) == QLatin1String("AXButton"))
        found.push_back(element); // and on into it: the remove button lives inside its desktop's button
    const auto children = Platform::current().accessibilityElements().copyAttributeValue(element, QStringLiteral("AXChildren"));
    const auto* list = children ? std::get_if<std::vector<Element>>(&*children) : nullptr;
    if (!list)
        return;
    for (Element child : *list) {
        if (text(child, QStringLiteral("AXRole")) == QLatin1String("AXDockItem"))
            continue;
        walk(child, depth + 1, inBar, found);
    }
}

// Every button below the Dock's Spaces Bars, in walk order, from a fresh Dock element.
std::vector<Element> findButtons()
{
    std::vector<Element> found;
    if (const auto dock = dockElement())
        walk(*dock, 0, false, found);
    return found;
}

void pressEscape()
{
    EventPoster& events = Platform::current().events();
    for (bool down : {true, false}) {
        if (const auto event = events.createKeyboardEvent(kEscape, down))
            events.post(EventTap::hid, *event);
    }
}

void postMouse(MouseEventType type, const QPointF& at)
{
    EventPoster& events = Platform::current().events();
    if (const auto event = events.createMouseEvent(type, at))
        events.post(EventTap::hid, *event);
}

void press(Element element)
{
    (void)Platform::current().accessibilityElements().performAction(element, QStringLiteral("AXPress"));
}

// Shared by the steps of one request so the completion can only run once.
struct Request {
    Completion completion;
    void finish(std::expected<void, Failure> result)
    {
        if (auto done = std::exchange(completion, {}))
            done(result);
    }
};

void poll(Scheduler& scheduler, std::shared_ptr<std::function<void(bool)>> done, int count)
{
    if (!findButtons().empty())
        return (*done)(true);
    if (count + 1 >= kPolls)
        return (*done)(false);
    runDetached(scheduler, kPollInterval, [&scheduler, done, count] { poll(scheduler, done, count + 1); });
}

void openMissionControl(Scheduler& scheduler, std::function<void(bool)> done)
{
    if (findButtons().empty())
        (void)CGSBridgeDockNotify(QStringLiteral("com.apple.expose.awake"));
    auto shared = std::make_shared<std::function<void(bool)>>(std::move(done));
    runDetached(scheduler, kFirstPoll, [&scheduler, shared] { poll(scheduler, shared, 0); });
}

bool matchesDesktop(Element button, int number)
{
    const QString n = QString::number(number);
    return text(button, QStringLiteral("AXTitle")) == QStringLiteral("Desktop ") + n
        || text(button, QStringLiteral("AXDescription")) == QStringLiteral("exit to Desktop ") + n;
}

// The system's own answer in the Part's terms.
DesktopManagement::Completion reported(Completion completion)
{
    return [completion = std::move(completion)](DesktopManagement::Outcome outcome) {
        switch (outcome) {
        case DesktopManagement::Outcome::done: return completion({});
        case DesktopManagement::Outcome::noSuchDesktop: return completion(std::unexpected(Failure::notFound));
        case DesktopManagement::Outcome::notDone: return completion(std::unexpected(Failure::unavailable));
        }
    };
}

} // namespace

bool removalRenumbers()
{
    return Platform::current().desktopManagement() != nullptr;
}

SpaceMetaMap metasAfterRemoval(SpaceMetaMap metas, const SpaceSnapshot& before, int number)
{
    for (const DisplaySpaces& display : before.displays) {
        std::vector<QString> desktops; // keys of the desktops from the removed one on, in row order
        for (const Space& space : display.spaces) {
            if (space.desktopNumber && (*space.desktopNumber == number || !desktops.empty()))
                desktops.push_back(space.id);
        }
        if (desktops.empty())
            continue;
        for (std::size_t i = 0; i + 1 < desktops.size(); ++i) {
            const auto next = metas.find(desktops[i + 1]);
            if (next == metas.end())
                metas.erase(desktops[i]);
            else
                metas[desktops[i]] = next->second;
        }
        metas.erase(desktops.back());
        break;
    }
    return metas;
}

std::optional<QRectF> frame(sysfn::AXElementRef element)
{
    AXElements& ax = Platform::current().accessibilityElements();
    const auto position = ax.copyAttributeValue(element, QStringLiteral("AXPosition"));
    if (!position)
        return std::nullopt;
    const auto size = ax.copyAttributeValue(element, QStringLiteral("AXSize"));
    if (!size)
        return std::nullopt;
    const QPointF* point = std::get_if<QPointF>(&*position);
    const QSizeF* extent = std::get_if<QSizeF>(&*size);
    return QRectF(point ? *point : QPointF(), extent ? *extent : QSizeF());
}

QString text(sysfn::AXElementRef element, const QString& attribute)
{
    const auto value = Platform::current().accessibilityElements().copyAttributeValue(element, attribute);
    const auto* plist = value ? std::get_if<PlistValue>(&*value) : nullptr;
    const QString* s = plist ? plist->string() : nullptr;
    return s ? *s : QString();
}

std::optional<sysfn::AXElementRef> dockElement()
{
    Platform& platform = Platform::current();
    for (const RunningApplication& app : platform.runningApplications().runningApplications()) {
        if (app.bundleID == kDockBundleID)
            return platform.accessibilityElements().applicationElement(app.pid);
    }
    return std::nullopt;
}

QString description(Failure failure)
{
    switch (failure) {
    case Failure::unavailable: return QStringLiteral("Mission Control could not be opened.");
    case Failure::noButton: return QStringLiteral("Mission Control's add-desktop button was not found.");
    case Failure::notFound: return QStringLiteral("That desktop was not found in Mission Control.");
    }
    return {};
}

bool isMissionControlShown()
{
    return !findButtons().empty();
}

void addDesktop(Scheduler& scheduler, Completion completion)
{
    if (DesktopManagement* system = Platform::current().desktopManagement())
        return system->addDesktop(reported(std::move(completion)));
    auto request = std::make_shared<Request>(Request{std::move(completion)});
    openMissionControl(scheduler, [&scheduler, request](bool open) {
        if (!open)
            return request->finish(std::unexpected(Failure::unavailable));
        for (Element button : findButtons()) {
            if (text(button, QStringLiteral("AXDescription")) != QLatin1String("add desktop"))
                continue;
            press(button);
            runDetached(scheduler, kAddSettle, [request] {
                pressEscape();
                request->finish({});
            });
            return;
        }
        pressEscape();
        request->finish(std::unexpected(Failure::noButton));
    });
}

void removeDesktop(Scheduler& scheduler, int number, Completion completion)
{
    if (DesktopManagement* system = Platform::current().desktopManagement())
        return system->removeDesktop(number, reported(std::move(completion)));
    auto request = std::make_shared<Request>(Request{std::move(completion)});
    openMissionControl(scheduler, [&scheduler, request, number](bool open) {
        if (!open)
            return request->finish(std::unexpected(Failure::unavailable));
        std::optional<QRectF> target;
        for (Element button : findButtons()) {
            if (matchesDesktop(button, number)) {
                target = frame(button);
                break;
            }
        }
        if (!target) {
            pressEscape();
            return request->finish(std::unexpected(Failure::notFound));
        }
        const QPointF saved = Platform::current().mouse().eventLocation().value_or(QPointF(0, 0));
        const QPointF centre = target->center();
        (void)Platform::current().events().warpPointer(centre);
        postMouse(MouseEventType::mouseMoved, centre);
        const QRectF desktop = *target;
        runDetached(scheduler, kHoverToClose, [&scheduler, request, desktop, saved] {
            bool pressed = false;
            for (Element button : findButtons()) {
                const QString what = text(button, QStringLiteral("AXDescription")).toLower();
                if (what.contains(QLatin1String("close")) || what.contains(QLatin1String("remove"))) {
                    press(button);
                    pressed = true;
                    break;
                }
            }
            if (!pressed) {
                // No remove button in the tree: click where it appears, just inside the corner.
                const QPointF corner = desktop.topLeft() + QPointF(6, 6);
                postMouse(MouseEventType::leftMouseDown, corner);
                postMouse(MouseEventType::leftMouseUp, corner);
            }
            runDetached(scheduler, kCloseToEnd, [request, saved] {
                (void)Platform::current().events().warpPointer(saved);
                pressEscape();
                request->finish({});
            });
        });
    });
}

} // namespace lumivast::SpaceManagement
