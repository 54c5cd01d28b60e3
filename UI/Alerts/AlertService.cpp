#include "UI/Alerts/AlertService.h"

#include "Platform/Log.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <memory>
#include <vector>

namespace lumivast {

namespace {

// An alert with a text field: a small dialog of its own, laid out like the message boxes.
AlertAnswer runFieldDialog(const Alert& alert, const QStringList& labels)
{
    QDialog dialog;
    dialog.setWindowTitle(QApplication::applicationName());
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* layout = new QVBoxLayout(&dialog);
    auto* message = new QLabel(alert.messageText);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    layout->addWidget(message);
    auto* informative = new QLabel(alert.informativeText);
    informative->setWordWrap(true);
    layout->addWidget(informative);
    auto* field = new QComboBox;
    field->setEditable(true);
    field->setFixedSize(260, 26);
    field->setMaxVisibleItems(12);
    field->addItems(alert.field->items);
    field->setEditText(alert.field->text);
    field->lineEdit()->setPlaceholderText(alert.field->placeholder);
    // Return in the field answers with the default (first) button, as in a message box.
    field->setInsertPolicy(QComboBox::NoInsert);
    layout->addWidget(field);
    QCheckBox* checkbox = nullptr;
    if (alert.checkboxLabel) {
        checkbox = new QCheckBox(*alert.checkboxLabel);
        layout->addWidget(checkbox);
    }
    auto* buttons = new QDialogButtonBox;
    int pressed = -1;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        QPushButton* button = buttons->addButton(labels[i], i == 0 ? QDialogButtonBox::AcceptRole : QDialogButtonBox::RejectRole);
        button->setDefault(i == 0);
        QObject::connect(button, &QPushButton::clicked, &dialog, [&pressed, &dialog, i] {
            pressed = int(i);
            dialog.done(0);
        });
    }
    layout->addWidget(buttons);
    QObject::connect(field->lineEdit(), &QLineEdit::returnPressed, &dialog, [&pressed, &dialog] {
        pressed = 0;
        dialog.done(0);
    });
    field->setFocus();
    // Asked from a tray menu the program has no active window: the dialog
    // must come to the front and take the keyboard itself, as the message boxes do.
    QMetaObject::invokeMethod(&dialog, [&dialog, field] {
        dialog.raise();
        dialog.activateWindow();
        field->setFocus();
    }, Qt::QueuedConnection);
    dialog.exec();
    return {pressed, field->currentText(), checkbox && checkbox->isChecked()};
}

} // namespace

AlertAnswer MessageBoxAlertService::run(const Alert& alert)
{
    // Without a screen nobody could answer; a modal loop would hang the program.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        qCInfo(lcApp) << "no screen for the alert, dismissed:" << alert.messageText;
        return {};
    }
    const QStringList labels = alert.buttons.isEmpty() ? QStringList{QApplication::translate("Alerts", "OK")} : alert.buttons;
    if (alert.field)
        return runFieldDialog(alert, labels);
    QMessageBox box;
    box.setIcon(alert.style == Alert::Style::warning ? QMessageBox::Warning : QMessageBox::Information);
    box.setWindowTitle(QApplication::applicationName());
    box.setTextFormat(Qt::PlainText);
    box.setText(alert.messageText);
    box.setInformativeText(alert.informativeText);
    // The program has no window of its own to come forward with: the alert
    // itself must come to the front, over other applications.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);

    std::unique_ptr<QCheckBox> checkbox;
    if (alert.checkboxLabel) {
        checkbox = std::make_unique<QCheckBox>(*alert.checkboxLabel);
        box.setCheckBox(checkbox.get()); // the box takes it over
        checkbox.release();
    }
    std::vector<QAbstractButton*> buttons;
    for (qsizetype i = 0; i < labels.size(); ++i)
        buttons.push_back(box.addButton(labels[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.front()));
    if (buttons.size() > 1)
        box.setEscapeButton(buttons.back());
    QMetaObject::invokeMethod(&box, [&box] {
        box.raise();
        box.activateWindow();
    }, Qt::QueuedConnection);

    box.exec();
    AlertAnswer answer;
    answer.checkbox = box.checkBox() && box.checkBox()->isChecked();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i])
            answer.button = int(i);
    }
    return answer;
}

} // namespace lumivast
