#include "Core/Spaces/Reactions.h"

#include <gtest/gtest.h>

using namespace lumivast;

TEST(Reactions, RunInTheOrderAddedUntilAGateTakesTheChange)
{
    Reactions<int> reactions;
    QStringList ran;
    reactions.add(QStringLiteral("first"), [&](int n) { ran.append(QStringLiteral("first %1").arg(n)); });
    reactions.addGate(QStringLiteral("gate"), [&](int n) {
        ran.append(QStringLiteral("gate"));
        return n < 0;
    });
    reactions.add(QStringLiteral("last"), [&](int n) { ran.append(QStringLiteral("last %1").arg(n)); });
    EXPECT_EQ(reactions.names(), (QStringList{"first", "gate", "last"}));

    reactions.run(2);
    EXPECT_EQ(ran, (QStringList{"first 2", "gate", "last 2"}));
    ran.clear();
    reactions.run(-1);
    EXPECT_EQ(ran, (QStringList{"first -1", "gate"}));
}
