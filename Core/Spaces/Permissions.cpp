#include "Core/Spaces/Permissions.h"

#include "Platform/Platform.h"

#include <QUrl>

namespace lumivast::Permissions {

namespace {

// A string that is not a link does nothing.
void open(const QString& link)
{
    const QUrl url(link, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return;
    Platform::current().workspace().openURL(url);
}

} // namespace

void requestAccessibility()
{
    Platform::current().trust().isAccessibilityTrusted(true);
    open(QString::fromLatin1(kAccessibilityPane));
}

void requestScreenRecording()
{
    Platform::current().trust().requestScreenCaptureAccess();
    open(QString::fromLatin1(kScreenRecordingPane));
}

void openDesktopSettings()
{
    open(QString::fromLatin1(kDesktopSettings));
}

void openKeyboardShortcuts()
{
    open(QString::fromLatin1(kKeyboardShortcuts));
}

} // namespace lumivast::Permissions
