// Other applications as the simulated system shows them: Accessibility
// trees, activation, hiding, launching, and the title-bar drag.
#include "Platform/Sim/SimAccessibility.h"

#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimLog.h"
#include "Platform/Sim/SimWindowList.h"
#include "Platform/Sim/SimWorld.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <set>

namespace lumivast {

namespace {

const QString kWindows = QStringLiteral("AXWindows");
const QString kChildren = QStringLiteral("AXChildren");
const QString kFocusedWindow = QStringLiteral("AXFocusedWindow");
const QString kTitle = QStringLiteral("AXTitle");
const QString kRole = QStringLiteral("AXRole");
const QString kPosition = QStringLiteral("AXPosition");
const QString kSize = QStringLiteral("AXSize");
const QString kMain = QStringLiteral("AXMain");
const QString kFocused = QStringLiteral("AXFocused");
const QString kMinimized = QStringLiteral("AXMinimized");
const QString kCloseButton = QStringLiteral("AXCloseButton");
const QString kMinimizeButton = QStringLiteral("AXMinimizeButton");

std::set<std::uint64_t> currentSpaces(const SimWorld& world)
{
    std::set<std::uint64_t> current;
    for (const SimWorld::Display& display : world.displays)
        current.insert(display.current);
    return current;
}

bool onCurrentSpace(const SimWorld::Window& w, const std::set<std::uint64_t>& current)
{
    return std::any_of(w.spaces.begin(), w.spaces.end(), [&](std::uint64_t s) { return current.contains(s); });
}

std::optional<SimWorld::WindowMoves> movesFrom(const QString& text)
{
    if (text == QLatin1String("obey"))
        return SimWorld::WindowMoves::obey;
    if (text == QLatin1String("ignore"))
        return SimWorld::WindowMoves::ignore;
    if (text == QLatin1String("late"))
        return SimWorld::WindowMoves::late;
    return std::nullopt;
}

QUrl applicationURL(const SimWorld::App& app)
{
    return QUrl::fromLocalFile(QStringLiteral("/Applications/%1.app").arg(app.name.isEmpty() ? app.bundleID : app.name));
}

} // namespace

// ---- the tree ----

std::expected<AXAttributeValue, AXError> SimAccessibility::copyApplicationAttribute(std::int32_t pid, const QString& attribute)
{
    const SimWorld::App* app = m_world.app(pid);
    if (!app)
        return std::unexpected(AXError::invalidElement);
    if (app->unresponsive)
        return std::unexpected(AXError::cannotComplete);
    if (attribute == kWindows || attribute == kChildren) {
        std::vector<sysfn::AXElementRef> list;
        for (const SimWorld::Window& w : m_world.windows) {
            if (w.pid == pid)
                list.push_back(m_world.windowElement(w.id));
        }
        return list;
    }
    if (attribute == kFocusedWindow) {
        if (const auto id = focusedWindow(pid))
            return AXElementValue{m_world.windowElement(*id)};
        return std::unexpected(AXError::noValue);
    }
    if (attribute == kTitle)
        return PlistValue(app->name);
    return std::unexpected(AXError::attributeUnsupported);
}

std::expected<AXAttributeValue, AXError> SimAccessibility::copyAttribute(sysfn::AXElementRef element, const QString& attribute)
{
    if (const auto button = buttonFor(element)) {
        if (!m_world.window(button->window))
            return std::unexpected(AXError::invalidElement);
        if (const auto error = unanswered(button->window))
            return std::unexpected(*error);
        if (attribute == kRole)
            return PlistValue("AXButton");
        return std::unexpected(AXError::attributeUnsupported);
    }
    const auto id = m_world.windowIDForElement(element);
    const SimWorld::Window* w = id ? m_world.window(*id) : nullptr;
    if (!w)
        return std::unexpected(AXError::invalidElement);
    if (const auto error = unanswered(*id))
        return std::unexpected(*error);
    if (attribute == kTitle)
        return PlistValue(w->title);
    if (attribute == kRole)
        return PlistValue("AXWindow");
    if (attribute == kPosition)
        return w->frame.topLeft();
    if (attribute == kSize)
        return w->frame.size();
    if (attribute == kMinimized)
        return PlistValue(w->minimized);
    if (attribute == kMain || attribute == kFocused)
        return PlistValue(focusedWindow(w->pid) == *id);
    if (attribute == kCloseButton)
        return AXElementValue{button(*id, Button::close)};
    if (attribute == kMinimizeButton)
        return AXElementValue{button(*id, Button::minimize)};
    return std::unexpected(AXError::attributeUnsupported);
}

std::expected<void, AXError> SimAccessibility::setAttribute(sysfn::AXElementRef element, const QString& attribute,
                                                            const AXAttributeValue& value)
{
    const auto id = m_world.windowIDForElement(element);
    SimWorld::Window* w = id ? m_world.window(*id) : nullptr;
    if (!w) {
        if (m_world.dockElements().applicationPID(element) || buttonFor(element))
            return std::unexpected(AXError::attributeUnsupported);
        return std::unexpected(AXError::invalidElement);
    }
    if (const auto error = unanswered(*id))
        return std::unexpected(*error);
    const QString number = QString::number(*id);
    if (attribute == kPosition) {
        const auto* point = std::get_if<QPointF>(&value);
        if (!point)
            return std::unexpected(AXError::illegalArgument);
        {
            std::lock_guard lock(m_world.stateMutex());
            w->frame.moveTopLeft(*point);
        }
        keepRecent(m_log << QStringLiteral("position ") + number);
        return {};
    }
    if (attribute == kSize) {
        const auto* size = std::get_if<QSizeF>(&value);
        if (!size)
            return std::unexpected(AXError::illegalArgument);
        if (w->refusesSize) {
            keepRecent(m_log << QStringLiteral("size %1 refused").arg(number));
            return std::unexpected(AXError::failure);
        }
        {
            std::lock_guard lock(m_world.stateMutex());
            w->frame.setSize(*size);
        }
        keepRecent(m_log << QStringLiteral("size ") + number);
        return {};
    }
    if (attribute != kMinimized && attribute != kMain && attribute != kFocused)
        return std::unexpected(AXError::attributeUnsupported);
    const auto parsed = axFlag(value);
    if (!parsed)
        return std::unexpected(parsed.error());
    const bool flag = *parsed;
    if (attribute == kMinimized) {
        {
            std::lock_guard lock(m_world.stateMutex());
            w->minimized = flag;
        }
        keepRecent(m_log << (flag ? QStringLiteral("minimize ") : QStringLiteral("unminimize ")) + number);
        return {};
    }
    {
        if (flag) {
            if (SimWorld::App* app = m_world.app(w->pid))
                app->focusedWindow = *id;
            keepRecent(m_log << QStringLiteral("main ") + number);
        }
        return {};
    }
}

std::expected<void, AXError> SimAccessibility::perform(sysfn::AXElementRef element, const QString& action)
{
    if (const auto button = buttonFor(element)) {
        if (!m_world.window(button->window))
            return std::unexpected(AXError::invalidElement);
        if (const auto error = unanswered(button->window))
            return std::unexpected(*error);
        if (action != QLatin1String("AXPress"))
            return std::unexpected(AXError::actionUnsupported);
        const std::uint32_t id = button->window;
        if (button->kind == Button::minimize) {
            std::lock_guard lock(m_world.stateMutex());
            m_world.window(id)->minimized = true;
            keepRecent(m_log << QStringLiteral("minimize %1").arg(id));
        } else {
            std::lock_guard lock(m_world.stateMutex());
            std::erase_if(m_world.windows, [id](const SimWorld::Window& w) { return w.id == id; });
            if (m_world.heldWindow == id)
                m_world.heldWindow.reset();
            keepRecent(m_log << QStringLiteral("close %1").arg(id));
        }
        return {};
    }
    const auto id = m_world.windowIDForElement(element);
    if (!id || !m_world.window(*id)) {
        if (m_world.dockElements().applicationPID(element))
            return std::unexpected(AXError::actionUnsupported);
        return std::unexpected(AXError::invalidElement);
    }
    if (const auto error = unanswered(*id))
        return std::unexpected(*error);
    if (action != QLatin1String("AXRaise"))
        return std::unexpected(AXError::actionUnsupported);
    raise(*id);
    keepRecent(m_log << QStringLiteral("raise %1").arg(*id));
    return {};
}

std::optional<double> SimAccessibility::messagingTimeout(sysfn::AXElementRef element) const
{
    const auto it = m_timeouts.find(element);
    if (it == m_timeouts.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::uint32_t> SimAccessibility::focusedWindow(std::int32_t pid)
{
    const SimWorld::App* app = m_world.app(pid);
    if (!app)
        return std::nullopt;
    if (app->focusedWindow) {
        if (const SimWorld::Window* w = m_world.window(*app->focusedWindow); w && w->pid == pid && isShown(w->id))
            return w->id;
    }
    for (const SimWorld::Window& w : m_world.windows) {
        if (w.pid == pid && w.layer == 0 && isShown(w.id))
            return w.id;
    }
    return std::nullopt;
}

void SimAccessibility::raise(std::uint32_t windowID)
{
    auto& list = m_world.windows;
    const auto it = std::find_if(list.begin(), list.end(), [&](const SimWorld::Window& w) { return w.id == windowID; });
    if (it == list.end())
        return;
    std::rotate(list.begin(), it, it + 1);
    if (SimWorld::App* app = m_world.app(list.front().pid))
        app->focusedWindow = windowID;
}

sysfn::AXElementRef SimAccessibility::button(std::uint32_t windowID, Button kind)
{
    auto& handle = m_buttons[{windowID, int(kind)}];
    if (!handle)
        handle = std::make_unique<ButtonRef>(ButtonRef{windowID, kind});
    return handle.get();
}

std::optional<SimAccessibility::ButtonRef> SimAccessibility::buttonFor(sysfn::AXElementRef element) const
{
    for (const auto& [key, handle] : m_buttons) {
        if (handle.get() == element)
            return *handle;
    }
    return std::nullopt;
}

std::optional<AXError> SimAccessibility::unanswered(std::uint32_t windowID)
{
    const SimWorld::Window* w = m_world.window(windowID);
    const SimWorld::App* app = w ? m_world.app(w->pid) : nullptr;
    if (app && app->unresponsive)
        return AXError::cannotComplete;
    return std::nullopt;
}

bool SimAccessibility::isShown(std::uint32_t windowID)
{
    const SimWorld::Window* w = m_world.window(windowID);
    return w && !w->minimized && onCurrentSpace(*w, currentSpaces(m_world));
}

// ---- the world's side ----

SimAccessibility& SimWorld::accessibility()
{
    if (!m_accessibility)
        m_accessibility = std::make_shared<SimAccessibility>(*this);
    return *m_accessibility;
}

std::optional<std::uint32_t> SimWorld::titleBarWindowAt(QPointF point)
{
    const auto current = currentSpaces(*this);
    for (const Window& w : windows) {
        const App* owner = app(w.pid);
        if (w.layer != 0 || w.minimized || (owner && owner->hidden) || !onCurrentSpace(w, current))
            continue;
        const bool inside = point.x() >= w.frame.x() && point.x() < w.frame.x() + w.frame.width() && point.y() >= w.frame.y()
            && point.y() < w.frame.y() + std::min(kTitleBarHeight, w.frame.height());
        if (inside)
            return w.id;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> SimWorld::windowIDForElement(sysfn::AXElementRef element) const
{
    for (const auto& [id, handle] : m_windowElements) {
        if (handle.get() == element)
            return id;
    }
    return std::nullopt;
}

SimWorld::App* SimWorld::app(std::int32_t pid)
{
    for (App& a : apps) {
        if (a.pid == pid)
            return &a;
    }
    return nullptr;
}

Scheduler& SimWorld::scheduler()
{
    return dock().scheduler();
}

void SimWorld::followActivation(std::int32_t pid)
{
    if (!activationFollowsWindows)
        return;
    const auto current = currentSpaces(*this);
    const Window* first = nullptr;
    for (const Window& w : windows) {
        if (w.pid != pid || w.minimized || w.layer != 0)
            continue;
        if (onCurrentSpace(w, current))
            return; // the application shows a window already
        if (!first && !w.spaces.empty())
            first = &w;
    }
    if (!first)
        return;
    const std::uint64_t target = first->spaces.front();
    for (const Display& display : displays) {
        for (const SimSpace& s : display.spaces) {
            if (s.managedID == target) {
                const QString identifier = display.identifier;
                m_lateWork.push_back(scheduler().after(dock().delay, [this, identifier, target] { switchSpace(identifier, target); }));
                return;
            }
        }
    }
}

std::optional<QUrl> SimWorld::urlForApplication(const QString& bundleID)
{
    // Every app the world lists counts as installed, and so does every bundle of the app folders.
    for (const App& a : apps) {
        if (!bundleID.isEmpty() && a.bundleID == bundleID)
            return applicationURL(a);
    }
    // So does every installed bundle that declares the identifier.
    for (const InstalledEntry& entry : installed) {
        if (!bundleID.isEmpty() && entry.bundleID == bundleID) {
            const QString path = entry.path.startsWith(QLatin1String("~/")) ? QDir::homePath() + entry.path.mid(1) : entry.path;
            return QUrl::fromLocalFile(path);
        }
    }
    return std::nullopt;
}

void SimWorld::openApplication(const QUrl& url, const OpenConfiguration& configuration, std::function<void(OpenResult)> completion)
{
    const QString path = url.toLocalFile();
    openedApplications.append(path);
    openRequests.push_back({path, configuration});
    std::optional<std::int32_t> opened;
    for (App& a : apps) {
        if (applicationURL(a) != url)
            continue;
        m_launched << a.bundleID;
        opened = windowList().start(a, configuration);
        break;
    }
    // Not one of the world's apps: perhaps an installed bundle of the app folders.
    if (!opened)
        opened = windowList().openInstalled(path, configuration);
    OpenResult result = opened ? OpenResult(*opened)
                               : std::unexpected(QStringLiteral("The file \"%1\" couldn't be opened because there is no such file.")
                                                     .arg(path.section(QLatin1Char('/'), -1)));
    if (completion)
        scheduler().post([completion = std::move(completion), result] { completion(result); });
}

bool SimWorld::terminateApplication(std::int32_t pid)
{
    App* a = app(pid);
    const auto running = windowList().runningApplication(pid);
    if (!a || !running)
        return false;
    quitRequests.push_back(pid);
    {
        std::lock_guard lock(m_stateMutex);
        a->running = false;
        a->hidden = false;
        std::erase_if(windows, [pid](const Window& w) { return w.pid == pid; });
        if (frontmostPID == pid)
            frontmostPID.reset();
    }
    postApplicationEvent(WorkspaceEvent::DidTerminateApplication, *running);
    return true;
}

bool SimWorld::readAccessibilityExtras(const QJsonObject& json, QString* error)
{
    const auto failWith = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    const QJsonArray appValues = json.value("apps").toArray();
    for (qsizetype i = 0; i < appValues.size() && std::size_t(i) < apps.size(); ++i) {
        const QJsonObject o = appValues[i].toObject();
        App& a = apps[std::size_t(i)];
        a.running = o.value("running").toBool(true);
        a.hidden = o.value("hidden").toBool(false);
        a.unresponsive = o.value("unresponsive").toBool(false);
        if (o.value("focusedWindow").isDouble())
            a.focusedWindow = std::uint32_t(o.value("focusedWindow").toInteger());
    }
    const QJsonArray windowValues = json.value("windows").toArray();
    for (qsizetype i = 0; i < windowValues.size() && std::size_t(i) < windows.size(); ++i) {
        const QJsonObject o = windowValues[i].toObject();
        Window& w = windows[std::size_t(i)];
        w.minimized = o.value("minimized").toBool(false);
        w.refusesSize = o.value("refusesSize").toBool(false);
        if (o.contains("moves")) {
            w.moves = movesFrom(o.value("moves").toString());
            if (!w.moves)
                return failWith(QStringLiteral("a window's moves must be obey, ignore or late"));
        }
    }
    if (json.contains("windowMoves")) {
        const auto moves = movesFrom(json.value("windowMoves").toString());
        if (!moves)
            return failWith(QStringLiteral("windowMoves must be obey, ignore or late"));
        windowMoves = *moves;
    }
    lateMoveDelay = Duration(std::max<qint64>(0, json.value("lateMoveMs").toInteger(lateMoveDelay.count())));
    activationFollowsWindows = json.value("activationFollowsWindows").toBool(true);
    return true;
}

// ---- running applications ----

bool SimWindowList::activate(std::int32_t pid)
{
    SimWorld::App* app = m_world.app(pid);
    if (!app || !app->running)
        return false;
    m_world.activatedPIDs.push_back(pid);
    keepRecent(m_world.activatedPIDs);
    {
        std::lock_guard lock(m_world.stateMutex());
        m_world.frontmostPID = pid;
    }
    m_world.postApplicationEvent(WorkspaceEvent::DidActivateApplication, pid);
    m_world.followActivation(pid);
    return true;
}

bool SimWindowList::hide(std::int32_t pid)
{
    SimWorld::App* app = m_world.app(pid);
    if (!app || !app->running)
        return false;
    std::optional<std::int32_t> next;
    {
        std::lock_guard lock(m_world.stateMutex());
        app->hidden = true;
        if (m_world.frontmostPID != pid)
            return true;
        // The next visible application comes to the front.
        m_world.frontmostPID.reset();
        for (const SimWorld::App& other : m_world.apps) {
            if (other.pid != pid && other.running && !other.hidden && other.policy == QLatin1String("regular")) {
                next = other.pid;
                break;
            }
        }
        m_world.frontmostPID = next;
    }
    if (next)
        m_world.postApplicationEvent(WorkspaceEvent::DidActivateApplication, *next);
    return true;
}

bool SimWindowList::unhide(std::int32_t pid)
{
    SimWorld::App* app = m_world.app(pid);
    if (!app || !app->running)
        return false;
    std::lock_guard lock(m_world.stateMutex());
    app->hidden = false;
    return true;
}

} // namespace lumivast
