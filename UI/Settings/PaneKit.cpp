#include "UI/Settings/PaneKit.h"

#include "Core/Settings/Settings.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>

namespace lumivast::PaneKit {

namespace {

QColor mix(const QColor& a, const QColor& b, qreal amountOfB)
{
    return QColor::fromRgbF(float(a.redF() * (1 - amountOfB) + b.redF() * amountOfB),
                            float(a.greenF() * (1 - amountOfB) + b.greenF() * amountOfB),
                            float(a.blueF() * (1 - amountOfB) + b.blueF() * amountOfB));
}

QLabel* secondaryLabel(const QString& text, qreal scale, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, secondaryColor(palette));
    label->setPalette(palette);
    if (scale != 1.0) {
        QFont font = label->font();
        font.setPointSizeF(font.pointSizeF() * scale);
        label->setFont(font);
    }
    return label;
}

// A wheel turned over a picker, slider or number field of a form scrolls the form,
// unless that control has the keyboard focus: a user scrolling a long pane must not
// change settings in passing. One filter on the application covers every control
// of every form, also the ones a pane adds later.
class WheelGuard final : public QObject {
public:
    static void install()
    {
        static WheelGuard* guard = nullptr;
        if (!guard && qApp) {
            guard = new WheelGuard(qApp);
            qApp->installEventFilter(guard);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel && event->type() != QEvent::Polish)
            return false;
        auto* control = qobject_cast<QWidget*>(watched);
        if (!control || !isValueControl(control))
            return false;
        PaneForm* form = formAround(control);
        if (!form)
            return false;
        if (event->type() == QEvent::Polish) {
            // Otherwise the wheel itself would hand the control the focus first.
            if (control->focusPolicy() == Qt::WheelFocus)
                control->setFocusPolicy(Qt::StrongFocus);
            return false;
        }
        if (control->hasFocus())
            return false;
        const auto* wheel = static_cast<QWheelEvent*>(event);
        QWidget* viewport = form->viewport();
        const QPointF position = viewport->mapFromGlobal(wheel->globalPosition());
        QWheelEvent forwarded(position, wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(), wheel->buttons(),
                              wheel->modifiers(), wheel->phase(), wheel->inverted(), wheel->source());
        QCoreApplication::sendEvent(viewport, &forwarded);
        return true;
    }

private:
    using QObject::QObject;

    // Scroll bars are what the form scrolls with: the wheel stays theirs.
    static bool isValueControl(const QWidget* widget)
    {
        return qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget)
            || (qobject_cast<const QAbstractSlider*>(widget) && !qobject_cast<const QScrollBar*>(widget));
    }
    static PaneForm* formAround(QWidget* widget)
    {
        for (QWidget* up = widget->parentWidget(); up; up = up->parentWidget()) {
            if (auto* form = qobject_cast<PaneForm*>(up))
                return form;
        }
        return nullptr;
    }
};

} // namespace

std::optional<QJsonValue> value(const QString& key)
{
    if (auto v = Settings::defaults().object(key))
        return v;
    for (const Settings::Registered& row : Settings::registered()) {
        if (row.key == key)
            return row.defaultValue;
    }
    return std::nullopt;
}

void write(const QString& key, const QJsonValue& value)
{
    Settings::defaults().set(key, value);
}

void follow(QObject* owner, const QString& key, std::function<void()> show)
{
    show();
    QObject::connect(&Settings::defaults(), &UserDefaults::changed, owner, [key, show](const QString& changed) {
        if (changed == key)
            show();
    });
}

bool sameValue(const QJsonValue& a, const QJsonValue& b)
{
    if (a.isDouble() && b.isDouble())
        return a.toDouble() == b.toDouble();
    return a == b;
}

QColor secondaryColor(const QPalette& palette)
{
    return mix(palette.color(QPalette::WindowText), palette.color(QPalette::Window), 0.42);
}

QColor destructiveColor()
{
    return QColor(0xD7, 0x26, 0x2E);
}

QLabel* caption(const QString& text, QWidget* parent)
{
    return secondaryLabel(text, 0.88, parent);
}

