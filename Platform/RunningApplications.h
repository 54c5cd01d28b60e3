#pragma once

#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace lumivast {

enum class ActivationPolicy { regular, accessory, prohibited };

// One running application as the workspace reports it at the moment of asking.
struct RunningApplication {
    std::int32_t pid = 0;
    std::optional<QString> bundleID;
    std::optional<QString> localizedName;
    ActivationPolicy activationPolicy = ActivationPolicy::regular;
    bool isActive = false; // frontmost
    bool isHidden = false;
    bool operator==(const RunningApplication&) const = default;
};

// The workspace's running applications and application icons. Safe to call
// from any thread.
class RunningApplications {
public:
    virtual ~RunningApplications() = default;
    virtual std::vector<RunningApplication> runningApplications() = 0;
    // The running application with this process id, if any.
    virtual std::optional<RunningApplication> runningApplication(std::int32_t pid) = 0;
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    // A null image when no such application runs.
    virtual QImage icon(std::int32_t pid) = 0;
    // The icon of the installed application with this bundle identifier; a
    // null image when none is installed.
    virtual QImage iconForBundle(const QString& bundleID) = 0;

    // ---- installed applications ----
    // The direct entries of a folder, as full paths in the order the listing
    // gives them (hidden ones included); none when it cannot be listed.
    virtual std::optional<QStringList> folderEntries(const QString& folder) = 0;
    // The bundle identifier of the application bundle at `bundlePath`; none
    // when the bundle cannot be read or declares none.
    virtual std::optional<QString> bundleIdentifier(const QString& bundlePath) = 0;
    // The icon the file manager shows for the file at `path`; null when none.
    virtual QImage iconForFile(const QString& path) = 0;
    // The name the file manager shows for the file at `path`: an application's
    // own name, else the file name (without ".app"), also for a file that is gone.
    virtual QString displayName(const QString& path)
    {
        QString name = QFileInfo(path).fileName();
        if (name.endsWith(QLatin1String(".app")))
            name.chop(4);
        return name;
    }
    // Main thread. False when no such application runs (or it refuses).
    // Activating brings the application to the front without options.
    virtual bool activate(std::int32_t pid) = 0;
    virtual bool hide(std::int32_t pid) = 0;
    virtual bool unhide(std::int32_t pid) = 0;
};

} // namespace lumivast
