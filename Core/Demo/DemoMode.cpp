#include "Core/Demo/DemoMode.h"

#include "Core/Settings/Settings.h"

#include <optional>

namespace lumivast::DemoMode {

namespace {

std::function<QStringList()>& argumentsProvider()
{
    static std::function<QStringList()> provider;
    return provider;
}

std::optional<bool>& fixedAnswer()
{
    static std::optional<bool> answer;
    return answer;
}

} // namespace

void setLaunchArgumentsProvider(std::function<QStringList()> provider)
{
    argumentsProvider() = std::move(provider);
}

bool isOn()
{
    std::optional<bool>& answer = fixedAnswer();
    if (!answer) {
        bool on = Settings::defaults().boolValue(Settings::Key::demoMode);
        if (!on && argumentsProvider())
            on = argumentsProvider()().contains(QStringLiteral("--demo"));
        answer = on;
    }
    return *answer;
}

const std::vector<Sample>& samples()
{
    static const std::vector<Sample> list{
        {QStringLiteral("Mail & Calendar"), QStringLiteral("envelope"), QStringLiteral("#5B8DEF")},
        {QStringLiteral("Lumivast \u00B7 Xcode"), QStringLiteral("hammer"), QStringLiteral("#7C6CFF")},
        {QStringLiteral("Client: Brightwater Labs"), QStringLiteral("briefcase"), QStringLiteral("#FF8A5B")},
        {QStringLiteral("Design \u00B7 Figma"), QStringLiteral("paintbrush"), QStringLiteral("#46D39A")},
        {QStringLiteral("Music"), QStringLiteral("music.note"), QStringLiteral("#2FB7A8")},
        {QStringLiteral("Planning"), QStringLiteral("calendar"), QStringLiteral("#E0B341")},
        {QStringLiteral("Research"), QStringLiteral("books.vertical"), QStringLiteral("#D96BB0")},
        {QStringLiteral("Chat"), QStringLiteral("bubble.left.and.bubble.right"), QStringLiteral("#8B7CFF")},
    };
    return list;
}

const Sample* sample(const Space& space)
{
    if (!isOn() || space.isFullscreen || !space.desktopNumber || *space.desktopNumber <= 0)
        return nullptr;
    const auto& list = samples();
    return &list[static_cast<std::size_t>(*space.desktopNumber - 1) % list.size()];
}

void resetForTesting()
{
    fixedAnswer().reset();
}

} // namespace lumivast::DemoMode