QLabel* callout(const QString& text, QWidget* parent)
{
    return secondaryLabel(text, 1.0, parent);
}

QPushButton* destructiveButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, destructiveColor());
    button->setPalette(palette);
    button->setProperty("destructive", true);
    return button;
}

} // namespace lumivast::PaneKit

namespace lumivast {

namespace {

// Labels of labelled rows line up in a column this wide at least.
constexpr int kLabelWidth = 96;

// The rounded box behind a section's rows.
class SectionBox final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(box, 8, 8);
        painter.fillPath(path, palette().color(QPalette::Base));
        painter.setPen(QPen(palette().color(QPalette::Mid), 1));
        painter.drawPath(path);
    }
};

} // namespace

FormSection::FormSection(const QString& header, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (!header.isEmpty()) {
        m_header = new QLabel(header, this);
        m_header->setTextFormat(Qt::PlainText);
        QFont font = m_header->font();
        font.setBold(true);
        m_header->setFont(font);
        m_header->setContentsMargins(4, 0, 0, 0);
        layout->addWidget(m_header);
    }
    m_box = new SectionBox(this);
    m_rows = new QVBoxLayout(m_box);
    m_rows->setContentsMargins(10, 10, 10, 10);
    m_rows->setSpacing(8);
    layout->addWidget(m_box);
}

QWidget* FormSection::addRow(QWidget* control)
{
    control->setParent(m_box);
    m_rows->addWidget(control);
    return control;
}

QWidget* FormSection::addRow(const QString& label, QWidget* control)
{
    auto* text = new QLabel(label);
    text->setTextFormat(Qt::PlainText);
    text->setBuddy(control);
    alignLabel(text);
    // A field that can grow takes the rest of the row; anything else sits at the trailing edge.
    if (control->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag) {
        QWidget* row = addRow(std::vector<QWidget*>{text, control});
        static_cast<QHBoxLayout*>(row->layout())->setStretchFactor(control, 1);
        return row;
    }
    return addRow(std::vector<QWidget*>{text, nullptr, control});
}

QWidget* FormSection::addRow(const std::vector<QWidget*>& items)
{
    auto* row = new QWidget(m_box);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    for (QWidget* item : items) {
        if (item)
            layout->addWidget(item, 0, Qt::AlignVCenter);
        else
            layout->addStretch(1);
    }
    m_rows->addWidget(row);
    return row;
}

void FormSection::alignLabel(QLabel* label)
{
    m_labels.push_back(label);
    setLabelWidth(std::max({kLabelWidth, m_labelWidth, label->sizeHint().width()}));
}

void FormSection::setLabelWidth(int width)
{
    m_labelWidth = std::max(m_labelWidth, width);
    for (QLabel* label : m_labels)
        label->setMinimumWidth(m_labelWidth);
}

QLabel* FormSection::addCaption(const QString& text)
{
    QLabel* label = PaneKit::caption(text);
    addRow(label);
    return label;
}

void FormSection::setFooter(const QString& text)
{
    if (!m_footer) {
        m_footer = PaneKit::caption(text, this);
        m_footer->setContentsMargins(4, 0, 4, 0);
        layout()->addWidget(m_footer);
    }
    m_footer->setText(text);
}

PaneForm::PaneForm(QWidget* parent)
    : QScrollArea(parent)
{
    PaneKit::WheelGuard::install();
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    // A form is as wide as its column: long texts wrap or shorten instead of scrolling sideways.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_content = new QWidget;
    m_content->setBackgroundRole(QPalette::Window);
    m_layout = new QVBoxLayout(m_content);
    m_layout->setContentsMargins(16, 16, 16, 16);
    m_layout->setSpacing(18);
    m_outcome = PaneKit::callout(QString(), m_content);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_outcome->hide();
    m_layout->addWidget(m_outcome);
    m_layout->addStretch(1);
    setWidget(m_content);
    viewport()->setBackgroundRole(QPalette::Window);
}

