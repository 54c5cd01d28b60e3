#include "UI/Settings/OverviewPane.h"

#include "Core/Settings/Settings.h"
#include "Platform/Platform.h"

#include <QJsonArray>
#include <QPushButton>

namespace lumivast {

namespace K = Settings::Key;

OverviewPane::OverviewPane(SettingsServices& services, QWidget* parent)
    : PaneForm(parent)
{
    Q_UNUSED(services);
    FormSection* content = addSection(tr("Content"));
    content->addRow(new SettingToggle(tr("Show Spaces from all displays"), K::overlayShowsAllDisplays));
    content->addRow(new SettingToggle(tr("Show app icons on each Space"), K::showAppIcons));
    content->addRow(new SettingToggle(tr("Hide empty Spaces"), K::hideEmptySpaces));
    content->addRow(new SettingToggle(tr("Hide full screen app Spaces"), K::hideFullscreenSpaces));
    content->addRow(new SettingToggle(tr("Group Spaces by category"), K::groupOverview));
    content->addCaption(tr("Hidden Spaces are also left out of the menu and the %1. The current Space is always shown.")
                            .arg(Platform::current().parts().words().statusArea));
    m_resetArrangement = new QPushButton(tr("Reset Arrangement"));
    connect(m_resetArrangement, &QPushButton::clicked, this, [] {
        // An empty list, not a removed key: the overview keeps its default order until tiles are dragged again.
        Settings::defaults().set(K::overviewOrder, QJsonArray());
    });
    content->addRow(std::vector<QWidget*>{m_resetArrangement, nullptr});
    PaneKit::follow(this, K::overviewOrder, [this] { m_resetArrangement->setEnabled(hasArrangement()); });

    FormSection* previews = addSection(tr("Previews"));
    previews->addRow(new SettingToggle(tr("Capture previews"), K::thumbnailsEnabled));
    m_refresh = new SettingPicker(K::thumbnailRefreshInterval, {{tr("15 seconds"), 15.0},
                                                                {tr("30 seconds"), 30.0},
                                                                {tr("1 minute"), 60.0},
                                                                {tr("5 minutes"), 300.0},
                                                                {tr("Only when switching"), 0.0}});
    m_refreshRow = previews->addRow(tr("Refresh current Space every"), m_refresh);
    PaneKit::follow(this, K::thumbnailsEnabled,
                    [this] { m_refreshRow->setVisible(Settings::defaults().boolValue(K::thumbnailsEnabled)); });

    FormSection* open = addSection(tr("Open without a shortcut"));
    open->addRow(tr("Hot corner"), new SettingPicker(K::hotCorner, {{tr("Off"), QStringLiteral("none")},
                                                                   {tr("Top left"), QStringLiteral("topLeft")},
                                                                   {tr("Top right"), QStringLiteral("topRight")},
                                                                   {tr("Bottom left"), QStringLiteral("bottomLeft")},
                                                                   {tr("Bottom right"), QStringLiteral("bottomRight")}}));
    open->addRow(new SettingToggle(tr("Rest the pointer on the notch to show Spaces"), K::notchHover));
    open->addCaption(tr("On displays without a notch, the top centre edge works the same way."));
}

bool OverviewPane::hasArrangement()
{
    const auto order = Settings::defaults().stringList(K::overviewOrder);
    return order && !order->isEmpty();
}

} // namespace lumivast
