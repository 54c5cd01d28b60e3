#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <vector>

namespace lumivast {

// What the system lets the program capture at the moment of asking.
struct ShareableDisplay {
    std::uint32_t displayID = 0; // the display number
    int width = 0;               // points
    int height = 0;              // points
    // Where the display shows part of a larger desktop that one picture can take whole (the
    // monitors of one X screen share its desktops): that desktop's area, in points from the
    // display's top-left. None: the display shows its own Spaces, or nothing past it can be taken.
    std::optional<QRect> desktopArea;
    bool operator==(const ShareableDisplay&) const = default;
};

struct ShareableWindow {
    std::uint32_t windowID = 0;
    std::optional<std::int32_t> owningPID; // none: no owning application
    bool operator==(const ShareableWindow&) const = default;
};

struct ShareableContent {
    std::vector<ShareableDisplay> displays;
    std::vector<ShareableWindow> windows;
};

// How finely a still image samples the screen.
enum class CaptureResolution { automatic = 0, best = 1, nominal = 2 };

// One still image of one display, or of a part of what it shows.
struct StillImageRequest {
    std::uint32_t displayID = 0;
    std::vector<std::uint32_t> excludedWindows; // left out of the picture
    int width = 0;                              // pixels
    int height = 0;                             // pixels
    bool showsCursor = false;
    CaptureResolution resolution = CaptureResolution::nominal;
    // The area taken, in points from the display's top-left, cut to the display or to its
    // `desktopArea`; scaled to `width` x `height`. None: the whole display.
    std::optional<QRect> sourceRect;
    bool operator==(const StillImageRequest&) const = default;
};

// Pictures of the screen. Every answer, an image or the error's description,
// arrives later on the main thread, never inside the call. Whether the user
// permits capturing at all is `Trust`'s question.
class ScreenCapture {
public:
    template <typename T>
    using Answer = std::function<void(std::expected<T, QString>)>;

    virtual ~ScreenCapture() = default;
    virtual void shareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly, Answer<ShareableContent> answer) = 0;
    virtual void captureImage(const StillImageRequest& request, Answer<QImage> answer) = 0;
};

} // namespace lumivast
