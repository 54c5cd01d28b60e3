#include "Platform/Sim/SimWindowList.h"

#include "Platform/Sim/SimMissionControl.h"

#include "Platform/Sim/SimAccessibility.h"
#include "Platform/Sim/SimAudio.h"
#include "Platform/Sim/SimScreenCapture.h"
#include "Platform/Sim/SimWorld.h"

#include <QColor>
#include <QJsonArray>

#include <algorithm>
#include <set>

namespace lumivast {

namespace {

constexpr std::int32_t kDefaultDockPID = 88;

ActivationPolicy policyFrom(const QString& text)
{
    if (text == QLatin1String("accessory"))
        return ActivationPolicy::accessory;
    if (text == QLatin1String("prohibited"))
        return ActivationPolicy::prohibited;
    return ActivationPolicy::regular;
}

RunningApplication running(const SimWorld::App& app, const std::optional<std::int32_t>& frontmost)
{
    RunningApplication r;
    r.isActive = frontmost == app.pid;
    r.isHidden = app.hidden;
    r.pid = app.pid;
    if (!app.bundleID.isEmpty())
        r.bundleID = app.bundleID;
    if (!app.name.isEmpty())
        r.localizedName = app.name;
    r.activationPolicy = policyFrom(app.policy);
    return r;
}

// A plain square in the application's colour, standing for its icon.
QImage iconFor(const QString& seed)
{
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(simAppColor(seed));
    return image;
}

} // namespace

PlistValue SimWindowList::copyWindowInfo(std::uint32_t options, std::uint32_t relativeToWindow)
{
    ++m_reads;
    if (duringRead)
        duringRead();
    std::lock_guard lock(m_world.stateMutex());
    if (m_world.windowListOverride)
        return *m_world.windowListOverride;
    const bool onScreenOnly = options & kOptionOnScreenOnly;
    const bool onlyOne = options & kOptionIncludingWindow;
    std::set<std::uint64_t> current;
    for (const SimWorld::Display& display : m_world.displays)
        current.insert(display.current);
    PlistValue::Array list;
    list.reserve(m_world.windows.size());
    for (const SimWorld::Window& w : m_world.windows) {
        if (onlyOne && w.id != relativeToWindow)
            continue;
        if (onScreenOnly) {
            const SimWorld::App* owner = m_world.app(w.pid);
            if (w.minimized || (owner && owner->hidden)
                || std::none_of(w.spaces.begin(), w.spaces.end(), [&](std::uint64_t s) { return current.contains(s); }))
                continue;
        }
        PlistValue entry = PlistValue::dict({
            {WindowListKey::layer, PlistValue(w.layer)},
            {WindowListKey::ownerPID, PlistValue(w.pid)},
            {WindowListKey::number, PlistValue(w.id)},
            {WindowListKey::bounds, PlistValue::dict({{QStringLiteral("X"), PlistValue(w.frame.x())},
                                                      {QStringLiteral("Y"), PlistValue(w.frame.y())},
                                                      {QStringLiteral("Width"), PlistValue(w.frame.width())},
                                                      {QStringLiteral("Height"), PlistValue(w.frame.height())}})},
        });
        if (w.alpha)
            entry.insert(WindowListKey::alpha, PlistValue(*w.alpha));
        for (const SimWorld::App& app : m_world.apps) {
            if (app.pid == w.pid && !app.name.isEmpty())
                entry.insert(WindowListKey::ownerName, app.name);
        }
        if (!w.title.isEmpty())
            entry.insert(WindowListKey::name, w.title);
        list.push_back(std::move(entry));
    }
    return PlistValue(std::move(list));
}

std::vector<RunningApplication> SimWindowList::runningApplications()
{
    std::lock_guard lock(m_world.stateMutex());
    std::vector<RunningApplication> list;
    bool dockListed = false;
    for (const SimWorld::App& app : m_world.apps) {
        if (!app.running)
            continue;
        list.push_back(running(app, m_world.frontmostPID));
        dockListed = dockListed || app.pid == m_world.dockPID;
    }
    if (m_world.dockPID != 0 && !dockListed)
        list.push_back({m_world.dockPID, kDockBundleID, QStringLiteral("Dock"), ActivationPolicy::prohibited});
    return list;
}

std::optional<RunningApplication> SimWindowList::runningApplication(std::int32_t pid)
{
    for (const RunningApplication& app : runningApplications()) {
        if (app.pid == pid)
            return app;
    }
    return std::nullopt;
}

std::optional<RunningApplication> SimWindowList::frontmostApplication()
{
    return m_world.frontmostPID ? runningApplication(*m_world.frontmostPID) : std::nullopt;
}

QImage SimWindowList::icon(std::int32_t pid)
{
    const auto app = runningApplication(pid);
    return app ? iconFor(app->bundleID.value_or(QString::number(pid))) : QImage();
}

QImage SimWindowList::iconForBundle(const QString& bundleID)
{
    // Every app the world lists counts as installed.
    for (const SimWorld::App& app : m_world.apps) {
        if (!bundleID.isEmpty() && app.bundleID == bundleID)
            return iconFor(bundleID);
    }
    return QImage();
}

QImage SimWindowList::placeholderIcon(const QString& seed)
{
    return iconFor(seed);
}

sysfn::AXElementRef SimDockElements::applicationElement(std::int32_t pid)
{
    auto& handle = m_appElements[pid];
    if (!handle)
        handle = std::make_unique<std::int32_t>(pid);
    return handle.get();
}

std::expected<AXAttributeValue, AXError> SimDockElements::copyAttributeValue(sysfn::AXElementRef element, const QString& attribute)
{
    if (!element)
        return std::unexpected(AXError::illegalArgument);
    if (!m_world.accessibilityTrusted)
        return std::unexpected(AXError::apiDisabled);
    if (element == itemListElement()) {
        if (!m_world.dockItemList || m_world.dockPID == 0)
            return std::unexpected(AXError::invalidElement);
        if (attribute == QLatin1String("AXPosition"))
            return m_world.dockItemList->topLeft();
        if (attribute == QLatin1String("AXSize"))
            return m_world.dockItemList->size();
        if (attribute == QLatin1String("AXRole"))
            return PlistValue(QStringLiteral("AXList"));
        if (attribute == QLatin1String("AXChildren"))
            return dockItems();
        return std::unexpected(AXError::attributeUnsupported);
    }
    for (const auto& [pid, handle] : m_dockItems) {
        if (handle.get() != element)
            continue;
        const SimWorld::App* app = m_world.app(pid);
        if (!app || m_world.dockPID == 0)
            return std::unexpected(AXError::invalidElement);
        if (attribute == QLatin1String("AXRole"))
            return PlistValue(QStringLiteral("AXDockItem"));
        if (attribute == QLatin1String("AXTitle"))
            return PlistValue(app->name);
        return std::unexpected(AXError::attributeUnsupported);
    }
    if (m_world.missionControl().owns(element))
        return m_world.missionControl().copyAttribute(element, attribute);
    for (const auto& [pid, handle] : m_appElements) {
        if (handle.get() != element)
            continue;
        if (!runningApplicationExists(pid))
            return std::unexpected(AXError::invalidElement);
        if (pid != m_world.dockPID)
            return m_world.accessibility().copyApplicationAttribute(pid, attribute);
        if (attribute != QLatin1String("AXChildren"))
            return std::unexpected(AXError::attributeUnsupported);
        std::vector<sysfn::AXElementRef> children;
        if (m_world.dockItemList)
            children.push_back(itemListElement());
        for (sysfn::AXElementRef group : m_world.missionControl().dockChildren())
            children.push_back(group);
        return children;
    }
    return m_world.accessibility().copyAttribute(element, attribute);
}

std::optional<std::int32_t> SimDockElements::applicationPID(sysfn::AXElementRef element) const
{
    for (const auto& [pid, handle] : m_appElements) {
        if (handle.get() == element)
            return pid;
    }
    return std::nullopt;
}

std::expected<void, AXError> SimDockElements::setAttributeValue(sysfn::AXElementRef element, const QString& attribute,
                                                                const AXAttributeValue& value)
{
    if (!element)
        return std::unexpected(AXError::illegalArgument);
    if (!m_world.accessibilityTrusted)
        return std::unexpected(AXError::apiDisabled);
    return m_world.accessibility().setAttribute(element, attribute, value);
}

std::expected<void, AXError> SimDockElements::performAction(sysfn::AXElementRef element, const QString& action)
{
    if (!element)
        return std::unexpected(AXError::illegalArgument);
    if (!m_world.accessibilityTrusted)
        return std::unexpected(AXError::apiDisabled);
    if (m_world.missionControl().owns(element))
        return m_world.missionControl().perform(element, action);
    return m_world.accessibility().perform(element, action);
}

std::expected<void, AXError> SimDockElements::setMessagingTimeout(sysfn::AXElementRef element, double seconds)
{
    if (!element || seconds < 0)
        return std::unexpected(AXError::illegalArgument);
    m_world.accessibility().noteTimeout(element, seconds);
    return {};
}

std::vector<sysfn::AXElementRef> SimDockElements::dockItems()
{
    // One tile per running regular application.
    std::vector<sysfn::AXElementRef> items;
    for (const SimWorld::App& app : m_world.apps) {
        if (!app.running || app.policy != QLatin1String("regular"))
            continue;
        auto& handle = m_dockItems[app.pid];
        if (!handle)
            handle = std::make_unique<std::int32_t>(app.pid);
        items.push_back(handle.get());
    }
    return items;
}

bool SimDockElements::runningApplicationExists(std::int32_t pid)
{
    return pid != 0 && m_world.windowList().runningApplication(pid).has_value();
}

bool SimWorld::readDesktopExtras(const QJsonObject& json, QString* error)
{
    const QJsonArray windowValues = json.value("windows").toArray();
    for (qsizetype i = 0; i < windowValues.size() && std::size_t(i) < windows.size(); ++i) {
        const QJsonObject o = windowValues[i].toObject();
        windows[std::size_t(i)].layer = o.value("layer").toInt(0);
        if (o.value("alpha").isDouble())
            windows[std::size_t(i)].alpha = o.value("alpha").toDouble();
    }
    if (json.value("frontmost").isDouble())
        frontmostPID = std::int32_t(json.value("frontmost").toInt());

    const Display* main = mainDisplay();
    const QRectF screen = main ? main->frame : QRectF(0, 0, 1512, 982);
    dockPID = kDefaultDockPID;
    dockItemList = QRectF(screen.x() + (screen.width() - 600) / 2, screen.y() + screen.height() - 64, 600, 64);
    if (json.contains("dock")) {
        if (!json.value("dock").isObject()) {
            if (error)
                *error = QStringLiteral("dock must be an object");
            return false;
        }
        const QJsonObject dock = json.value("dock").toObject();
        dockPID = std::int32_t(dock.value("pid").toInt(kDefaultDockPID));
        if (dock.contains("itemList")) {
            const QJsonValue list = dock.value("itemList");
            if (list.isObject()) {
                const QJsonObject f = list.toObject();
                dockItemList = QRectF(f.value("x").toDouble(), f.value("y").toDouble(), f.value("w").toDouble(), f.value("h").toDouble());
            } else {
                dockItemList.reset();
            }
        }
    }
    if (json.contains("windowList"))
        windowListOverride = PlistValue::fromJson(json.value("windowList"));
    if (json.value("sounds").isArray()) {
        QStringList names;
        for (const QJsonValue& name : json.value("sounds").toArray())
            names.append(name.toString());
        audio().availableSounds = names;
    }
    return true;
}

} // namespace lumivast
