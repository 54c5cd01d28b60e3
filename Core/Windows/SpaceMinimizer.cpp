#include "Core/Windows/SpaceMinimizer.h"

#include "Core/Spaces/SpaceContents.h"
#include "Core/Windows/AX.h"
#include "Platform/Platform.h"

namespace lumivast {

namespace {

const QString kMinimized = QStringLiteral("AXMinimized");

} // namespace

int SpaceMinimizer::minimizeAll(const Space& space, const SpaceContents& contents)
{
    m_lastMinimized.clear();
    AXElements& ax = Platform::current().accessibilityElements();
    for (const SpaceContents::WindowInfo& window : contents.windows(space.managedID)) {
        const auto element = AX::element(window.id, window.pid);
        if (!element)
            continue;
        // Remembered whether or not the application accepted it: undo simply asks again.
        (void)ax.setAttributeValue(*element, kMinimized, PlistValue(true));
        m_lastMinimized.push_back({window.id, window.pid});
    }
    return int(m_lastMinimized.size());
}

void SpaceMinimizer::undo()
{
    AXElements& ax = Platform::current().accessibilityElements();
    for (const Minimized& window : m_lastMinimized) {
        if (const auto element = AX::element(window.id, window.pid))
            (void)ax.setAttributeValue(*element, kMinimized, PlistValue(false));
    }
    m_lastMinimized.clear();
}

} // namespace lumivast
