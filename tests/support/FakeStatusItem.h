#pragma once

#include "UI/MenuBar/StatusItem.h"

#include <vector>

namespace lumivast::test {

// Records what the status item was told to show, and clicks and scrolls it.
class FakeStatusItem final : public StatusItem {
public:
    void setTitle(const QString& t) override
    {
        title = t;
        ++titleSets;
    }
    void setImage(const std::optional<Image>& i) override { image = i; }
    void setImagePosition(ImagePosition p) override { position = p; }
    void setToolTip(const QString& t) override { toolTip = t; }
    void showMenu(std::vector<MenuItem> items) override { menus.push_back(std::move(items)); }
    std::optional<QRectF> frame() const override { return itemFrame; }
    qreal devicePixelRatio() const override { return ratio; }
    std::optional<qreal> squareSlot() const override { return slot; }

    void click(std::optional<qreal> x = std::nullopt, bool right = false, bool control = false, bool option = false)
    {
        if (onClick)
            onClick(Click{right, control, option, x});
    }
    bool scroll(qreal dy, bool precise = false, qreal dx = 0, bool inverted = false)
    {
        return onScroll && onScroll(Scroll{dx, dy, precise, inverted});
    }

    QString title;
    int titleSets = 0; // one per redraw
    std::optional<Image> image;
    ImagePosition position = ImagePosition::imageLeading;
    QString toolTip;
    std::vector<std::vector<MenuItem>> menus; // every menu opened, newest last
    std::optional<QRectF> itemFrame;
    qreal ratio = 1.0;
    std::optional<qreal> slot; // none: as wide as what it shows
};

} // namespace lumivast::test
