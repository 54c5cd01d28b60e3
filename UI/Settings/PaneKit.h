#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QJsonValue>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QVBoxLayout;

// What every settings pane is made of: a scrolling grouped form of sections,
// caption and secondary texts, an outcome line at the bottom, a destructive
// button style, and controls bound two-way to keys of the program's settings.
// A bound control writes its key the moment the user changes it, and follows
// every change of the key whoever wrote it, without writing back.
namespace lumivast::PaneKit {

// The value a pane shows for `key`: the stored value, else the registered
// default, else the default of the settings table; nothing for an unknown key.
std::optional<QJsonValue> value(const QString& key);
// Writes at once; the application's reaction to the change does the rest.
void write(const QString& key, const QJsonValue& value);
// Runs `show` now and after every change of `key`, for as long as `owner` lives.
void follow(QObject* owner, const QString& key, std::function<void()> show);
// Numbers compare by value (a stored 30 is the option 30.0), everything else exactly.
bool sameValue(const QJsonValue& a, const QJsonValue& b);

// Secondary text: the window text faded towards the background, still legible.
QColor secondaryColor(const QPalette& palette);
QColor destructiveColor();
// Wrapping texts in the secondary colour: captions in a smaller size, callouts in the body size.
QLabel* caption(const QString& text, QWidget* parent = nullptr);
QLabel* callout(const QString& text, QWidget* parent = nullptr);
// A button that deletes or resets, drawn in the destructive colour.
QPushButton* destructiveButton(const QString& text, QWidget* parent = nullptr);

} // namespace lumivast::PaneKit

namespace lumivast {

// One group of a form: an optional header, a rounded box of rows, an optional
// footer below the box. A row is a widget of its own, so it can be hidden. A
// form's section with controls of its own derives from it.
class FormSection : public QWidget {
    Q_OBJECT
public:
    explicit FormSection(const QString& header = {}, QWidget* parent = nullptr);

    // A control across the whole row.
    QWidget* addRow(QWidget* control);
    // A label at the leading edge and a control at the trailing edge.
    QWidget* addRow(const QString& label, QWidget* control);
    // Several widgets in one row, left to right; a null entry is a flexible gap.
    QWidget* addRow(const std::vector<QWidget*>& items);
    // A caption row inside the box.
    QLabel* addCaption(const QString& text);
    void setFooter(const QString& text);
    // Row labels share one column as wide as the widest of them, so the controls
    // beside them line up. `alignLabel` adds a label of a row built by hand.
    void alignLabel(QLabel* label);
    int labelWidth() const { return m_labelWidth; }
    // Widens the column, to line it up with other sections of the same form.
    void setLabelWidth(int width);
    QLabel* headerLabel() const { return m_header; }
    QWidget* box() const { return m_box; }

private:
    QLabel* m_header = nullptr;
    QLabel* m_footer = nullptr;
    QWidget* m_box = nullptr;
    QVBoxLayout* m_rows = nullptr;
    std::vector<QLabel*> m_labels;
    int m_labelWidth = 0;
};

// A pane's form: sections one below the other, scrolling when taller than the
// detail, and the outcome line of the pane's last action below them all.
class PaneForm : public QScrollArea {
    Q_OBJECT
public:
    explicit PaneForm(QWidget* parent = nullptr);

    FormSection* addSection(const QString& header = {});
    // Any other block of the form, in order.
    void addBlock(QWidget* block);
    // Gives the row labels of all its sections one column, as wide as the widest.
    void lineUpLabels();
    // The outcome line, shown verbatim; nothing hides it.
    void setOutcome(const std::optional<QString>& text);
    std::optional<QString> outcome() const;
    QLabel* outcomeLabel() const { return m_outcome; }
    QWidget* content() const { return m_content; }

private:
    QWidget* m_content = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QLabel* m_outcome = nullptr;
};

// A check box whose label wraps onto more lines when the row is narrow, so a
// long label never pushes the form past its edge. The label is clickable.
class WrappingCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit WrappingCheckBox(const QString& text, QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    int textLeft() const;
};

// A check box bound to a Bool setting.
class SettingToggle final : public WrappingCheckBox {
    Q_OBJECT
public:
    SettingToggle(const QString& label, QString key, QWidget* parent = nullptr);
    const QString& key() const { return m_key; }

private:
    void refresh();
    QString m_key;
};

// A picker bound to a setting that holds one of a fixed set of raw values.
// A stored value that is no option leaves no row selected and the value as it
// is, until the user picks a row.
class SettingPicker final : public QComboBox {
    Q_OBJECT
public:
    struct Option {
        QString title;
        QJsonValue value;
    };
    SettingPicker(QString key, std::vector<Option> options, QWidget* parent = nullptr);
    const QString& key() const { return m_key; }
    const std::vector<Option>& options() const { return m_options; }

private:
    void refresh();
    QString m_key;
    std::vector<Option> m_options;
};

} // namespace lumivast
