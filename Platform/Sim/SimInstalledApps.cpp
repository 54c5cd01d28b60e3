// Installed applications of the simulated system: the entries of the
// application folders, their bundles, activation and launching.
#include "Platform/Sim/SimWindowList.h"
#include "Platform/Sim/SimWorld.h"

#include <QDir>
#include <QJsonArray>

#include <algorithm>

namespace lumivast {

namespace {

constexpr std::int32_t kFirstLaunchedPID = 500;

QString expanded(const QString& path)
{
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

QString parentFolder(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

const SimWorld::InstalledEntry* entryAt(const SimWorld& world, const QString& path)
{
    const QString wanted = QDir::cleanPath(path);
    for (const SimWorld::InstalledEntry& entry : world.installed) {
        if (QDir::cleanPath(expanded(entry.path)) == wanted)
            return &entry;
    }
    return nullptr;
}

} // namespace

bool SimWorld::readInstalled(const QJsonObject& json, QString* error)
{
    if (!json.contains("installed")) {
        // Every app the world runs is installed in the main application folder.
        for (const App& app : apps) {
            if (!app.bundleID.isEmpty())
                installed.push_back({QStringLiteral("/Applications/%1.app").arg(app.name), app.bundleID, app.name});
        }
    } else {
        for (const QJsonValue& value : json.value("installed").toArray()) {
            const QJsonObject o = value.toObject();
            InstalledEntry entry;
            entry.path = o.value("path").toString();
            if (!entry.path.startsWith(QLatin1Char('/')) && !entry.path.startsWith(QLatin1String("~/"))) {
                if (error)
                    *error = QStringLiteral("an installed entry needs an absolute path");
                return false;
            }
            if (o.value("bundleID").isString())
                entry.bundleID = o.value("bundleID").toString();
            entry.name = o.value("name").toString(entry.path.section(QLatin1Char('/'), -1).section(QLatin1Char('.'), 0, 0));
            installed.push_back(std::move(entry));
        }
    }
    for (const QJsonValue& folder : json.value("unreadableFolders").toArray())
        unreadableFolders.insert(expanded(folder.toString()));
    return true;
}

std::optional<QStringList> SimWindowList::folderEntries(const QString& folder)
{
    const QString wanted = QDir::cleanPath(expanded(folder));
    if (m_world.unreadableFolders.contains(wanted))
        return std::nullopt;
    QStringList entries;
    for (const SimWorld::InstalledEntry& entry : m_world.installed) {
        const QString path = QDir::cleanPath(expanded(entry.path));
        if (parentFolder(path) == wanted)
            entries.append(path);
    }
    // A folder with nothing in it does not exist in this world.
    if (entries.isEmpty())
        return std::nullopt;
    return entries;
}

std::optional<QString> SimWindowList::bundleIdentifier(const QString& bundlePath)
{
    const SimWorld::InstalledEntry* entry = entryAt(m_world, bundlePath);
    if (!entry || !entry->bundleID || entry->bundleID->isEmpty())
        return std::nullopt;
    return entry->bundleID;
}

QImage SimWindowList::iconForFile(const QString& path)
{
    const SimWorld::InstalledEntry* entry = entryAt(m_world, path);
    if (!entry)
        return QImage();
    return placeholderIcon(entry->bundleID.value_or(QDir::cleanPath(expanded(entry->path))));
}

QString SimWindowList::displayName(const QString& path)
{
    // The file manager names an application by its own name and hides ".app".
    const SimWorld::InstalledEntry* entry = entryAt(m_world, path);
    if (entry && !entry->name.isEmpty())
        return entry->name;
    QString name = QDir::cleanPath(expanded(path)).section(QLatin1Char('/'), -1);
    if (name.endsWith(QLatin1String(".app")))
        name.chop(4);
    return name;
}

std::optional<std::int32_t> SimWindowList::openInstalled(const QString& bundlePath, const OpenConfiguration& configuration)
{
    const SimWorld::InstalledEntry* entry = entryAt(m_world, bundlePath);
    if (!entry || !entry->bundleID || entry->bundleID->isEmpty())
        return std::nullopt;
    // A running instance comes forward; one that quit starts again under its pid.
    SimWorld::App* known = nullptr;
    for (SimWorld::App& app : m_world.apps) {
        if (app.bundleID != *entry->bundleID)
            continue;
        if (app.running || !known)
            known = &app;
        if (app.running)
            break;
    }
    if (known)
        return start(*known, configuration, known->running);
    std::int32_t pid = kFirstLaunchedPID;
    for (const SimWorld::App& app : m_world.apps)
        pid = std::max(pid, app.pid + 1);
    SimWorld::App app{pid, *entry->bundleID, entry->name, QStringLiteral("regular")};
    app.running = false;
    {
        std::lock_guard lock(m_world.stateMutex());
        m_world.apps.push_back(app);
    }
    return start(m_world.apps.back(), configuration, false);
}

std::int32_t SimWindowList::start(SimWorld::App& app, const OpenConfiguration& configuration, bool activatesAsAsked)
{
    // The system hands arguments only to an instance it starts.
    if (app.running && !configuration.createsNewInstance) {
        if (configuration.activates)
            activate(app.pid);
        return app.pid;
    }
    std::int32_t pid = app.pid;
    if (app.running) {
        pid = kFirstLaunchedPID;
        for (const SimWorld::App& other : m_world.apps)
            pid = std::max(pid, other.pid + 1);
        SimWorld::App copy{pid, app.bundleID, app.name, app.policy};
        copy.launchArguments = configuration.arguments;
        std::lock_guard lock(m_world.stateMutex());
        m_world.apps.push_back(copy);
    } else {
        std::lock_guard lock(m_world.stateMutex());
        app.running = true;
        app.hidden = false;
        app.launchArguments = configuration.arguments;
    }
    m_world.postApplicationEvent(WorkspaceEvent::DidLaunchApplication, pid);
    if (!configuration.activates)
        return pid;
    if (activatesAsAsked) {
        activate(pid);
    } else {
        // A bundle starting up comes forward by itself, without an activation request.
        {
            std::lock_guard lock(m_world.stateMutex());
            m_world.frontmostPID = pid;
        }
        m_world.postApplicationEvent(WorkspaceEvent::DidActivateApplication, pid);
    }
    return pid;
}

} // namespace lumivast
