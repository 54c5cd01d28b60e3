#include "UI/Search/SearchPanelView.h"

#include "Core/Demo/DemoMode.h"
#include "UI/Panels/Panel.h"
#include "UI/Search/PanelSources.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace lumivast {

namespace {

constexpr int kCornerRadius = 14;
constexpr int kRowRadius = 8;
constexpr int kIconSide = 26;
constexpr int kRowPadX = 10;
constexpr int kRowPadY = 6;
constexpr int kRowSpacing = 10;
constexpr int kLineSpacing = 1;
constexpr double kBorderOpacity = 0.1;
constexpr double kSelectedOpacity = 0.25;
constexpr double kMaterialOpacity = 0.9;

const QColor kText = Qt::white;
const QColor kSecondary = QColor(255, 255, 255, 150);

QFont pixelFont(int size, QFont::Weight weight = QFont::Normal)
{
    QFont f = QApplication::font();
    f.setPixelSize(size);
    f.setWeight(weight);
    return f;
}

QFont bodyFont() { return pixelFont(13); }
QFont captionFont() { return pixelFont(10); }

QColor accent(double opacity)
{
    QColor c = QApplication::palette().color(QPalette::Highlight);
    c.setAlphaF(float(opacity));
    return c;
}

QWidget* divider(QWidget* parent)
{
    auto* line = new QWidget(parent);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette p = line->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 255, 40));
    line->setPalette(p);
    return line;
}

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    p.setColor(QPalette::PlaceholderText, kSecondary);
    widget->setPalette(p);
}

} // namespace

// ---- ScopeSwitch ----

ScopeSwitch::ScopeSwitch(const QString& label, QWidget* parent) : QAbstractButton(parent)
{
    setText(label);
    setCheckable(true);
    setFont(captionFont());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

QSize ScopeSwitch::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 6 + 26, std::max(metrics.height(), 16)};
}

void ScopeSwitch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect track(width() - 26, (height() - 14) / 2, 26, 14);
    p.setPen(kText);
    p.drawText(QRect(0, 0, track.left() - 6, height()), Qt::AlignVCenter | Qt::AlignRight, text());
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? accent(1.0) : QColor(255, 255, 255, 60));
    p.drawRoundedRect(track, 7, 7);
    p.setBrush(Qt::white);
    const int knobX = isChecked() ? track.right() - 12 : track.left() + 1;
    p.drawEllipse(QRect(knobX, track.top() + 1, 12, 12));
}

// ---- SearchPanelRow ----

SearchPanelRow::SearchPanelRow(const PanelItem& item, bool selected, QWidget* parent)
    : QWidget(parent), m_item(item), m_selected(selected)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SearchPanelRow::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

QSize SearchPanelRow::sizeHint() const
{
    int textHeight = QFontMetrics(bodyFont()).height();
    if (!m_item.subtitle.isEmpty())
        textHeight += kLineSpacing + QFontMetrics(captionFont()).height();
    return {kRowPadX * 2 + kIconSide, std::max(kIconSide, textHeight) + kRowPadY * 2};
}

void SearchPanelRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_selected) {
        p.setPen(Qt::NoPen);
        p.setBrush(accent(kSelectedOpacity));
        p.drawRoundedRect(QRectF(rect()), kRowRadius, kRowRadius);
    }
    const QRect iconRect(kRowPadX, (height() - kIconSide) / 2, kIconSide, kIconSide);
    if (!m_item.icon.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(iconRect, m_item.icon);
    } else {
        const int side = QFontMetrics(bodyFont()).height();
        const QPixmap symbol = SymbolCatalogue::image(QStringLiteral("app"), side, kText, devicePixelRatioF());
        p.drawPixmap(QRect(iconRect.center().x() - side / 2 + 1, iconRect.center().y() - side / 2 + 1, side, side), symbol);
    }

    const int textLeft = iconRect.right() + 1 + kRowSpacing;
    const int textWidth = std::max(0, width() - textLeft - kRowPadX);
    const QFontMetrics title(bodyFont());
    const QFontMetrics caption(captionFont());
    int textHeight = title.height();
    if (!m_item.subtitle.isEmpty())
        textHeight += kLineSpacing + caption.height();
    int y = (height() - textHeight) / 2;
    p.setFont(bodyFont());
    p.setPen(kText);
    p.drawText(QRect(textLeft, y, textWidth, title.height()), Qt::AlignLeft | Qt::AlignVCenter,
               title.elidedText(m_item.title, Qt::ElideRight, textWidth));
    if (!m_item.subtitle.isEmpty()) {
        y += title.height() + kLineSpacing;
        p.setFont(captionFont());
        p.setPen(kSecondary);
        p.drawText(QRect(textLeft, y, textWidth, caption.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   caption.elidedText(m_item.subtitle, Qt::ElideRight, textWidth));
    }
}

void SearchPanelRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
        onClick();
}

// ---- SearchPanelView ----

QColor SearchPanelView::backgroundColor()
{
    if (DemoMode::isOn())
        return QColor::fromRgbF(0.11f, 0.12f, 0.2f);
    QColor material(30, 31, 36);
    material.setAlphaF(float(kMaterialOpacity));
    return material;
}

