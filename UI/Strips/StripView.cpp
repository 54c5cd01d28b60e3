#include "UI/Strips/StripView.h"

#include "Core/Previews/ThumbnailService.h"
#include "UI/MenuBar/BrandIcon.h"
#include "UI/Panels/Panel.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace lumivast {

namespace {

constexpr int kCellSpacing = 5;
constexpr int kTileRadius = 8;
constexpr int kPillPadH = 9;
constexpr int kPillPadV = 5;
constexpr int kPillSymbolSize = 11;
constexpr int kTileSymbolSize = 16;

QFont font(int pixelSize, QFont::Weight weight)
{
    QFont f;
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

QFont nameFontTile() { return font(11, QFont::Medium); }
QFont nameFontPill() { return font(12, QFont::Medium); }

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

// The Space's latest preview, decoded only as large as a tile it fills needs;
// a null image when it has none.
QImage tilePicture(const ThumbnailService& thumbnails, const QString& spaceID, qreal dpr)
{
    const auto found = thumbnails.images().find(spaceID);
    if (found == thumbnails.images().end() || found->second.isNull())
        return {};
    const QSizeF size = found->second.size();
    const QSizeF tile(StripCell::kTileWidth * dpr, StripCell::kTileHeight * dpr);
    // Covering the tile, not fitting in it: the tile crops the overflow.
    const double scale = std::max(tile.width() / size.width(), tile.height() / size.height());
    if (scale >= 1)
        return found->second.image();
    return found->second.image(QSize(int(std::ceil(size.width() * scale)), int(std::ceil(size.height() * scale))));
}

} // namespace

StripCell::StripCell(StripModel::Item item, bool showPreviews, QImage preview, QWidget* parent)
    : QAbstractButton(parent), m_item(std::move(item)), m_showPreviews(showPreviews), m_preview(std::move(preview))
{
    setToolTip(m_item.name);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    resize(sizeHint());
}

QSize StripCell::sizeHint() const
{
    if (m_showPreviews) {
        const int nameHeight = QFontMetrics(nameFontTile()).height();
        return QSize(kTileWidth, kTileHeight + kCellSpacing + nameHeight);
    }
    const QFontMetrics metrics(nameFontPill());
    const int width = pillTextLeft() + metrics.horizontalAdvance(m_item.name) + kPillPadH;
    const int height = std::max(kPillSymbolSize, metrics.height()) + 2 * kPillPadV;
    return QSize(width, height);
}

int StripCell::pillTextLeft() const
{
    // A symbol the catalogue does not know draws nothing, and leaves no gap either.
    return SymbolCatalogue::contains(m_item.symbol) ? kPillPadH + kPillSymbolSize + kCellSpacing : kPillPadH;
}

void StripCell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_showPreviews)
        paintTile(painter);
    else
        paintPill(painter);
}

