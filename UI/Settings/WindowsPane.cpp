#include "UI/Settings/WindowsPane.h"

#include "Core/Automation/BrowserProfiles.h"
#include "Core/Settings/Settings.h"
#include "Platform/Platform.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Settings/WatcherProxy.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace lumivast {

namespace K = Settings::Key;

WindowsPane::WindowsPane(SettingsServices& services, QWidget* parent)
    : PaneForm(parent)
    , m_services(services)
{
    FormSection* focus = addSection(tr("Focus"));
    focus->addRow(new SettingToggle(tr("Return focus to the last window when you come back to a Space"), K::restoreFocus));
    focus->addRow(new SettingToggle(tr("Space Lock: when an app pulls me to another Space, bring its window here instead"),
                                    K::spaceLock));
    focus->addRow(new SettingToggle(tr("Apply \"Apps that belong here\" rules to new windows"), K::applyAppRules));

    FormSection* layouts = addSection(tr("Layouts"));
    layouts->addRow(new SettingToggle(tr("Remember where every window is (every 5 minutes)"), K::autoSaveLayout));
    layouts->addRow(new SettingToggle(tr("Put windows back when an external display is reconnected"),
                                      K::restoreOnDisplayReconnect));
    layouts->addCaption(tr("After a restart Lumivast offers to put windows back on their Spaces. Save and restore any "
                           "time from the menu: Windows and Spaces."));

    FormSection* scratchpad = addSection(tr("Scratchpad"));
    m_appIcon = new QLabel;
    m_appIcon->setFixedSize(kAppIconSize, kAppIconSize);
    m_appName = new QLabel;
    m_appName->setTextFormat(Qt::PlainText);
    m_remove = new QPushButton(tr("Remove"));
    m_choose = new QPushButton(tr("Choose\u2026"));
    scratchpad->addRow(std::vector<QWidget*>{new QLabel(tr("App")), nullptr, m_appIcon, m_appName, m_remove, m_choose});
    scratchpad->addCaption(tr("One shortcut brings this app over whatever Space you are on, and hides it again. Good "
                              "for notes, a terminal or a music player."));
    connect(m_remove, &QPushButton::clicked, this, [] { PaneKit::write(K::scratchpadApp, QString()); });
    connect(m_choose, &QPushButton::clicked, this, [this] { chooseScratchpad(); });

    FormSection* dock = addSection(tr("Space Dock"));
    dock->addRow(new SettingToggle(tr("Show a small dock with only this Space's apps"), K::spaceDock));

    m_altTab = addSection(tr("AltTab"));
    m_altTabButton = new QPushButton(tr("Make AltTab show only this Space's windows"));
    m_altTab->addRow(std::vector<QWidget*>{m_altTabButton, nullptr});
    connect(m_altTabButton, &QPushButton::clicked, this, [this] { setUpAltTab(); });

    connect(&m_services.snapshots, &WatcherProxy::changed, this, [this] { redraw(); });
    PaneKit::follow(this, K::scratchpadApp, [this] { redraw(); });
}

void WindowsPane::showEvent(QShowEvent* event)
{
    PaneForm::showEvent(event);
    redraw();
}

void WindowsPane::redraw()
{
    Platform& platform = Platform::current();
    const QString bundleID = Settings::defaults().string(K::scratchpadApp).value_or(QString());
    const auto url = bundleID.isEmpty() ? std::nullopt : platform.workspace().urlForApplication(bundleID);
    if (url) {
        const QString path = url->toLocalFile();
        const QImage icon = platform.runningApplications().iconForFile(path);
        const qreal ratio = devicePixelRatioF();
        QPixmap pixmap = icon.isNull() ? QPixmap()
                                       : QPixmap::fromImage(icon.scaled(QSize(kAppIconSize, kAppIconSize) * ratio,
                                                                        Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(ratio);
        m_appIcon->setPixmap(pixmap);
        m_appName->setText(platform.runningApplications().displayName(path));
    }
    m_appIcon->setVisible(url.has_value());
    m_appName->setVisible(url.has_value());
    m_remove->setVisible(url.has_value());
    m_altTab->setVisible(AltTabSetup::isInstalled());
}

void WindowsPane::chooseScratchpad()
{
    m_services.panels->chooseApplications(false, this, [](const std::optional<QStringList>& chosen) {
        if (!chosen || chosen->isEmpty())
            return;
        const auto bundleID = Platform::current().runningApplications().bundleIdentifier(chosen->front());
        if (!bundleID || bundleID->isEmpty())
            return;
        PaneKit::write(K::scratchpadApp, *bundleID);
    });
}

void WindowsPane::setUpAltTab()
{
    setOutcome(AltTabSetup::showCurrentSpaceOnly(m_services.scheduler) ? tr("AltTab now shows windows of the visible Space only.")
                                                                        : tr("AltTab could not be changed."));
}

} // namespace lumivast
