#include "UI/Settings/AppearancePane.h"

#include "Core/Settings/Settings.h"
#include "Platform/Platform.h"
#include "UI/Settings/TabularDigits.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>

namespace lumivast {

namespace K = Settings::Key;

namespace {

// The slider counts tenths of a second.
constexpr int kShortestTenths = 5;
constexpr int kLongestTenths = 30;
constexpr int kDurationFieldWidth = 36;

template <typename E>
std::vector<SettingPicker::Option> options(std::initializer_list<std::pair<E, QString>> titles)
{
    std::vector<SettingPicker::Option> result;
    for (const auto& [value, title] : titles)
        result.push_back({title, rawValue(value)});
    return result;
}

} // namespace

const QStringList& AppearancePane::soundNames()
{
    static const QStringList names{QStringLiteral("Tink"),  QStringLiteral("Pop"),       QStringLiteral("Bottle"),
                                   QStringLiteral("Frog"),  QStringLiteral("Morse"),     QStringLiteral("Purr"),
                                   QStringLiteral("Submarine"), QStringLiteral("Glass"), QStringLiteral("Hero")};
    return names;
}

QString AppearancePane::durationText(double seconds)
{
    // Not localised: always a point and an "s".
    return QString::asprintf("%.1fs", seconds);
}

AppearancePane::AppearancePane(SettingsServices& services, QWidget* parent)
    : PaneForm(parent)
{
    Q_UNUSED(services);
    using enum MenuBarStyle;
    // The section is named after the status area itself ("Menu bar").
    const QString statusArea = Platform::current().parts().words().statusArea;
    QString sectionTitle = statusArea;
    if (!sectionTitle.isEmpty())
        sectionTitle[0] = sectionTitle[0].toUpper();
    FormSection* menuBar = addSection(sectionTitle);
    menuBar->addRow(tr("Show"), new SettingPicker(K::menuBarStyle, options<MenuBarStyle>({{name, tr("Name")},
                                                                                        {number, tr("Number")},
                                                                                        {numberAndName, tr("Number and name")},
                                                                                        {iconOnly, tr("Icon only")},
                                                                                        {strip, tr("All Spaces (numbers)")},
                                                                                        {dots, tr("All Spaces (dots)")}})));
    m_allSpacesHelp = menuBar->addCaption(tr("Click a Space to switch. Right-click or Alt-click for the menu."));
    m_showIcon = menuBar->addRow(new SettingToggle(tr("Show Space icon"), K::menuBarShowsIcon));
    menuBar->addRow(new SettingToggle(tr("Scroll over the %1 item to switch").arg(statusArea), K::menuBarScrollSwitches));
    PaneKit::follow(this, K::menuBarStyle, [this] {
        // A stored text that names no style counts as one that shows a single title.
        const auto style = fromRawValue<MenuBarStyle>(Settings::defaults().string(K::menuBarStyle).value_or(QString()));
        const bool allSpaces = style && showsAllSpaces(*style);
        m_allSpacesHelp->setVisible(allSpaces);
        m_showIcon->setVisible(!allSpaces);
    });

    FormSection* switching = addSection(tr("When switching"));
    switching->addRow(new SettingToggle(tr("Show the Space name"), K::hudEnabled));
    m_hudRows.push_back(switching->addRow(tr("Position"), new SettingPicker(K::hudPosition, options<HUDPosition>({{HUDPosition::top, tr("Top")},
                                                                                                               {HUDPosition::center, tr("Center")},
                                                                                                               {HUDPosition::bottom, tr("Bottom")}}))));
    m_hudRows.push_back(switching->addRow(tr("Size"), new SettingPicker(K::hudSize, options<HUDSize>({{HUDSize::small, tr("Small")},
                                                                                                     {HUDSize::regular, tr("Regular")},
                                                                                                     {HUDSize::large, tr("Large")}}))));
    auto* durationLabel = new QLabel(tr("Duration"));
    m_duration = new QSlider(Qt::Horizontal);
    m_duration->setRange(kShortestTenths, kLongestTenths);
    m_duration->setSingleStep(1);
    m_duration->setPageStep(5);
    m_durationLabel = new QLabel;
    m_durationLabel->setFont(TabularDigits::font(m_durationLabel->font()));
    m_durationLabel->setMinimumWidth(kDurationFieldWidth);
    m_durationLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QWidget* durationRow = switching->addRow(std::vector<QWidget*>{durationLabel, m_duration, m_durationLabel});
    m_hudRows.push_back(durationRow);
    connect(m_duration, &QSlider::valueChanged, this, [](int tenths) { Settings::defaults().set(K::hudDuration, tenths / 10.0); });
    PaneKit::follow(this, K::hudDuration, [this] { showDuration(); });
    PaneKit::follow(this, K::hudEnabled, [this] {
        const bool on = Settings::defaults().boolValue(K::hudEnabled);
        for (QWidget* row : m_hudRows)
            row->setVisible(on);
    });

    std::vector<SettingPicker::Option> sounds{{tr("None"), QStringLiteral("")}};
    for (const QString& sound : soundNames())
        sounds.push_back({sound, sound}); // names, not translated
    switching->addRow(tr("Sound"), new SettingPicker(K::switchSound, std::move(sounds)));
    switching->addRow(new SettingToggle(tr("Speak the Space name"), K::speakSpaceNames));
    m_sound = Settings::defaults().string(K::switchSound).value_or(QString());
    connect(&Settings::defaults(), &UserDefaults::changed, this, [this](const QString& key) {
        if (key == K::switchSound)
            soundChanged();
    });

    using enum DesktopLabelPosition;
    FormSection* desktop = addSection(tr("On the desktop"));
    desktop->addRow(new SettingToggle(tr("Show the Space name on the desktop"), K::desktopLabel));
    m_labelPosition = desktop->addRow(tr("Position"), new SettingPicker(K::desktopLabelPosition,
                                                                       options<DesktopLabelPosition>({{bottomLeft, tr("Bottom left")},
                                                                                                      {bottomRight, tr("Bottom right")},
                                                                                                      {topLeft, tr("Top left")},
                                                                                                      {topRight, tr("Top right")},
                                                                                                      {DesktopLabelPosition::center, tr("Center")}})));
    PaneKit::follow(this, K::desktopLabel,
                    [this] { m_labelPosition->setVisible(Settings::defaults().boolValue(K::desktopLabel)); });
    desktop->addRow(new SettingToggle(tr("Floating Space toolbar on each display"), K::floatingToolbar));
    m_toolbarHelp = desktop->addCaption(tr("Drag the toolbar anywhere; its position is remembered per display."));
    PaneKit::follow(this, K::floatingToolbar,
                    [this] { m_toolbarHelp->setVisible(Settings::defaults().boolValue(K::floatingToolbar)); });
}

void AppearancePane::showDuration()
{
    const double seconds = Settings::defaults().doubleValue(K::hudDuration);
    m_durationLabel->setText(durationText(seconds));
    // Following the value never writes it: a value outside the slider's range stays as stored.
    const QSignalBlocker quiet(m_duration);
    m_duration->setValue(std::isfinite(seconds) ? int(std::lround(seconds * 10)) : kShortestTenths);
}

void AppearancePane::soundChanged()
{
    const QString sound = Settings::defaults().string(K::switchSound).value_or(QString());
    if (sound == std::exchange(m_sound, sound) || sound.isEmpty())
        return;
    Platform::current().sounds().play(sound); // an unknown name plays nothing
}

} // namespace lumivast
