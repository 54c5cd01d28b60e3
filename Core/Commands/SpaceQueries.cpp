#include "Core/Commands/SpaceQueries.h"

namespace lumivast {

QString SpaceQueries::currentName() const
{
    const Space* current = snapshot().currentSpace();
    return current ? displayName(*current) : QString();
}

qint64 SpaceQueries::currentNumber() const
{
    const Space* current = snapshot().currentSpace();
    return current ? current->desktopNumber.value_or(0) : 0;
}

QString SpaceQueries::allNames() const
{
    QStringList names;
    for (const Space& space : snapshot().allSpaces())
        names.append(displayName(space));
    return names.join(QLatin1Char('\n'));
}

} // namespace lumivast
