#pragma once

#include "UI/SpaceDock/SpaceDockModel.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QVBoxLayout;

namespace lumivast {

// One application of the Space dock: its icon (or the generic "app" symbol).
class SpaceDockButton final : public QAbstractButton {
    Q_OBJECT
public:
    SpaceDockButton(QImage icon, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {36, 36}; }
    bool hasAppIcon() const { return !m_icon.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_icon;
};

// The Space dock's content: the Space name above one button per entry, or
// the "tray" symbol when there is none. Dragging the background moves the
// panel.
class SpaceDockView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIconSide = 36;
    static constexpr int kNameMaxWidth = 52;

    explicit SpaceDockView(SpaceDockModel& model, QWidget* parent = nullptr);

    QLabel* nameLabel() const { return m_name; }
    const std::vector<SpaceDockButton*>& buttons() const { return m_buttons; }
    QLabel* emptySymbol() const { return m_tray; }

    // A drag of the background by this much (Qt's screen coordinates), and its end.
    std::function<void(QPoint delta)> onDrag;
    std::function<void()> onDragEnd;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void render();

    SpaceDockModel& m_model;
    QVBoxLayout* m_layout = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_tray = nullptr;
    std::vector<SpaceDockButton*> m_buttons;
    std::optional<QPoint> m_dragFrom;
};

} // namespace lumivast
