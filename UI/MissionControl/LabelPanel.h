#pragma once

#include "UI/Panels/Panel.h"

#include <QColor>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

namespace lumivast {

class LabelView;

// The transparent panel over one screen that carries the name pills of
// Mission Control's desktop buttons. It covers the screen, lets every click
// through, never takes focus and sits above every other panel.
class LabelPanel final : public Panel {
    Q_OBJECT
public:
    // One pill: a Space's name, symbol and colour over its button.
    struct Label {
        QString id; // the Space's id; the same pill across updates
        QString name;
        std::optional<QString> symbol;
        std::optional<QColor> color; // none: the default dark fill
        // The button's frame in the view: local to the screen, origin bottom left, y upwards.
        QRectF anchor;
        bool expanded = false; // the button is in its large form: the pill goes below it
        bool isActive = false; // the active Space of its display: a white outline
        bool operator==(const Label&) const = default;
    };

    // `screenFrame`: global, origin bottom left.
    LabelPanel(Scheduler& scheduler, const QRectF& screenFrame, QWidget* parent = nullptr);

    void setScreenFrame(const QRectF& screenFrame);
    LabelView& view() { return *m_view; }
    const LabelView& view() const { return *m_view; }

    // The last list the tracker gave the panel.
    std::vector<Label> labels;

private:
    LabelView* m_view;
};

} // namespace lumivast