SearchPanelView::SearchPanelView(SearchPanelModel& model, std::function<void()> close, QWidget* parent)
    : QWidget(parent), m_model(model), m_close(std::move(close))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setTextColor(this, kText);
    if (auto* panel = qobject_cast<Panel*>(parent))
        panel->setRoundedOutline(0, kCornerRadius);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(14, 14, 14, 14);
    header->setSpacing(10);
    auto* magnifier = new QLabel(this);
    magnifier->setPixmap(SymbolCatalogue::image(QStringLiteral("magnifyingglass"), 18, kSecondary, devicePixelRatioF()));
    header->addWidget(magnifier);
    m_field = new QLineEdit(this);
    m_field->setFrame(false);
    m_field->setFont(pixelFont(18));
    m_field->setPlaceholderText(m_model.placeholder);
    m_field->setText(m_model.query());
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: white; }"));
    setTextColor(m_field, kText);
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) { m_model.setQuery(text); });
    header->addWidget(m_field, 1);
    if (m_model.scopeLabel) {
        m_scope = new ScopeSwitch(*m_model.scopeLabel, this);
        m_scope->setChecked(m_model.scopeAll());
        connect(m_scope, &QAbstractButton::toggled, this, [this](bool on) {
            if (on != m_model.scopeAll())
                m_model.setScopeAll(on);
        });
        header->addWidget(m_scope);
    }
    outer->addLayout(header);
    outer->addWidget(divider(this));

    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(false);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_listContent = new QWidget;
    m_listLayout = new QVBoxLayout(m_listContent);
    m_listLayout->setContentsMargins(6, 6, 6, 6);
    m_listLayout->setSpacing(2);
    m_scroll->setWidget(m_listContent);
    m_listContent->setAutoFillBackground(false); // setWidget turned it on; the panel's pane shows through
    outer->addWidget(m_scroll, 1);
    outer->addWidget(divider(this));

    m_hint = new QLabel(m_model.hint, this);
    m_hint->setFont(captionFont());
    m_hint->setContentsMargins(8, 8, 8, 8);
    m_hint->setTextFormat(Qt::PlainText);
    setTextColor(m_hint, kSecondary);
    outer->addWidget(m_hint);

    connect(&m_model, &SearchPanelModel::changed, this, &SearchPanelView::render);
    render();
}

void SearchPanelView::render()
{
    m_filtered = m_model.filtered();
    if (m_field->text() != m_model.query())
        m_field->setText(m_model.query());
    if (m_scope && m_scope->isChecked() != m_model.scopeAll()) {
        const QSignalBlocker block(m_scope);
        m_scope->setChecked(m_model.scopeAll());
    }

    for (SearchPanelRow* row : m_rows)
        row->deleteLater();
    m_rows.clear();
    while (QLayoutItem* item = m_listLayout->takeAt(0)) {
        if (item->widget())
            item->widget()->hide();
        delete item;
    }
    if (m_empty) {
        m_empty->deleteLater();
        m_empty = nullptr;
    }

    const int selection = m_model.selection();
    for (std::size_t i = 0; i < m_filtered.size(); ++i) {
        auto* row = new SearchPanelRow(m_filtered[i], int(i) == selection, m_listContent);
        row->onClick = [this, i] {
            m_model.setSelection(int(i));
            run(m_filtered, false);
        };
        m_listLayout->addWidget(row);
        row->show();
        m_rows.push_back(row);
    }
    if (m_filtered.empty()) {
        m_empty = new QLabel(tr("Nothing matches."), m_listContent);
        m_empty->setContentsMargins(30, 30, 30, 30);
        m_empty->setAlignment(Qt::AlignCenter);
        setTextColor(m_empty, kSecondary);
        m_listLayout->addWidget(m_empty);
        m_empty->show();
    }
    m_listLayout->addStretch(1);
    layoutList();

    // Bring a newly highlighted row into view with the least scrolling.
    if (m_rendered && selection != m_renderedSelection && selection >= 0 && std::size_t(selection) < m_rows.size())
        m_scroll->ensureWidgetVisible(m_rows[std::size_t(selection)], 0, 0);
    m_renderedSelection = selection;
    m_rendered = true;
}

void SearchPanelView::layoutList()
{
    const int width = m_scroll->viewport()->width();
    m_listContent->resize(width, std::max(m_listLayout->sizeHint().height(), m_scroll->viewport()->height()));
    m_listLayout->activate();
}

void SearchPanelView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutList();
}

void SearchPanelView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The search field has the keyboard at once.
    m_field->setFocus(Qt::OtherFocusReason);
    layoutList();
}

void SearchPanelView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    Panel::paintRoundedBackground(this, p, backgroundColor(), kCornerRadius, kBorderOpacity);
}

bool SearchPanelView::handleKey(QKeyEvent* event)
{
    const int n = int(m_filtered.size());
    switch (event->key()) {
    case Qt::Key_Down:
        m_model.setSelection(std::min(m_model.selection() + 1, std::max(n - 1, 0)));
        return true;
    case Qt::Key_Up:
        m_model.setSelection(std::max(m_model.selection() - 1, 0));
        return true;
    case Qt::Key_Escape:
        if (m_close)
            m_close();
        return true;
    default:
        return false;
    }
}

void SearchPanelView::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(event))
        QWidget::keyPressEvent(event);
}

bool SearchPanelView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (handleKey(key))
            return true;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // The secondary action's key, as the window finder's hint names it.
            run(m_filtered, key->modifiers().testFlags(WindowFinder::bringHereKey.keyboardModifiers()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SearchPanelView::run(const std::vector<PanelItem>& items, bool secondary)
{
    const int s = m_model.selection();
    if (s < 0 || std::size_t(s) >= items.size())
        return;
    const PanelItem item = items[std::size_t(s)];
    // The panel is gone before any action starts.
    if (m_close)
        m_close();
    if (secondary && item.secondary)
        item.secondary();
    else if (item.primary)
        item.primary();
}

} // namespace lumivast
