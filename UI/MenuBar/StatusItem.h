#pragma once

#include "Core/Menus/MenuItem.h"

#include <QImage>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace lumivast {

// The program's one item in the desktop's status area, as the status bar
// controller sees it: what it shows, the menu it opens and what the user does
// to it. The tray icon implements it; tests use a recording fake.
class StatusItem {
public:
    enum class ImagePosition { imageLeading, imageOnly };

    struct Image {
        QImage image; // carries its device pixel ratio; sizes are in device-independent pixels
        bool isTemplate = false; // only the alpha counts: drawn in the text colour of the desktop
        bool operator==(const Image&) const = default;
    };

    struct Click {
        bool rightButton = false;
        bool control = false;
        bool option = false; // the Alt key
        std::optional<qreal> x; // in the shown image's coordinates; none when the item's place is unknown
    };

    struct Scroll {
        qreal dx = 0;
        qreal dy = 0;
        bool precise = false;  // pixel deltas (a touchpad); otherwise wheel lines
        bool inverted = false; // the device inverts its direction
    };

    virtual ~StatusItem() = default;

    virtual void setTitle(const QString& title) = 0;
    virtual void setImage(const std::optional<Image>& image) = 0;
    virtual void setImagePosition(ImagePosition position) = 0;
    virtual void setToolTip(const QString& toolTip) = 0;
    // Opens the menu next to the item (at the pointer when its place is unknown); returns at once.
    virtual void showMenu(std::vector<MenuItem> items) = 0;
    // The item's frame, global with Qt's top-left origin; none when the host does not say.
    virtual std::optional<QRectF> frame() const = 0;
    // The pixel density the item's images are drawn at.
    virtual qreal devicePixelRatio() const = 0;
    // The side of the square slot the host shrinks the item's whole look into;
    // none where the item is as wide as what it shows.
    virtual std::optional<qreal> squareSlot() const { return std::nullopt; }
    // Whether the host draws the title as text beside the square slot (a
    // label), so that only the image is shrunk into it.
    virtual bool titleBesideSlot() const { return false; }
    // The widest title the item may show for now, for hosts that keep room for it.
    virtual void setTitleGuide(const QString& guide) { Q_UNUSED(guide); }

    // A click that the controller answers (every click but a wheel).
    std::function<void(const Click&)> onClick;
    // A wheel over the item; true when it was used (and is swallowed).
    std::function<bool(const Scroll&)> onScroll;
    // The menu as it would open now, for hosts that draw the item's menu themselves.
    std::function<std::vector<MenuItem>()> menuTree;
};

} // namespace lumivast
