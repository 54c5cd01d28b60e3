#pragma once

#include "Core/Settings/SettingsEnums.h"
#include "Core/Spaces/SpaceModel.h"
#include "Platform/Scheduler.h"
#include "UI/Panels/Panel.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace lumivast {

class SpaceStore;

// The current Space's symbol, name and note in large type, sized to its text
// (never wrapped or cut), with a soft shadow under the text.
class DesktopLabelView final : public QWidget {
    Q_OBJECT
public:
    DesktopLabelView(QString name, std::optional<QString> note, QString symbol, QColor color,
                     QWidget* parent = nullptr);
    QSize sizeHint() const override;

    const QString& name() const { return m_name; }
    const std::optional<QString>& note() const { return m_note; }
    const QString& symbol() const { return m_symbol; }
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    std::optional<QString> m_note;
    QString m_symbol;
    QColor m_color;
};

// With "desktopLabel" on, one click-through label per display on the desktop,
// under every window, naming the display's active Space at the chosen corner.
// Main thread only.
class DesktopLabelController final {
public:
    static constexpr double kMargin = 24;

    explicit DesktopLabelController(Scheduler& scheduler);
    ~DesktopLabelController();
    DesktopLabelController(const DesktopLabelController&) = delete;
    DesktopLabelController& operator=(const DesktopLabelController&) = delete;

    // Shows or refreshes each display's label, or removes them all while the
    // setting is off. A display without a screen or an active Space keeps
    // what it shows; a display gone from the snapshot loses its label.
    void update(const SpaceSnapshot& snapshot, const SpaceStore& store);

    // The origin (bottom left) of a label of size `size` in the visible frame.
    static QPointF origin(DesktopLabelPosition position, const QRectF& visibleFrame, QSizeF size);
    // The label's frame moved clear of other panels' frames: up from the
    // bottom (and the centre), down from the top, by the label's margin.
    static QRectF clearOf(QRectF frame, const std::vector<QRectF>& others, DesktopLabelPosition position);

    // The frames (global, origin bottom left) of other panels on a display
    // that its label must not run under; none when not set.
    std::function<std::vector<QRectF>(const QString& displayID)> keepClearOf;

    Panel* panel(const QString& displayID) const;
    DesktopLabelView* view(const QString& displayID) const;
    std::size_t count() const { return m_panels.size(); }

private:
    Scheduler& m_scheduler;
    std::map<QString, std::unique_ptr<Panel>> m_panels;
};

} // namespace lumivast
