#include "UI/Alerts/AlertService.h"

#include "Platform/Log.h"
#include "Platform/OwnedAnswer.h"
#include "UI/Alerts/ModalDialog.h"

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

const char* const kIndexProperty = "alertButtonIndex";
const char* const kPressedProperty = "alertPressed";

// An alert with a text field: a small dialog of its own, laid out like the message boxes.
std::unique_ptr<QDialog> fieldDialog(const Alert& alert, const QStringList& labels)
{
    auto dialog = std::make_unique<QDialog>();
    QDialog* self = dialog.get();
    dialog->setWindowTitle(QApplication::applicationName());
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog->setProperty(kPressedProperty, -1);
    auto* layout = new QVBoxLayout(self);
    // Texts carry Space names, which are the user's words and never markup.
    auto* message = new QLabel(alert.messageText);
    message->setTextFormat(Qt::PlainText);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    layout->addWidget(message);
    auto* informative = new QLabel(alert.informativeText);
    informative->setTextFormat(Qt::PlainText);
    informative->setWordWrap(true);
    layout->addWidget(informative);
    // A list to pick from only when there is one; otherwise a plain field.
    QLineEdit* line = nullptr;
    if (alert.field->items.isEmpty()) {
        line = new QLineEdit(alert.field->text);
        line->setFixedSize(260, 26);
        layout->addWidget(line);
    } else {
        auto* combo = new QComboBox;
        combo->setEditable(true);
        combo->setFixedSize(260, 26);
        combo->setMaxVisibleItems(12);
        combo->addItems(alert.field->items);
        combo->setEditText(alert.field->text);
        // Return in the field answers with the default (first) button, as in a message box.
        combo->setInsertPolicy(QComboBox::NoInsert);
        layout->addWidget(combo);
        line = combo->lineEdit();
    }
    line->setPlaceholderText(alert.field->placeholder);
    if (alert.checkboxLabel)
        layout->addWidget(new QCheckBox(*alert.checkboxLabel));
    auto* buttons = new QDialogButtonBox;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        QPushButton* button = buttons->addButton(labels[i], i == 0 ? QDialogButtonBox::AcceptRole : QDialogButtonBox::RejectRole);
        button->setDefault(i == 0);
        QObject::connect(button, &QPushButton::clicked, self, [self, i] {
            self->setProperty(kPressedProperty, int(i));
            self->done(0);
        });
    }
    layout->addWidget(buttons);
    QObject::connect(line, &QLineEdit::returnPressed, self, [self] {
        self->setProperty(kPressedProperty, 0);
        self->done(0);
    });
    line->setFocus();
    return dialog;
}

std::unique_ptr<QDialog> messageBox(const Alert& alert, const QStringList& labels)
{
    auto box = std::make_unique<QMessageBox>();
    box->setIcon(alert.style == Alert::Style::warning ? QMessageBox::Warning : QMessageBox::Information);
    box->setWindowTitle(QApplication::applicationName());
    box->setTextFormat(Qt::PlainText);
    box->setText(alert.messageText);
    box->setInformativeText(alert.informativeText);
    // The box guesses the informative text's format; a Space name may look like markup.
    if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    // The program has no window of its own to come forward with: the alert
    // itself must come to the front, over other applications.
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    if (alert.checkboxLabel)
        box->setCheckBox(new QCheckBox(*alert.checkboxLabel)); // the box takes it over
    std::vector<QAbstractButton*> buttons;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        buttons.push_back(box->addButton(labels[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
        buttons.back()->setProperty(kIndexProperty, int(i));
    }
    box->setDefaultButton(qobject_cast<QPushButton*>(buttons.front()));
    if (buttons.size() > 1)
        box->setEscapeButton(buttons.back());
    return box;
}

} // namespace

std::unique_ptr<QDialog> MessageBoxAlertService::dialogFor(const Alert& alert)
{
    const QStringList labels = alert.buttons.isEmpty() ? QStringList{QApplication::translate("Alerts", "OK")} : alert.buttons;
    return alert.field ? fieldDialog(alert, labels) : messageBox(alert, labels);
}

AlertAnswer MessageBoxAlertService::answerOf(const QDialog& dialog)
{
    AlertAnswer answer;
    if (const auto* box = qobject_cast<const QMessageBox*>(&dialog)) {
        if (const QAbstractButton* clicked = box->clickedButton())
            answer.button = clicked->property(kIndexProperty).toInt();
    } else {
        answer.button = dialog.property(kPressedProperty).toInt();
        if (const auto* line = dialog.findChild<QLineEdit*>())
            answer.text = line->text();
    }
    if (const auto* checkbox = dialog.findChild<QCheckBox*>())
        answer.checkbox = checkbox->isChecked();
    return answer;
}

void AlertService::open(const Alert& alert, const QObject* owner, AlertAnswered answered)
{
    show(alert, ownedAnswer(owner, std::move(answered)));
}

MessageBoxAlertService::~MessageBoxAlertService()
{
    // At exit: the alerts still up go unanswered.
    for (const QPointer<QDialog>& dialog : m_shown)
        delete dialog.data();
}

void MessageBoxAlertService::show(const Alert& alert, AlertAnswered answered)
{
    // Without a screen nobody could answer; the alert would wait forever.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        qCInfo(lcApp) << "no screen for the alert, dismissed:" << alert.messageText;
        QMetaObject::invokeMethod(qApp, [answered = std::move(answered)] { answered({}); }, Qt::QueuedConnection);
        return;
    }
    std::unique_ptr<QDialog> dialog = dialogFor(alert);
    QDialog* shown = dialog.get();
    m_shown.emplace_back(shown);
    // Asked from a tray menu the program has no active window: the alert must
    // come to the front and take the keyboard itself.
    QMetaObject::invokeMethod(shown, [shown] {
        shown->raise();
        shown->activateWindow();
        if (auto* line = shown->findChild<QLineEdit*>())
            line->setFocus();
    }, Qt::QueuedConnection);
    showModal(std::move(dialog), [this, answered = std::move(answered)](QDialog& closed, int) {
        std::erase(m_shown, &closed);
        answered(answerOf(closed));
    });
}

void MessageBoxAlertService::dismiss()
{
    // Only one still on screen: one that closed may not have answered yet.
    for (auto it = m_shown.rbegin(); it != m_shown.rend(); ++it) {
        if (*it && (*it)->isVisible()) {
            (*it)->done(-1);
            return;
        }
    }
}

} // namespace lumivast
