#include "UI/Alerts/AlertService.h"
#include "UI/Alerts/ModalDialog.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

QLabel* labelShowing(QDialog& dialog, const QString& text)
{
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text() == text)
            return label;
    }
    return nullptr;
}

// A Space name is the user's words: what looks like markup shows as typed,
// in a message box and in a dialog with a field alike.
TEST(AlertDialogs, NamesShowAsTypedNotAsMarkup)
{
    const QString name = QStringLiteral("<b>Bold</b>");
    for (bool withField : {false, true}) {
        Alert alert;
        alert.messageText = QStringLiteral("Note for ") + name;
        alert.informativeText = name + QStringLiteral(" was just created.");
        alert.buttons = {QStringLiteral("Save"), QStringLiteral("Cancel")};
        if (withField)
            alert.field = Alert::TextField{{QStringLiteral("Mail")}, QString(), QStringLiteral("Name")};
        const std::unique_ptr<QDialog> dialog = MessageBoxAlertService::dialogFor(alert);
        for (const QString& text : {alert.messageText, alert.informativeText}) {
            QLabel* label = labelShowing(*dialog, text);
            ASSERT_NE(label, nullptr) << text.toStdString();
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << text.toStdString() << " field " << withField;
        }
    }
}

TEST(AlertDialogs, AFieldWithoutChoicesIsAPlainTextFieldAndReturnAnswersWithTheFirstButton)
{
    Alert alert;
    alert.messageText = QStringLiteral("Note for Mail");
    alert.buttons = {QStringLiteral("Save"), QStringLiteral("Cancel")};
    alert.field = Alert::TextField{{}, QStringLiteral("Inbox"), QStringLiteral("What is this Space for?")};
    std::unique_ptr<QDialog> dialog = MessageBoxAlertService::dialogFor(alert);
    EXPECT_EQ(dialog->findChild<QComboBox*>(), nullptr);
    auto* field = dialog->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), "Inbox");
    EXPECT_EQ(field->placeholderText(), "What is this Space for?");
    QTest::keyClicks(field, QStringLiteral(" zero"));
    QTest::keyClick(field, Qt::Key_Return);
    AlertAnswer answer = MessageBoxAlertService::answerOf(*dialog);
    EXPECT_EQ(answer.button, 0);
    EXPECT_EQ(answer.text, "Inbox zero");

    // With choices the field offers them, and a button answers with its index.
    alert.field->items = {QStringLiteral("Mail"), QStringLiteral("Code")};
    dialog = MessageBoxAlertService::dialogFor(alert);
    auto* combo = dialog->findChild<QComboBox*>();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 2);
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Cancel"))
            button->click();
    }
    answer = MessageBoxAlertService::answerOf(*dialog);
    EXPECT_EQ(answer.button, 1);
    EXPECT_EQ(answer.text, "Inbox");
}

} // namespace

// Whoever asked goes on at once; the answer comes from the event loop once
// the dialog has closed, never from inside its own signal, and the dialog
// goes after it.
TEST(AlertDialogs, AModalDialogAnswersFromTheEventLoopAfterItClosedAndGoesAfterwards)
{
    auto dialog = std::make_unique<QDialog>();
    const QPointer<QDialog> shown = dialog.get();
    std::vector<int> results;
    bool visibleWhenAnswered = true;
    showModal(std::move(dialog), [&](QDialog& closed, int result) {
        results.push_back(result);
        visibleWhenAnswered = closed.isVisible();
    });
    ASSERT_TRUE(shown && shown->isVisible());
    EXPECT_EQ(shown->windowModality(), Qt::ApplicationModal);
    shown->done(QDialog::Accepted);
    shown->done(QDialog::Rejected); // a second close is no second answer
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !results.empty(); }, 1000));
    EXPECT_EQ(results, std::vector<int>{QDialog::Accepted});
    EXPECT_FALSE(visibleWhenAnswered);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown.isNull(); }, 1000));
}

// Two alerts closed unanswered: the one whose owner went in the meantime
// answers nobody.
TEST(AlertDialogs, AnAlertWhoseOwnerWentWhileItWasUpAnswersNobody)
{
    MessageBoxAlertService alerts;
    auto kept = std::make_unique<QObject>();
    auto gone = std::make_unique<QObject>();
    QStringList answered;
    const auto record = [&](const QString& who) {
        return [&answered, who](const AlertAnswer& answer) { answered << who + QString::number(answer.button); };
    };
    alerts.open(Alert{.messageText = QStringLiteral("Kept")}, kept.get(), record(QStringLiteral("kept ")));
    alerts.open(Alert{.messageText = QStringLiteral("Gone")}, gone.get(), record(QStringLiteral("gone ")));
    EXPECT_TRUE(answered.isEmpty());
    gone.reset();
    alerts.dismiss();
    alerts.dismiss();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !answered.isEmpty(); }, 1000));
    QTest::qWait(50);
    EXPECT_EQ(answered, QStringList{QStringLiteral("kept -1")});
}
