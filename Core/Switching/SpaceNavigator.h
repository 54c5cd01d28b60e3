#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <functional>
#include <optional>

namespace lumivast {

// Which Space lies left, right, above or below another on one display, and
// which Spaces a list of them leaves out. Pure: the display, the Space to start
// from and the settings go in, the target comes out. Everything that steps
// between Spaces or hides some asks here instead of walking the row itself.
class SpaceNavigator final {
public:
    enum class Direction { left, right, up, down };

    struct Options {
        bool wrapAround = true;
        bool skipEmpty = false; // stepping passes over Spaces without apps
        bool hideEmpty = false; // lists leave out Spaces without apps, and stepping passes them
        bool hideFullscreen = false;
        bool backAndForth = true;
        int gridColumns = 1; // Spaces per row for up and down; 1 without a grid

        // The user's settings as they stand.
        static Options fromSettings();
    };

    // `isEmpty`: whether a Space shows no apps.
    SpaceNavigator(Options options, std::function<bool(const Space&)> isEmpty);

    // Where a step from `from` lands on `display`. Left and right walk the row
    // one Space at a time (round it with wrap-around) and pass over what the
    // user hides or skips; up and down move one grid row. Nothing when the step
    // leads nowhere or back to `from`.
    std::optional<Space> step(Direction direction, const DisplaySpaces& display, const Space& from) const;
    // Where the front window goes one step left or right: the next Space that
    // is not full screen, with the same wrap-around.
    std::optional<Space> windowStep(bool right, const DisplaySpaces& display, const Space& from) const;
    // What a switch to `chosen` goes to: with back-and-forth, asking for the
    // Space already shown goes to `previous` when there is one.
    Space switchTarget(const Space& chosen, const std::optional<Space>& previous) const;

    // Whether lists leave `space` out: full screen ones when hidden, empty
    // ordinary ones when hidden. The active Space stays where the caller says so.
    static bool hides(const Space& space, bool hideFullscreen, bool hideEmpty, bool isEmpty);
    bool hides(const Space& space) const;

private:
    std::optional<Space> walk(bool right, const DisplaySpaces& display, const Space& from,
                              const std::function<bool(const Space&)>& eligible) const;

    Options m_options;
    std::function<bool(const Space&)> m_isEmpty;
};

} // namespace lumivast
