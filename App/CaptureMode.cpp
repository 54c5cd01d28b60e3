#include "App/CaptureMode.h"

#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Platform/Platform.h"

namespace lumivast {

namespace {

constexpr Duration kPollSlice = 50ms;

} // namespace

int runCaptureMode(Scheduler& scheduler, const CaptureModeIO& io)
{
    Settings::registerDefaults();
    const bool granted = Platform::current().trust().preflightScreenCaptureAccess();
    io.print(QStringLiteral("screen recording granted: %1").arg(granted ? QStringLiteral("true") : QStringLiteral("false")));

    const std::optional<SpaceSnapshot> snapshot = SpaceProvider::snapshot(scheduler);
    if (!snapshot) {
        io.print(QStringLiteral("no snapshot"));
        return 1;
    }

    const QString folder = AppPaths::thumbnailsDirectory();
    ThumbnailService service(scheduler, folder);
    bool finished = false;
    service.captureActiveSpacesNow(*snapshot, [&finished] { finished = true; });
    // A capture that never answers must not hang a script that called us.
    const Duration start = scheduler.now();
    while (!finished && scheduler.now() - start < kCaptureModeLimit)
        io.wait(kPollSlice);

    // Once one capture is still out, the ones after it never started.
    bool unanswered = false;
    for (const Space& space : snapshot->activeSpaces()) {
        const QString& id = space.id;
        unanswered = unanswered || (!finished && service.isCapturing(id));
        if (unanswered) {
            io.print(QStringLiteral("no image for ") + id + QStringLiteral(": no answer within %1 s").arg(kCaptureModeLimit.count() / 1000));
            continue;
        }
        const auto image = service.images().find(id);
        if (image == service.images().end()) {
            io.print(QStringLiteral("no image for %1: %2").arg(id, service.lastError().value_or(QStringLiteral("no error recorded"))));
        } else if (const auto error = service.fileError(id)) {
            io.print(QStringLiteral("no image for %1: %2").arg(id, *error));
        } else {
            const QSize size = image->second.size();
            io.print(QStringLiteral("captured ") + id + QStringLiteral(": ") + QString::number(size.width()) + QLatin1Char('x')
                     + QString::number(size.height()) + QStringLiteral(" -> ") + folder + QLatin1Char('/') + id + QStringLiteral(".jpg"));
        }
    }
    return 0;
}

} // namespace lumivast
