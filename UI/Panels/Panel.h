#pragma once

#include "Platform/PanelWindows.h"
#include "Platform/Scheduler.h"

#include <QRegion>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;

namespace lumivast {

// The one kind of transient window: frameless, shown without taking focus
// (unless it must take keys), optionally click-through, above normal windows,
// fading in and out. Its frame is kept in the program's screen coordinates
// (origin bottom left of the primary screen) and converted only when applied.
class Panel : public QWidget {
    Q_OBJECT
public:
    // In stacking order (see PanelLevel).
    using Level = PanelLevel;
    struct Options {
        bool takesKeys = false;
        bool clickThrough = false;
        Level level = Level::floating;
        bool shadow = false; // the window system's drop shadow
        bool movableByBackground = false; // a drag on a part no child takes moves the panel
    };

    Panel(Scheduler& scheduler, Options options, QWidget* parent = nullptr);
    ~Panel() override;

    void setClickThrough(bool on);
    bool isClickThrough() const { return m_options.clickThrough; }
    Level level() const { return m_options.level; }

    // Frame in bottom-left global coordinates.
    void setModelFrame(const QRectF& frame);
    QRectF modelFrame() const { return m_modelFrame; }
    // The same frame as Qt places it (top-left global coordinates).
    static QRect qtGeometry(const QRectF& modelFrame, qreal primaryScreenHeight);

    // Shows, fading from the current opacity to 1 over `duration`. Cancels a
    // running fade-out, whose completion then never runs.
    void present(Duration duration = Duration::zero());
    // Fades to 0 over `duration`, hides, then calls `completion`.
    void dismiss(Duration duration = Duration::zero(), std::function<void()> completion = {});
    bool isFadingOut() const { return m_fadingOut; }
    // The opacity the panel is drawn with (0 to 1).
    qreal opacity() const { return m_opacity; }

    static qreal primaryScreenHeight();

    bool hasShadow() const { return m_options.shadow; }
    bool isMovableByBackground() const { return m_options.movableByBackground; }

    // Names the panel's remembered place: from now on a move by the user is
    // stored in the defaults under "Panel Frame " + name, and a stored place is
    // taken at once (keeping the panel's size, which follows its content).
    // Returns whether a stored place was found.
    bool setFrameAutosaveName(const QString& name);
    static QString frameDefaultsKey(const QString& autosaveName)
    {
        return QStringLiteral("Panel Frame ") + autosaveName;
    }
    // The frame stored under that name ("x y w h", origin bottom left), if any.
    static std::optional<QRectF> savedFrame(const QString& autosaveName);
    // Stores the current frame under the autosave name, if there is one.
    void saveFrame() const;

    // Moves by this much (Qt's screen coordinates, y downwards); the end of
    // a drag stores the place.
    void dragBy(QPoint delta);
    void endDrag();

    // Whether translucent pixels blend with what lies beneath on the panel's
    // screen (a compositing manager runs there). Where they do not they show
    // black: content then paints an opaque background, and the window is cut
    // to its rounded outline.
    bool isTranslucent() const { return m_translucent; }
    // The same for the panel that hosts `content`; true outside a panel.
    static bool isTranslucent(const QWidget* content);
    // Paints `content`'s rounded background with `painter`: `fill` (opaque
    // where nothing would blend it, the mask cutting the corners instead)
    // inside a one-pixel white border of `borderOpacity`.
    static void paintRoundedBackground(const QWidget* content, QPainter& painter, QColor fill, qreal radius,
                                       qreal borderOpacity);
    // The outline of the content's rounded background: `inset` inside the
    // panel's edges, corners of `radius` (at most half the shorter side).
    void setRoundedOutline(qreal inset, qreal radius);
    // An outline of any shape (panel coordinates), for content without a
    // background of its own, such as bare text.
    void setOutline(const QRegion& shape);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyOutline();
    void applyFlags();
    void applyOpacity(qreal opacity);
    void fade(qreal target, Duration duration, std::function<void()> done);

    Scheduler& m_scheduler;
    Options m_options;
    QRectF m_modelFrame;
    WorkItem m_fade;
    bool m_fadingOut = false;
    qreal m_opacity = 1.0;
    QString m_autosaveName;
    std::optional<QPoint> m_dragFrom;
    bool m_translucent = true;
    struct Outline {
        qreal inset = 0;
        qreal radius = 0;
    };
    std::optional<Outline> m_outline;
    std::optional<QRegion> m_shape;
};

} // namespace lumivast
