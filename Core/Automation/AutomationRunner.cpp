#include "Core/Automation/AutomationRunner.h"

#include "Core/Automation/BrowserProfiles.h"
#include "Core/Automation/Keystroke.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/Log.h"
#include "Platform/Platform.h"

#include <QCoreApplication>
#include <QDir>

#include <pwd.h>

namespace lumivast {

namespace {

// A text field counts as set from its first character on; nothing is trimmed.
bool isSet(const std::optional<QString>& text)
{
    return text && !text->isEmpty();
}

// The standard tilde expansion: "~" and "~/…" are the user's home, "~name/…" that user's.
QString expandTilde(const QString& path)
{
    if (!path.startsWith(QLatin1Char('~')))
        return path;
    const qsizetype slash = path.indexOf(QLatin1Char('/'));
    const QString user = path.mid(1, slash < 0 ? -1 : slash - 1);
    const QString rest = slash < 0 ? QString() : path.mid(slash);
    if (user.isEmpty())
        return QDir::homePath() + rest;
    const passwd* entry = getpwnam(user.toLocal8Bit().constData());
    if (!entry || !entry->pw_dir)
        return path;
    return QString::fromLocal8Bit(entry->pw_dir) + rest;
}

// A path as a file location; a relative one is taken from the working folder.
QUrl fileURL(const QString& path)
{
    return QUrl::fromLocalFile(QDir::current().absoluteFilePath(path));
}

} // namespace

AutomationRunner::AutomationRunner(SpaceStore& store, Scheduler& scheduler) : m_store(store), m_scheduler(scheduler) {}

AutomationRunner::~AutomationRunner() = default;

void AutomationRunner::later(Duration delay, std::function<void()> work)
{
    std::erase_if(m_steps, [](const WorkItem& item) { return !item.isPending(); });
    m_steps.push_back(m_scheduler.after(delay, std::move(work)));
}

void AutomationRunner::spaceChanged(const std::optional<Space>& from, const Space& to)
{
    if (!Settings::defaults().boolValue(Settings::Key::runAutomations))
        return;

    if (from) {
        if (const auto leaving = m_store.meta(from->id).automation) {
            if (isSet(leaving->shortcutOnLeave))
                runShortcut(*leaving->shortcutOnLeave);
            if (isSet(leaving->scriptOnLeave))
                runScript(*leaving->scriptOnLeave, *from);
        }
    }

    const auto automation = m_store.meta(to.id).automation;
    if (!automation)
        return;

    const bool gatedByWindows = automation->launchOnlyIfEmpty && !isSpaceEmpty(to);
    const bool gatedByOnce = automation->launchOnce && m_launched.contains(to.id);
    if (!gatedByWindows && !gatedByOnce) {
        m_launched.insert(to.id);
        m_entryLaunchScheduledAt[to.id] = m_scheduler.now();
        const SpaceAutomation launching = *automation;
        later(kLaunchDelay, [this, launching] { launch(launching); });
    }
    if (automation->browserApp && isSet(automation->browserProfile)) {
        const QString bundle = *automation->browserApp;
        const QString profile = *automation->browserProfile;
        later(kBrowserDelay, [bundle, profile] { BrowserProfiles::open(bundle, profile); });
    }
    if (isSet(automation->keystrokeOnEnter)) {
        const QString keys = *automation->keystrokeOnEnter;
        later(kKeystrokeDelay, [keys] { Keystroke::send(keys); });
    }
    if (automation->hideOtherApps) {
        // The apps of the Space as it is now, not as it will be when the step runs.
        const std::set<std::int32_t> keep = appsOnSpace(to);
        later(kHideDelay, [this, keep] { hideOtherApps(keep); });
    }
    if (isSet(automation->shortcutOnEnter))
        runShortcut(*automation->shortcutOnEnter);
    if (isSet(automation->scriptOnEnter))
        runScript(*automation->scriptOnEnter, to);
}

void AutomationRunner::runSetup(const Space& space)
{
    const auto automation = m_store.meta(space.id).automation;
    if (!automation)
        return;
    // The switch that came before this set-up may have launched the Space
    // already on its way in; opening everything again would double it.
    const auto scheduled = m_entryLaunchScheduledAt.find(space.id);
    const bool launchedOnEntry = scheduled != m_entryLaunchScheduledAt.end()
        && m_scheduler.now() - scheduled->second < kSetupAfterSwitch;
    m_launched.insert(space.id);
    if (!launchedOnEntry)
        launch(*automation);
}

void AutomationRunner::launch(const SpaceAutomation& automation)
{
    Workspace& workspace = Platform::current().workspace();
    OpenConfiguration configuration;
    configuration.activates = true;
    for (const QString& entry : automation.launchApps) {
        workspace.openApplication(fileURL(entry), configuration, [entry](const OpenResult& result) {
            if (!result)
                qCCritical(lcAutomation, "launch %s: %s", qUtf8Printable(entry), qUtf8Printable(result.error()));
        });
    }
    for (const QString& entry : automation.openURLs) {
        if (entry.contains(QStringLiteral("://"))) {
            const QUrl url(entry, QUrl::StrictMode);
            if (url.isValid())
                workspace.openURL(url);
            continue;
        }
        workspace.openURL(fileURL(expandTilde(entry)));
    }
}

void AutomationRunner::hideOtherApps(const std::set<std::int32_t>& keep)
{
    RunningApplications& running = Platform::current().runningApplications();
    const auto own = std::int32_t(QCoreApplication::applicationPid());
    for (const RunningApplication& app : running.runningApplications()) {
        if (app.activationPolicy != ActivationPolicy::regular || keep.contains(app.pid) || app.pid == own
            || app.bundleID == kFinderBundleID)
            continue;
        running.hide(app.pid);
    }
}

void AutomationRunner::run(const QString& path, const QStringList& arguments, const std::map<QString, QString>& environment)
{
    m_processQueue.async([platform = Platform::currentShared(), path, arguments, environment] {
        if (const auto failure = platform->processes().startDetached(path, arguments, environment))
            qCCritical(lcAutomation, "run %s: %s", qUtf8Printable(path), qUtf8Printable(*failure));
    });
}

void AutomationRunner::runShortcut(const QString& name)
{
    // The shortcuts tool stands for "/usr/bin/shortcuts run <name>".
    m_processQueue.async([platform = Platform::currentShared(), name] {
        if (const auto failure = platform->shortcuts().run(name))
            qCCritical(lcAutomation, "run %s: %s", qUtf8Printable(kShortcutsPath), qUtf8Printable(*failure));
    });
}

void AutomationRunner::runScript(const QString& command, const Space& space)
{
    const std::map<QString, QString> environment = {
        {QStringLiteral("LUMIVAST_SPACE_NAME"), m_store.displayName(space)},
        {QStringLiteral("LUMIVAST_SPACE_NUMBER"), space.desktopNumber ? QString::number(*space.desktopNumber) : QString()},
        {QStringLiteral("LUMIVAST_SPACE_ID"), space.id},
    };
    run(kShellPath, {QStringLiteral("-lc"), command}, environment);
}

QStringList AutomationRunner::shortcutNames(const QByteArray& listing)
{
    QStringList names = QString::fromUtf8(listing).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Code point order of the canonically composed text, without a locale.
    std::vector<std::pair<QList<uint>, QString>> keyed;
    keyed.reserve(std::size_t(names.size()));
    for (const QString& name : names)
        keyed.emplace_back(name.normalized(QString::NormalizationForm_C).toUcs4(), name);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    names.clear();
    for (auto& [key, name] : keyed)
        names.append(std::move(name));
    return names;
}

QStringList AutomationRunner::availableShortcuts()
{
    const auto listing = Platform::current().shortcuts().listing();
    if (!listing)
        return {};
    return shortcutNames(*listing);
}

} // namespace lumivast
