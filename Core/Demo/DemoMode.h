#pragma once

#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceModel.h"

#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

// Sample Spaces shown instead of the user's own, for screenshots and demos.
// Nothing stored is changed while it is on.
namespace lumivast::DemoMode {

struct SampleWindow {
    QString title;
    QString app;
};

struct SampleRect {
    QRectF frame; // fractions of the preview's width and height, origin top left
    bool dark = false;
};

struct Sample {
    QString name;
    QString symbol;
    QString colorHex;
    QStringList bundleIDs;
    std::vector<SampleWindow> windows;
    std::pair<QString, QString> gradient; // top and bottom of the preview
    std::vector<SampleRect> rects;
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

// The sample's installed apps, in order. Each gets a pid that can never be a
// real process: -1 for the first bundle identifier, -2 for the second, and so
// on, whether or not the ones before it are installed.
std::vector<SpaceContents::AppOnSpace> apps(const Space& space);

// The sample's drawn preview. Drawn once per sample at the first size asked
// for; later requests get that same image whatever size they ask for.
std::optional<QImage> thumbnail(const Space& space, QSize size);

// The overview's background in place of the desktop picture (not cached).
QImage wallpaper(QSize size);

// Widths of a preview window's four text bars, as fractions of 0.84 of the
// window's width, for a window whose unit frame starts at `unitX`.
std::array<double, 4> textBarFractions(double unitX);

// Tests only: forget the fixed answer (so that the next read decides again) and the drawn previews.
void resetForTesting();

} // namespace lumivast::DemoMode
