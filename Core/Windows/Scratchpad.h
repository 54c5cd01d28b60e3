#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <QString>

#include <functional>

namespace lumivast {

class SpaceContents;
class WindowMover;

// Toggles one chosen application (setting "scratchpadApp", a bundle
// identifier): hides it when it is in front, otherwise shows it on the
// current Space, bringing its window over from another Space or launching
// it. Keeps no state. Main thread only.
class Scratchpad final {
public:
    // Shows a message; the flag says whether it is an error.
    using Toast = std::function<void(const QString& message, bool isError)>;

    Scratchpad(WindowMover& mover, SpaceContents& contents) : m_mover(mover), m_contents(contents) {}

    void toggle(const SpaceSnapshot& snapshot, const Toast& toast);

private:
    WindowMover& m_mover;
    SpaceContents& m_contents;
};

} // namespace lumivast
