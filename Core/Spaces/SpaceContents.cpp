#include "Core/Spaces/SpaceContents.h"

#include "CGSBridge/CGSBridge.h"
#include "Platform/Platform.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace lumivast {

namespace {

// The window's one Space; none when it is on no Space, on several, or the
// answer is not a list of numbers.
std::optional<int> onlySpace(std::uint32_t windowID)
{
    const PlistValue spaces = CGSBridgeCopySpacesForWindow(windowID);
    const PlistValue::Array* list = spaces.array();
    if (!list || list->size() != 1)
        return std::nullopt;
    const auto number = list->front().integer();
    if (!number || *number < std::numeric_limits<int>::min() || *number > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(*number);
}

std::optional<double> realAt(const PlistValue& dict, const QString& key)
{
    const PlistValue* value = dict.value(key);
    return value ? value->real() : std::nullopt;
}

} // namespace

QImage SpaceContents::AppOnSpace::icon() const
{
    RunningApplications& apps = Platform::current().runningApplications();
    if (pid >= 0)
        return apps.icon(pid);
    return bundleID ? apps.iconForBundle(*bundleID) : QImage();
}

SpaceContents::SpaceContents(Scheduler& scheduler, QObject* parent) : QObject(parent), m_scheduler(scheduler) {}

bool SpaceContents::isEmpty(const Space& space) const
{
    const auto it = m_appsBySpace.find(space.managedID);
    return it == m_appsBySpace.end() || it->second.empty();
}

SpaceContents::~SpaceContents() = default;

void SpaceContents::start()
{
    if (std::exchange(m_started, true))
        return;
    refresh();
    Workspace& workspace = Platform::current().workspace();
    for (WorkspaceEvent event : {WorkspaceEvent::DidLaunchApplication, WorkspaceEvent::DidTerminateApplication,
                                 WorkspaceEvent::ActiveSpaceDidChange, WorkspaceEvent::DidActivateApplication}) {
        m_observers.push_back(workspace.observe(event, [this] { refresh(); }));
    }
    m_timer = m_scheduler.every(kRefreshInterval, [this] { refresh(); }, kRefreshTolerance);
}

void SpaceContents::refresh()
{
    if (m_pending)
        return;
    m_pending = true;
    m_scheduledPass = m_scheduler.after(kPassDelay, [this] {
        m_queue.async([publish = m_lifetime.wrap([this](Reading reading) { publish(std::move(reading)); })] {
            publish(readWindowList());
        });
    });
}

std::vector<SpaceContents::WindowInfo> SpaceContents::windows(int onManagedSpace) const
{
    std::vector<WindowInfo> result;
    std::copy_if(m_windows.begin(), m_windows.end(), std::back_inserter(result),
                 [&](const WindowInfo& w) { return w.spaceID == onManagedSpace; });
    return result;
}

SpaceContents::Reading SpaceContents::readWindowList()
{
    Reading reading;
    Platform& platform = Platform::current();
    const PlistValue list = platform.windowList().copyWindowInfo(WindowList::kOptionExcludeDesktopElements, 0);
    const PlistValue::Array* entries = list.array();
    if (!entries || !std::all_of(entries->begin(), entries->end(), [](const PlistValue& e) { return e.dict() != nullptr; }))
        return reading;

    const std::int32_t ownPID = std::int32_t(QCoreApplication::applicationPid());
    // One answer of the running applications serves every window of this pass: asking
    // per window reads the whole system again each time.
    std::map<std::int32_t, RunningApplication> running;
    for (RunningApplication& app : platform.runningApplications().runningApplications())
        running.try_emplace(app.pid, std::move(app));
    const auto application = [&running](std::int32_t pid) -> const RunningApplication* {
        const auto it = running.find(pid);
        return it == running.end() ? nullptr : &it->second;
    };

    struct Record {
        QString name;
        std::vector<std::uint32_t> windowIDs;
    };
    std::map<int, std::vector<std::int32_t>> order;            // Space -> pids by first window
    std::map<std::pair<int, std::int32_t>, Record> records;    // (Space, pid) -> record

    for (const PlistValue& entry : *entries) {
        const PlistValue* layer = entry.value(WindowListKey::layer);
        if (!layer || layer->integer() != 0)
            continue;
        const PlistValue* ownerValue = entry.value(WindowListKey::ownerPID);
        const auto pid = ownerValue ? ownerValue->int32() : std::nullopt;
        if (!pid || *pid == ownPID)
            continue;
        const PlistValue* numberValue = entry.value(WindowListKey::number);
        const auto number = numberValue ? numberValue->integer() : std::nullopt;
        if (!number || *number < 0 || *number > std::numeric_limits<std::uint32_t>::max())
            continue;
        const std::uint32_t windowID = std::uint32_t(*number);
        const PlistValue* bounds = entry.value(WindowListKey::bounds);
        if (!bounds || !bounds->dict())
            continue;
        const auto width = realAt(*bounds, QStringLiteral("Width"));
        const auto height = realAt(*bounds, QStringLiteral("Height"));
        if (!width || !height || *width < kMinimumSide || *height < kMinimumSide)
            continue;
        if (const auto alpha = realAt(entry, WindowListKey::alpha); alpha && *alpha <= kMinimumAlpha)
            continue;
        const RunningApplication* app = application(*pid);
        if (!app || app->activationPolicy != ActivationPolicy::regular)
            continue;
        const auto space = onlySpace(windowID);
        if (!space)
            continue;

        QString name;
        if (app->localizedName) {
            name = *app->localizedName;
        } else if (const PlistValue* owner = entry.value(WindowListKey::ownerName); owner && owner->string()) {
            name = *owner->string();
        } else {
            name = QStringLiteral("App");
        }

        auto [it, inserted] = records.try_emplace({*space, *pid}, Record{name, {}});
        if (inserted)
            order[*space].push_back(*pid);
        it->second.windowIDs.push_back(windowID);

        const PlistValue* title = entry.value(WindowListKey::name);
        WindowInfo info;
        info.id = windowID;
        info.pid = *pid;
        info.bundleID = app->bundleID;
        info.appName = name;
        info.title = title && title->string() ? *title->string() : QString();
        info.frame = QRectF(realAt(*bounds, QStringLiteral("X")).value_or(0), realAt(*bounds, QStringLiteral("Y")).value_or(0),
                            *width, *height);
        info.spaceID = *space;
        reading.windows.push_back(std::move(info));
    }

    for (const auto& [space, pids] : order) {
        std::vector<AppOnSpace>& apps = reading.appsBySpace[space];
        for (std::int32_t pid : pids) {
            auto it = records.find({space, pid});
            if (it == records.end())
                continue;
            const RunningApplication* app = application(pid);
            apps.push_back({pid, app ? app->bundleID : std::nullopt, it->second.name, it->second.windowIDs});
        }
    }
    return reading;
}

void SpaceContents::publish(Reading reading)
{
    m_pending = false;
    const bool appsChanged = reading.appsBySpace != m_appsBySpace;
    const bool windowsChanged = reading.windows != m_windows;
    if (appsChanged)
        m_appsBySpace = std::move(reading.appsBySpace);
    if (windowsChanged)
        m_windows = std::move(reading.windows);

    std::vector<WindowInfo> fresh;
    for (const WindowInfo& w : m_windows) {
        if (!m_seenWindowIDs.contains(w.id))
            fresh.push_back(w);
    }
    for (const WindowInfo& w : fresh)
        m_seenWindowIDs.insert(w.id);
    const bool report = !m_firstPass && !fresh.empty();
    m_firstPass = false;

    if (appsChanged)
        emit appsBySpaceChanged();
    if (windowsChanged)
        emit this->windowsChanged();
    if (appsChanged || windowsChanged)
        emit changed();
    if (report && onNewWindows)
        onNewWindows(fresh);
}

} // namespace lumivast
