#include "Core/Apps/AppCatalogue.h"

#include "Platform/Platform.h"

#include <QUrl>

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <memory>
#include <set>

namespace lumivast::AppCatalogue {

namespace {

constexpr quint16 kKeyCodeN = 45;
constexpr quint64 kCommandFlag = 0x100000;

QString fileName(const QString& path)
{
    return path.section(QLatin1Char('/'), -1);
}

QString baseName(const QString& path)
{
    const QString name = fileName(path);
    return name.endsWith(QLatin1String(".app")) ? name.chopped(4) : name;
}

void activate(std::int32_t pid)
{
    Platform::current().runningApplications().activate(pid);
}

} // namespace

void postCommandN(std::int32_t pid)
{
    EventPoster& events = Platform::current().events();
    for (const bool down : {true, false}) {
        auto event = events.createKeyboardEvent(kKeyCodeN, down);
        if (!event)
            continue;
        event->flags = kCommandFlag;
        events.postToProcess(pid, *event);
    }
}

const QStringList& folders()
{
    static const QStringList list{QStringLiteral("/Applications"), QStringLiteral("/System/Applications"),
                                  QStringLiteral("/System/Applications/Utilities"),
                                  QStringLiteral("/Applications/Utilities"), QStringLiteral("~/Applications")};
    return list;
}

QStringList all()
{
    RunningApplications& system = Platform::current().runningApplications();
    QStringList bundles;
    std::set<QString> seen;
    for (const QString& folder : folders()) {
        const QString path = folder.startsWith(QLatin1Char('~')) ? QDir::homePath() + folder.mid(1) : folder;
        const auto entries = system.folderEntries(path);
        if (!entries)
            continue;
        for (const QString& entry : *entries) {
            // The extension exactly, lower case: "Thing.APP" is not a bundle.
            if (QFileInfo(entry).suffix() != QLatin1String("app"))
                continue;
            if (seen.insert(fileName(entry)).second)
                bundles.append(entry);
        }
    }
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(bundles.begin(), bundles.end(), [&](const QString& a, const QString& b) {
        return collator.compare(baseName(a), baseName(b)) < 0;
    });
    return bundles;
}

void openHere(const QString& bundlePath, const SpaceContents& contents, std::optional<int> currentSpaceID,
              Scheduler& scheduler)
{
    RunningApplications& system = Platform::current().runningApplications();
    const auto launch = [&] { Platform::current().workspace().openApplication(QUrl::fromLocalFile(bundlePath), {}); };

    const auto bundleID = system.bundleIdentifier(bundlePath);
    if (!bundleID)
        return launch();
    std::optional<RunningApplication> app;
    for (const RunningApplication& running : system.runningApplications()) {
        if (running.bundleID == *bundleID) {
            app = running;
            break;
        }
    }
    if (!app)
        return launch();

    if (currentSpaceID) {
        for (const SpaceContents::WindowInfo& window : contents.windows()) {
            if (window.pid == app->pid && window.spaceID == *currentSpaceID) {
                activate(app->pid);
                return;
            }
        }
    }
    postCommandN(app->pid);
    // Nobody owns this delay: the work item holds itself until it has run.
    auto holder = std::make_shared<WorkItem>();
    *holder = scheduler.after(kActivationDelay, [holder, pid = app->pid] {
        activate(pid);
        WorkItem done = std::move(*holder);
    });
}

} // namespace lumivast::AppCatalogue
