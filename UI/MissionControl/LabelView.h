#pragma once

#include "Platform/Scheduler.h"
#include "UI/MissionControl/LabelPanel.h"

#include <QFont>
#include <QStringList>
#include <QWidget>

#include <limits>
#include <map>
#include <vector>

namespace lumivast {

// Draws the pills of one screen and animates them towards the latest list:
// new pills fade in where they belong, pills whose button moved glide there,
// pills no longer listed fade out and are dropped. The animation runs on a
// 60 Hz scheduler timer only while something still changes. Pill rectangles
// are kept with the origin at the bottom left (as the tracker gives the
// anchors) and flipped only when painting. Main thread only.
class LabelView final : public QWidget {
    Q_OBJECT
public:
    using Label = LabelPanel::Label;
    struct Animated {
        Label label;
        QRectF rect;   // where the pill is drawn now
        QRectF target; // where it is heading
        double opacity = 0;
        double targetOpacity = 1;
    };

    static constexpr double kHeight = 24;
    static constexpr double kPadding = 10;
    static constexpr double kIconSize = 14;
    static constexpr double kIconAllowance = 20; // the icon and the gap after it
    static constexpr double kMinMaxWidth = 120;
    static constexpr double kExpandedGap = 6;
    static constexpr double kNeighbourGap = 4; // kept free between two pills side by side
    // 60 frames a second at the scheduler's millisecond resolution.
    static constexpr Duration kFrameInterval = 17ms;
    static constexpr double kMaxStep = 0.05; // seconds: a stalled frame never jumps the whole way

    explicit LabelView(Scheduler& scheduler, QWidget* parent = nullptr);
    ~LabelView() override;

    // The tracker's way in: the new list, then retarget().
    std::vector<Label> labels;
    void retarget();
    // Draws nothing from now on, at once and without fading.
    void clear();

    // `room`: the most the pill may take so that it keeps clear of its neighbours.
    QRectF pillRect(const Label& label, double room = std::numeric_limits<double>::infinity()) const;
    // The name as a pill drawn at `pill` shows it: whole whenever it fits, else elided.
    QString visibleName(const Label& label, const QRectF& pill) const;
    static QFont font();

    const std::map<QString, Animated>& items() const { return m_items; }
    const QStringList& order() const { return m_order; }
    bool isAnimating() const { return m_displayLink.isPending(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void startAnimating();
    void stopAnimating();
    void frameTick();
    void drawPill(QPainter& painter, const Label& label, const QRectF& rect, double opacity) const;
    QRectF flipped(const QRectF& rect) const;

    Scheduler& m_scheduler;
    std::map<QString, Animated> m_items;
    QStringList m_order;
    WorkItem m_displayLink;
    Duration m_lastStep;
    const bool m_reduceMotion;
    const QFont m_font;
};

} // namespace lumivast
