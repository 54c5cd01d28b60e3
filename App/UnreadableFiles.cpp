// Telling the user about data files that could not be read: the program goes
// on without them, so without a word every name or setting they held would
// just be gone, with the copy that could bring it back nowhere in sight.

#include "App/AppDelegate.h"

#include "Core/Settings/Settings.h"
#include "Platform/DataFile.h"

#include <QFileInfo>

#include <algorithm>

namespace lumivast {

namespace {

// After the launch's own switch HUD has had its time.
Duration reportDelay()
{
    const double hud = std::clamp(Settings::defaults().doubleValue(Settings::Key::hudDuration), 0.0, 60.0);
    return std::max(HUDController::minimumToastDuration, seconds(hud)) + HUDController::fadeOutDuration;
}

} // namespace

void AppDelegate::wireUnreadableFileReports()
{
    // Files found while starting, in one toast; later ones as they are found,
    // after the toast of the operation that found them.
    later(reportDelay(), [](AppDelegate& d) { d.reportUnreadableFiles(); });
    // Reported from whichever thread read the file.
    DataFile::setSetAsideObserver(m_lifetime.wrap([this](const DataFile::SetAsideFile&) {
        later(reportDelay(), [](AppDelegate& d) { d.reportUnreadableFiles(); });
    }));
}

void AppDelegate::reportUnreadableFiles()
{
    const std::vector<DataFile::SetAsideFile> files = DataFile::takeUnreportedSetAsideFiles();
    if (files.empty())
        return;
    QStringList names;
    QStringList copies;
    for (const DataFile::SetAsideFile& file : files) {
        names << QFileInfo(file.path).fileName();
        copies << file.keptAs;
    }
    const QString message = files.size() == 1
        ? tr("Could not read %1; the unreadable copy was kept as %2").arg(names.first(), copies.first())
        : tr("Could not read %1; the unreadable copies were kept as %2")
              .arg(names.join(QStringLiteral(", ")), copies.join(QStringLiteral(", ")));
    errorToast(message);
}

} // namespace lumivast
