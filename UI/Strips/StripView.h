#pragma once

#include "Core/Strips/StripModel.h"

#include <QAbstractButton>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <vector>

namespace lumivast {

// One cell of a strip: a preview tile with the name under it, or a pill.
class StripCell final : public QAbstractButton {
    Q_OBJECT
public:
    StripCell(StripModel::Item item, bool showPreviews, QImage preview, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    const StripModel::Item& item() const { return m_item; }

    static constexpr int kTileWidth = 120;
    static constexpr int kTileHeight = 75;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintTile(QPainter& painter);
    void paintPill(QPainter& painter);
    int pillTextLeft() const;

    StripModel::Item m_item;
    bool m_showPreviews;
    QImage m_preview;
};

// A row of a StripModel's cells on a dark rounded plate. Its size hint is the
// size its owner gives the panel; it lays itself out again, and asks for a
// new size, whenever the model publishes. A click on a cell hands the cell's
// Space to the model's onSelect and changes nothing else.
class StripView final : public QWidget {
    Q_OBJECT
public:
    // With previews, each cell is a tile showing the Space's latest preview
    // from the model's preview service.
    StripView(StripModel& model, bool showPreviews, bool compact, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    const std::vector<StripCell*>& cells() const { return m_cells; }
    bool showsPreviews() const { return m_showPreviews; }
    bool isCompact() const { return m_compact; }

    int gap() const { return m_compact ? 6 : 10; }
    int padding() const { return m_compact ? 6 : 10; }
    int cornerRadius() const { return m_compact ? 12 : 16; }

signals:
    // The cells were laid out again; the size hint may have changed.
    void relaidOut();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();

    QPointer<StripModel> m_model;
    bool m_showPreviews;
    bool m_compact;
    std::vector<StripCell*> m_cells;
    QSize m_size;
};

} // namespace lumivast
