#include "Core/Commands/SpaceResolution.h"

#include <vector>

namespace lumivast {

namespace {

QString matchKey(const QString& text)
{
    return text.toLower().normalized(QString::NormalizationForm_C);
}

std::optional<Space> byName(const QString& name, const SpaceSnapshot& snapshot, const DisplayNameLookup& displayName)
{
    // An empty name would be a prefix of every name and pick the first Space.
    if (name.isEmpty() || !displayName)
        return std::nullopt;

    const QString query = matchKey(name);
    const std::vector<Space> spaces = snapshot.allSpaces();
    std::vector<QString> keys;
    keys.reserve(spaces.size());
    for (const Space& space : spaces)
        keys.push_back(matchKey(displayName(space)));

    const auto firstWhere = [&](auto matches) -> std::optional<Space> {
        for (size_t i = 0; i < spaces.size(); ++i) {
            if (matches(keys[i]))
                return spaces[i];
        }
        return std::nullopt;
    };
    if (auto space = firstWhere([&](const QString& key) { return key == query; }))
        return space;
    if (auto space = firstWhere([&](const QString& key) { return key.startsWith(query); }))
        return space;
    return firstWhere([&](const QString& key) { return key.contains(query); });
}

} // namespace

std::optional<Space> resolve(const SpaceCommand::SpaceRef& ref, const SpaceSnapshot& snapshot,
                             const DisplayNameLookup& displayName)
{
    using Ref = SpaceCommand::SpaceRef;
    if (const auto* number = std::get_if<Ref::Number>(&ref.value)) {
        for (const DisplaySpaces& display : snapshot.displays) {
            for (const Space& space : display.spaces) {
                if (space.desktopNumber && *space.desktopNumber == number->value)
                    return space;
            }
        }
        return std::nullopt;
    }
    if (const auto* name = std::get_if<Ref::Name>(&ref.value))
        return byName(name->text, snapshot, displayName);

    if (const Space* current = snapshot.currentSpace())
        return *current;
    return std::nullopt;
}

} // namespace lumivast
