#pragma once

#include "Platform/Scheduler.h"
#include "UI/Search/KeyPanel.h"
#include "UI/Search/SearchPanelModel.h"
#include "UI/Search/SearchPanelView.h"

#include <QObject>
#include <QPointer>
#include <QRectF>

#include <memory>

namespace lumivast {

// A keyboard-driven list picker on the screen under the pointer. The caller
// sets the model's texts and source, then calls show(); the panel is made on
// the first showing and reused, and closing only hides it.
class SearchPanelController final : public QObject {
    Q_OBJECT
public:
    static constexpr QSizeF kPanelSize{620, 440};

    explicit SearchPanelController(Scheduler& scheduler, QObject* parent = nullptr);
    ~SearchPanelController() override;

    SearchPanelModel& model() { return m_model; }
    KeyPanel* panel() const { return m_panel.get(); }
    SearchPanelView* view() const { return m_view; }
    bool isShowing() const { return m_panel && m_panel->isVisible(); }

    // Clears the query, reloads the items and shows the panel with the
    // keyboard, centred across the screen under the pointer and 80 above its
    // middle. Without any screen nothing is shown.
    void show();
    // Hides the panel.
    void close();

    // The panel's frame for a screen frame (both with the origin at the bottom left).
    static QRectF panelFrame(const QRectF& screenFrame);

private:
    Scheduler& m_scheduler;
    SearchPanelModel m_model;
    std::unique_ptr<KeyPanel> m_panel;
    QPointer<SearchPanelView> m_view;
};

} // namespace lumivast