void StripCell::paintTile(QPainter& painter)
{
    const QColor cellColor = m_item.color.value_or(QColor(Qt::white));
    const QRectF tile(0, 0, kTileWidth, kTileHeight);
    QPainterPath clip;
    clip.addRoundedRect(tile, kTileRadius, kTileRadius);
    painter.save();
    painter.setClipPath(clip);
    if (!m_preview.isNull()) {
        // Fill the tile keeping the aspect ratio; the clip crops the rest.
        const QSizeF scaled = QSizeF(m_preview.size()).scaled(tile.size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(tile.center().x() - scaled.width() / 2, tile.center().y() - scaled.height() / 2,
                            scaled.width(), scaled.height());
        painter.drawImage(target, m_preview);
    } else {
        const QColor from = m_item.color.value_or(BrandIcon::autoColor(m_item.space));
        QLinearGradient gradient(tile.topLeft(), tile.bottomRight());
        gradient.setColorAt(0, from);
        gradient.setColorAt(1, QColor(0, 0, 0, 102));
        painter.fillRect(tile, gradient);
        const qreal dpr = devicePixelRatioF();
        const QPixmap symbol = SymbolCatalogue::image(m_item.symbol, kTileSymbolSize, Qt::white, dpr);
        if (!symbol.isNull())
            painter.drawPixmap(QPointF(tile.center().x() - kTileSymbolSize / 2.0, tile.center().y() - kTileSymbolSize / 2.0),
                               symbol);
    }
    painter.restore();
    // Borders are drawn inside the tile.
    const double width = m_item.isActive ? 2.5 : 1.0;
    painter.setPen(QPen(m_item.isActive ? cellColor : withAlpha(Qt::white, 0.15), width));
    painter.setBrush(Qt::NoBrush);
    const QRectF inner = tile.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    painter.drawRoundedRect(inner, kTileRadius - width / 2, kTileRadius - width / 2);

    painter.setFont(nameFontTile());
    painter.setPen(Qt::white);
    const QRectF nameRect(0, kTileHeight + kCellSpacing, kTileWidth, height() - kTileHeight - kCellSpacing);
    const QString shown = painter.fontMetrics().elidedText(m_item.name, Qt::ElideRight, kTileWidth);
    painter.drawText(nameRect, Qt::AlignHCenter | Qt::AlignTop, shown);
}

void StripCell::paintPill(QPainter& painter)
{
    const QColor cellColor = m_item.color.value_or(QColor(Qt::white));
    const QRectF pill = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = pill.height() / 2;
    painter.setPen(m_item.isActive ? QPen(cellColor, 1.0) : Qt::NoPen);
    painter.setBrush(m_item.isActive ? withAlpha(cellColor, 0.35) : withAlpha(Qt::white, 0.06));
    painter.drawRoundedRect(pill, radius, radius);

    const qreal dpr = devicePixelRatioF();
    const QPixmap symbol = SymbolCatalogue::image(m_item.symbol, kPillSymbolSize, cellColor, dpr);
    if (!symbol.isNull())
        painter.drawPixmap(QPointF(kPillPadH, (height() - kPillSymbolSize) / 2.0), symbol);
    painter.setFont(nameFontPill());
    painter.setPen(Qt::white);
    const QRectF textRect(pillTextLeft(), 0, width() - pillTextLeft(), height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, m_item.name);
}

StripView::StripView(StripModel& model, bool showPreviews, bool compact, QWidget* parent)
    : QWidget(parent), m_model(&model), m_showPreviews(showPreviews), m_compact(compact)
{
    setAttribute(Qt::WA_TranslucentBackground);
    connect(&model, &StripModel::itemsChanged, this, &StripView::relayout);
    relayout();
}

QSize StripView::sizeHint() const
{
    return m_size;
}

void StripView::relayout()
{
    // Later, not now: the old cells may be in the middle of handling a click.
    for (StripCell* cell : m_cells) {
        cell->hide();
        cell->deleteLater();
    }
    m_cells.clear();
    const int pad = padding();
    int x = pad;
    int rowHeight = 0;
    if (m_model) {
        for (const StripModel::Item& item : m_model->items()) {
            QImage preview;
            if (m_showPreviews)
                preview = tilePicture(m_model->thumbnails(), item.id, devicePixelRatioF());
            auto* cell = new StripCell(item, m_showPreviews, std::move(preview), this);
            const Space space = item.space;
            QPointer<StripModel> model = m_model;
            connect(cell, &QAbstractButton::clicked, this, [model, space] {
                if (model && model->onSelect)
                    model->onSelect(space);
            });
            rowHeight = std::max(rowHeight, cell->sizeHint().height());
            m_cells.push_back(cell);
        }
    }
    for (StripCell* cell : m_cells) {
        const QSize size = cell->sizeHint();
        cell->setGeometry(x, pad + (rowHeight - size.height()) / 2, size.width(), size.height());
        cell->show();
        x += size.width() + gap();
    }
    if (!m_cells.empty())
        x -= gap();
    m_size = QSize(x + pad, rowHeight + 2 * pad);
    updateGeometry();
    update();
    emit relaidOut();
}

void StripView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A dark translucent fill stands in for a blurred material: the plate is always dark.
    const QRectF plate = QRectF(0, 0, m_size.width(), m_size.height()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(withAlpha(Qt::white, 0.12), 1.0));
    QColor fill(28, 28, 30, 214);
    if (!Panel::isTranslucent(this))
        fill.setAlpha(255); // nothing would blend it: the panel's mask cuts the corners instead
    painter.setBrush(fill);
    painter.drawRoundedRect(plate, cornerRadius(), cornerRadius());
}

} // namespace lumivast
