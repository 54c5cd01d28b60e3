#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Sample Spaces shown instead of the user's own, for screenshots and demos.
// Nothing stored is changed while it is on.
namespace lumivast::DemoMode {

struct Sample {
    QString name;
    QString symbol;
    QString colorHex;
};

// Where the launch arguments come from. The application installs it before
// anything reads isOn(); without one there are no arguments to look at.
void setLaunchArgumentsProvider(std::function<QStringList()> provider);

// On when the setting "demoMode" is true or the launch arguments hold exactly
// "--demo". Worked out at the first read and fixed for the rest of the run.
bool isOn();

// The eight samples, in order.
const std::vector<Sample>& samples();

// The sample shown for a desktop with a number above 0 while demo mode is on
// (desktops 1 and 9 share one); null otherwise.
const Sample* sample(const Space& space);

// Tests only: forget the fixed answer so that the next read decides again.
void resetForTesting();

} // namespace lumivast::DemoMode
