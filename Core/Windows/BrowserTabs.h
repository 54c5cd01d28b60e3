#pragma once

#include <QString>
#include <QStringList>

// The addresses of the tabs open in the front window of the supported
// browsers, read by a script sent to each. Synchronous; main thread.
namespace lumivast::BrowserTabs {

inline const QString safari = QStringLiteral("com.apple.Safari");
// The Chromium-based browsers, in the order they are asked.
inline const QStringList chromium{
    QStringLiteral("com.google.Chrome"),        QStringLiteral("com.brave.Browser"),
    QStringLiteral("com.microsoft.edgemac"),    QStringLiteral("company.thebrowser.Browser"),
    QStringLiteral("com.vivaldi.Vivaldi"),
};

bool isSupported(const QString& bundleID);

// Text that a script shows as exactly `text` inside double quotes, whatever it contains.
QString quoted(const QString& text);
// The tab question for the application with this name.
QString script(const QString& applicationName);

// The tab addresses of the supported, running browsers among `bundleIDs`, in
// their order and then in tab order. A browser that does not answer adds nothing.
QStringList urls(const QStringList& bundleIDs);

} // namespace lumivast::BrowserTabs
