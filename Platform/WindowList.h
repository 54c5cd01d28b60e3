#pragma once

#include "Platform/PlistValue.h"

#include <QString>

#include <cstdint>

namespace lumivast {

// The window server's list of windows, one dictionary per window, front to
// back. Keys and value types are the system's: a caller must expect any of
// them to be missing or of another type.
namespace WindowListKey {
inline const QString layer = QStringLiteral("kCGWindowLayer");         // integer
inline const QString ownerPID = QStringLiteral("kCGWindowOwnerPID");   // 32-bit integer
inline const QString number = QStringLiteral("kCGWindowNumber");       // integer
inline const QString bounds = QStringLiteral("kCGWindowBounds");       // {"X","Y","Width","Height"}, top-left origin
inline const QString alpha = QStringLiteral("kCGWindowAlpha");         // real
inline const QString ownerName = QStringLiteral("kCGWindowOwnerName"); // string
inline const QString name = QStringLiteral("kCGWindowName");           // string, the title
} // namespace WindowListKey

class WindowList {
public:
    // Options as the system numbers them.
    static constexpr std::uint32_t kOptionAll = 0;
    static constexpr std::uint32_t kOptionOnScreenOnly = 1;
    static constexpr std::uint32_t kOptionIncludingWindow = 8; // only `relativeToWindow`
    static constexpr std::uint32_t kOptionExcludeDesktopElements = 16;

    virtual ~WindowList() = default;
    // An array of dictionaries, or null when the system gives no list.
    // Safe to call from any thread.
    virtual PlistValue copyWindowInfo(std::uint32_t options, std::uint32_t relativeToWindow) = 0;
    // Whether a window held by its title bar goes along when the Space is switched under it, so
    // that a pressed, dragged pointer and a switch move it. Where it does not, that is never tried.
    virtual bool carriesDraggedWindows() { return true; }
};

} // namespace lumivast
