#pragma once

#include "Platform/Lifetime.h"
#include "Platform/Scheduler.h"
#include "UI/MenuBar/StatusItem.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QSizeF>
#include <QSystemTrayIcon>

class QMenu;

namespace lumivast {

// The status item as a tray icon (StatusNotifierItem when a watcher is on the
// session bus, XEmbed otherwise). Tray slots are square and show no text, so
// the item's whole look is drawn into one image; the tooltip carries the text.
class TrayStatusItem final : public QObject, public StatusItem {
    Q_OBJECT
public:
    // Tray hosts give a slot this tall; the image is drawn to it and the host
    // fits it in, keeping its proportions.
    static constexpr qreal kSlotHeight = 22;
    static constexpr qreal kTitlePixels = 13;
    static constexpr qreal kImageTitleGap = 3;

    explicit TrayStatusItem(Scheduler& scheduler, QObject* parent = nullptr);
    ~TrayStatusItem() override;

    void setTitle(const QString& title) override;
    void setImage(const std::optional<Image>& image) override;
    void setImagePosition(ImagePosition position) override;
    void setToolTip(const QString& toolTip) override;
    void showMenu(std::vector<MenuItem> items) override;
    std::optional<QRectF> frame() const override;
    qreal devicePixelRatio() const override;
    std::optional<qreal> squareSlot() const override;

    // The item's look as one image: the image (template images in
    // `textColor`), then the title; an empty item is a transparent image.
    static QImage compose(const QString& title, const std::optional<Image>& image, ImagePosition position,
                          const QColor& textColor, qreal devicePixelRatio, qreal* imageLeft = nullptr);
    // A pointer x over a host slot, back in the coordinates of a composed
    // image of `imageSize` that the host centred and shrank to fit.
    static qreal imageX(qreal pointerX, const QRectF& slot, const QSizeF& imageSize);

    QSystemTrayIcon& trayIcon() { return m_icon; }
    // The image the host was last given; redrawn once after a batch of changes.
    const QImage& shownImage() const { return m_shown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleRedraw();
    void redraw();
    void activated(QSystemTrayIcon::ActivationReason reason);

    Scheduler& m_scheduler;
    QSystemTrayIcon m_icon;
    QString m_title;
    std::optional<Image> m_image;
    ImagePosition m_position = ImagePosition::imageLeading;
    QImage m_shown;
    qreal m_imageLeft = 0; // where the item's image starts in the shown one
    QPointer<QMenu> m_menu;
    bool m_redrawPending = false;
    Lifetime m_lifetime{m_scheduler};
};

} // namespace lumivast