FormSection* PaneForm::addSection(const QString& header)
{
    auto* section = new FormSection(header, m_content);
    addBlock(section);
    return section;
}

void PaneForm::addBlock(QWidget* block)
{
    block->setParent(m_content);
    // Above the outcome line and the closing stretch.
    m_layout->insertWidget(m_layout->count() - 2, block);
}

void PaneForm::lineUpLabels()
{
    const QList<FormSection*> sections = m_content->findChildren<FormSection*>(Qt::FindDirectChildrenOnly);
    int width = 0;
    for (FormSection* section : sections)
        width = std::max(width, section->labelWidth());
    for (FormSection* section : sections)
        section->setLabelWidth(width);
}

void PaneForm::setOutcome(const std::optional<QString>& text)
{
    m_outcome->setText(text.value_or(QString()));
    m_outcome->setVisible(text.has_value());
}

std::optional<QString> PaneForm::outcome() const
{
    if (m_outcome->isHidden())
        return std::nullopt;
    return m_outcome->text();
}

WrappingCheckBox::WrappingCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int WrappingCheckBox::textLeft() const
{
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this)
        + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
}

int WrappingCheckBox::heightForWidth(int width) const
{
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    const QRect text = fontMetrics().boundingRect(QRect(0, 0, std::max(1, width - textLeft()), 1 << 20),
                                                  Qt::TextWordWrap | Qt::AlignLeft, this->text());
    return std::max({indicator, text.height(), fontMetrics().height()}) + 2;
}

QSize WrappingCheckBox::sizeHint() const
{
    const int width = textLeft() + fontMetrics().horizontalAdvance(text()) + 2;
    return {width, heightForWidth(width)};
}

QSize WrappingCheckBox::minimumSizeHint() const
{
    // As narrow as the longest word: everything else wraps.
    int word = 0;
    for (const QString& part : text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        word = std::max(word, fontMetrics().horizontalAdvance(part));
    const int width = textLeft() + word + 2;
    return {width, heightForWidth(width)};
}

void WrappingCheckBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const int indicatorWidth = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
    const int indicatorHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    // The box stands beside the first line.
    option.rect = QRect(0, 1 + std::max(0, (fontMetrics().height() - indicatorHeight) / 2), indicatorWidth, indicatorHeight);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);
    const QRect textRect(textLeft(), 1, width() - textLeft(), height() - 1);
    style()->drawItemText(&painter, textRect, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, palette(), isEnabled(), text(),
                          QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect.adjusted(-1, 0, 1, 0) & rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

SettingToggle::SettingToggle(const QString& label, QString key, QWidget* parent)
    : WrappingCheckBox(label, parent)
    , m_key(std::move(key))
{
    PaneKit::follow(this, m_key, [this] { refresh(); });
    connect(this, &QCheckBox::toggled, this, [this](bool on) { PaneKit::write(m_key, on); });
}

void SettingToggle::refresh()
{
    // Read as every component reads it, so the box shows what the program does.
    const auto stored = Settings::defaults().object(m_key);
    const bool on = stored ? Settings::defaults().boolValue(m_key) : PaneKit::value(m_key).value_or(false).toBool();
    const QSignalBlocker quiet(this);
    setChecked(on);
}

SettingPicker::SettingPicker(QString key, std::vector<Option> options, QWidget* parent)
    : QComboBox(parent)
    , m_key(std::move(key))
    , m_options(std::move(options))
{
    for (const Option& option : m_options)
        addItem(option.title);
    PaneKit::follow(this, m_key, [this] { refresh(); });
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && std::size_t(index) < m_options.size())
            PaneKit::write(m_key, m_options[std::size_t(index)].value);
    });
}

void SettingPicker::refresh()
{
    int found = -1;
    if (const auto stored = PaneKit::value(m_key)) {
        for (std::size_t i = 0; i < m_options.size(); ++i) {
            if (PaneKit::sameValue(m_options[i].value, *stored)) {
                found = int(i);
                break;
            }
        }
    }
    const QSignalBlocker quiet(this);
    setCurrentIndex(found);
}

} // namespace lumivast
