#include "UI/SpaceDock/SpaceDockView.h"

#include "Platform/Platform.h"
#include "UI/Panels/Panel.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace lumivast {

namespace {

constexpr int kCornerRadius = 14;
constexpr double kBorderOpacity = 0.12;
const QColor kSecondary = QColor(255, 255, 255, 150);
// The thinnest material: a light veil over what lies behind.
const QColor kMaterial = QColor(40, 42, 48, 170);

QString tooltip(const SpaceDockModel::Entry& entry)
{
    return entry.title.isEmpty() ? entry.appName : entry.appName + QStringLiteral(": ") + entry.title;
}

} // namespace

SpaceDockButton::SpaceDockButton(QImage icon, QWidget* parent) : QAbstractButton(parent), m_icon(std::move(icon))
{
    setFixedSize(SpaceDockView::kIconSide, SpaceDockView::kIconSide);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void SpaceDockButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_icon.isNull()) {
        p.drawImage(rect(), m_icon);
    } else {
        p.drawPixmap(rect(), SymbolCatalogue::image(QStringLiteral("app"), width(), Qt::white, devicePixelRatioF()));
    }
    if (isDown())
        p.fillRect(rect(), QColor(0, 0, 0, 60));
}

SpaceDockView::SpaceDockView(SpaceDockModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_layout = new QVBoxLayout(this);
    if (auto* panel = qobject_cast<Panel*>(parent))
        panel->setRoundedOutline(0, kCornerRadius);
    m_layout->setContentsMargins(8, 8, 8, 8);
    m_layout->setSpacing(8);
    m_layout->setAlignment(Qt::AlignHCenter);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);

    m_name = new QLabel(this);
    QFont font = QApplication::font();
    font.setPixelSize(10);
    font.setWeight(QFont::DemiBold);
    m_name->setFont(font);
    m_name->setTextFormat(Qt::PlainText);
    m_name->setAlignment(Qt::AlignCenter);
    QPalette palette = m_name->palette();
    palette.setColor(QPalette::WindowText, kSecondary);
    m_name->setPalette(palette);

    connect(&m_model, &SpaceDockModel::changed, this, &SpaceDockView::render);
    render();
}

void SpaceDockView::render()
{
    while (QLayoutItem* item = m_layout->takeAt(0))
        delete item;
    for (SpaceDockButton* button : m_buttons)
        button->deleteLater();
    m_buttons.clear();
    if (m_tray) {
        m_tray->deleteLater();
        m_tray = nullptr;
    }

    const QFontMetrics metrics(m_name->font());
    const QString name = metrics.elidedText(m_model.spaceName(), Qt::ElideRight, kNameMaxWidth);
    m_name->setText(name);
    m_name->setFixedWidth(std::min(kNameMaxWidth, metrics.horizontalAdvance(name) + 1));
    m_layout->addWidget(m_name, 0, Qt::AlignHCenter);

    RunningApplications& running = Platform::current().runningApplications();
    for (const SpaceDockModel::Entry& entry : m_model.apps()) {
        auto* button = new SpaceDockButton(running.icon(entry.pid), this);
        button->setToolTip(tooltip(entry));
        connect(button, &QAbstractButton::clicked, this, [this, entry] {
            if (m_model.onFocus)
                m_model.onFocus(entry);
        });
        m_layout->addWidget(button, 0, Qt::AlignHCenter);
        button->show();
        m_buttons.push_back(button);
    }
    if (m_model.apps().empty()) {
        m_tray = new QLabel(this);
        m_tray->setFixedSize(kIconSide, kIconSide);
        m_tray->setAlignment(Qt::AlignCenter);
        m_tray->setPixmap(SymbolCatalogue::image(QStringLiteral("tray"), 24, kSecondary, devicePixelRatioF()));
        m_layout->addWidget(m_tray, 0, Qt::AlignHCenter);
        m_tray->show();
    }
    m_layout->activate();
    adjustSize();
}

void SpaceDockView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    Panel::paintRoundedBackground(this, p, kMaterial, kCornerRadius, kBorderOpacity);
}

void SpaceDockView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragFrom = event->globalPosition().toPoint();
    QWidget::mousePressEvent(event);
}

void SpaceDockView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragFrom) {
        const QPoint now = event->globalPosition().toPoint();
        if (onDrag && now != *m_dragFrom)
            onDrag(now - *m_dragFrom);
        m_dragFrom = now;
    }
    QWidget::mouseMoveEvent(event);
}

void SpaceDockView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragFrom && event->button() == Qt::LeftButton) {
        m_dragFrom.reset();
        if (onDragEnd)
            onDragEnd();
    }
    QWidget::mouseReleaseEvent(event);
}

} // namespace lumivast
