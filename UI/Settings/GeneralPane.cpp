#include "UI/Settings/GeneralPane.h"

#include "CGSBridge/CGSBridge.h"
#include "Core/Settings/Settings.h"
#include "Platform/Platform.h"
#include "UI/Settings/SettingsServices.h"

#include <QCheckBox>
#include <QLabel>
#include <QPaintEvent>
#include <QPushButton>
#include <QSignalBlocker>

namespace lumivast {

namespace K = Settings::Key;

namespace {

// Probes the bridge each time it is drawn, so the row never shows a stale health.
class BridgeLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QString now = GeneralPane::bridgeText();
        if (now != text())
            setText(now); // asks for one more draw, which then finds it unchanged
        QLabel::paintEvent(event);
    }
};

QLabel* valueLabel(QLabel* label)
{
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

GeneralPane::GeneralPane(SettingsServices& services, QWidget* parent)
    : PaneForm(parent)
    , m_services(services)
{
    FormSection* main = addSection();
    m_launchAtLogin = new WrappingCheckBox(tr("Launch at login"));
    {
        const QSignalBlocker quiet(m_launchAtLogin);
        m_launchAtLogin->setChecked(Platform::current().loginItem().isEnabled());
    }
    connect(m_launchAtLogin, &QCheckBox::toggled, this, [this](bool on) { launchAtLoginChanged(on); });
    main->addRow(m_launchAtLogin);
    main->addRow(new SettingToggle(tr("Ask to name new Spaces"), K::askToNameNewSpaces));
    const SystemParts& parts = Platform::current().parts();
    const auto has = [&parts](SystemParts::Part part) { return parts.has(part); };
    if (has(SystemParts::Part::missionControl))
        main->addRow(new SettingToggle(tr("Show names in Mission Control"), K::missionControlLabels));
    main->addRow(new SettingToggle(tr("Run Space automations"), K::runAutomations));
    main->addRow(new SettingToggle(tr("Name unnamed Spaces after their main app"), K::autoNameSpaces));
    if (has(SystemParts::Part::trackpadGestures))
        main->addRow(new SettingToggle(tr("Four-finger tap on the trackpad opens the overview"), K::fourFingerTap));

    FormSection* api = addSection(tr("Local API"));
    api->addRow(new SettingToggle(tr("Let other apps on this %1 read and control Spaces").arg(parts.words().computer),
                                  K::localAPI));
    m_addressRow = api->addRow(tr("Address"), valueLabel(new QLabel(QStringLiteral("http://127.0.0.1:%1").arg(kPort))));
    m_copyToken = new QPushButton(tr("Copy Access Token"));
    connect(m_copyToken, &QPushButton::clicked, this, [this] { copyToken(); });
    m_copyTokenRow = api->addRow(std::vector<QWidget*>{m_copyToken, nullptr});
    m_apiCaption = api->addCaption(tr("GET /spaces is open to local apps. POST /command?url=lumivast://\u2026 needs the "
                                      "header Authorization: Bearer <token>."));
    PaneKit::follow(this, K::localAPI, [this] { showLocalAPIRows(); });

    FormSection* switching = addSection(tr("Switching"));
    // Both methods go through the Dock and Mission Control; without them there is one way.
    if (has(SystemParts::Part::dock) && has(SystemParts::Part::missionControl)) {
        switching->addRow(tr("Method"),
                          new SettingPicker(K::switchMode, {{tr("Instant (no animation)"), QStringLiteral("instant")},
                                                            {tr("Classic (Mission Control shortcuts)"), QStringLiteral("classic")}}));
        switching->addRow(PaneKit::callout(tr("Instant posts a trackpad swipe to the Dock, so the switch has no animation. "
                                              "Classic presses the Mission Control shortcuts and needs them enabled in "
                                              "%1.")
                                               .arg(parts.words().systemSettings)));
    }
    switching->addRow(new SettingToggle(tr("Follow a window after moving it to another Space"), K::followMovedWindow));

    if (has(SystemParts::Part::dock)) {
        FormSection* dock = addSection(tr("Dock"));
        dock->addRow(new SettingToggle(tr("Stay on this Space when clicking Dock icons"), K::dockClickProtection));
        dock->addRow(PaneKit::callout(tr("When an app's windows are on another Space, clicking its Dock icon normally takes "
                                         "you there. With this on, Lumivast brings you back and opens a new window of that "
                                         "app here. Experimental.")));
    }

    FormSection* about = addSection(tr("About"));
    m_version = valueLabel(new QLabel(versionText(BundleInfo::main())));
    about->addRow(tr("Version"), m_version);
    m_bridge = valueLabel(new BridgeLabel(bridgeText()));
    about->addRow(tr("System bridge"), m_bridge);
}

QString GeneralPane::versionText(const BundleInfo& bundle)
{
    return bundle.shortVersion.value_or(QStringLiteral("dev"));
}

QString GeneralPane::bridgeText()
{
    return CGSBridgeProbe().isHealthy() ? tr("Healthy") : tr("Degraded");
}

void GeneralPane::launchAtLoginChanged(bool on)
{
    LoginItem& item = Platform::current().loginItem();
    const auto result = on ? item.enable() : item.disable();
    if (result)
        return;
    // The box shows what the system now says, without acting again.
    const QSignalBlocker quiet(m_launchAtLogin);
    m_launchAtLogin->setChecked(item.isEnabled());
}

void GeneralPane::copyToken()
{
    Pasteboard& board = Platform::current().pasteboard();
    board.clearContents();
    board.setString(m_services.apiToken());
}

void GeneralPane::showLocalAPIRows()
{
    const bool on = Settings::defaults().boolValue(K::localAPI);
    m_addressRow->setVisible(on);
    m_copyTokenRow->setVisible(on);
    m_apiCaption->setVisible(on);
}

} // namespace lumivast
