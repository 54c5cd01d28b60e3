#pragma once

#include "UI/Search/SearchPanelModel.h"

#include <QAbstractButton>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;

namespace lumivast {

// A pill switch with its label to the left.
class ScopeSwitch final : public QAbstractButton {
    Q_OBJECT
public:
    explicit ScopeSwitch(const QString& label, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// One row of the list: icon, title and (when not empty) subtitle.
class SearchPanelRow final : public QWidget {
    Q_OBJECT
public:
    SearchPanelRow(const PanelItem& item, bool selected, QWidget* parent = nullptr);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PanelItem m_item;
    bool m_selected = false;
};

// The content of a search panel: the search field (with the scope switch
// when the model has a label for it), the filtered rows with the highlighted
// one, and the hint. It handles the keys: arrows move the highlight, Return
// runs the highlighted row (Ctrl+Return its secondary action), Escape
// closes. A new view is made for every showing.
class SearchPanelView final : public QWidget {
    Q_OBJECT
public:
    SearchPanelView(SearchPanelModel& model, std::function<void()> close, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return m_field; }
    ScopeSwitch* scopeSwitch() const { return m_scope; }
    QScrollArea* list() const { return m_scroll; }
    const std::vector<SearchPanelRow*>& rows() const { return m_rows; }
    QLabel* emptyLabel() const { return m_empty; }

    // Background colours: opaque in demo mode, otherwise a translucent dark pane.
    static QColor backgroundColor();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void render();
    void layoutList();
    bool handleKey(QKeyEvent* event);
    void run(const std::vector<PanelItem>& items, bool secondary);

    SearchPanelModel& m_model;
    std::function<void()> m_close;
    QLineEdit* m_field = nullptr;
    ScopeSwitch* m_scope = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_listContent = nullptr;
    QVBoxLayout* m_listLayout = nullptr;
    QLabel* m_empty = nullptr;
    QLabel* m_hint = nullptr;
    std::vector<PanelItem> m_filtered; // the list of the last render
    std::vector<SearchPanelRow*> m_rows;
    int m_renderedSelection = 0;
    bool m_rendered = false;
};

} // namespace lumivast
