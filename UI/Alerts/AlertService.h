#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumivast {

// One modal alert: a short message, an explanation and buttons, the first of
// which is the default.
struct Alert {
    enum class Style { standard, warning };
    // An editable text field, with a list to pick from when `items` holds any.
    struct TextField {
        QStringList items;
        QString text;
        QString placeholder;
        bool operator==(const TextField&) const = default;
    };

    Style style = Style::standard;
    QString messageText;
    QString informativeText;
    QStringList buttons;
    std::optional<TextField> field = std::nullopt;
    std::optional<QString> checkboxLabel = std::nullopt; // a box the user can tick, off at first

    bool operator==(const Alert&) const = default;
};

// How an alert was answered.
struct AlertAnswer {
    int button = -1; // index of the button pressed; -1 when closed otherwise
    QString text = QString(); // the field's text, when the alert had one
    bool checkbox = false;
};

using AlertAnswered = std::function<void(const AlertAnswer&)>;

// Shows modal alerts without waiting for them. The application has one; tests answer with a fake.
class AlertService {
public:
    virtual ~AlertService() = default;
    // Brings the application to the front, shows the alert and returns at once.
    // `answered` runs on the main thread once the alert has closed, and not at
    // all when `owner` is gone by then.
    void open(const Alert& alert, const QObject* owner, AlertAnswered answered);
    // Closes the alert last opened of those on show unanswered (button -1), for
    // a question that no longer stands; nothing when none shows.
    virtual void dismiss() = 0;

protected:
    // Shows the alert; `answered` runs once, after it closed.
    virtual void show(const Alert& alert, AlertAnswered answered) = 0;
};

// The real thing, on QMessageBox.
class MessageBoxAlertService final : public AlertService {
public:
    ~MessageBoxAlertService() override;
    void dismiss() override;

    // The dialog that shows `alert`, not yet shown, and how it was answered once
    // closed: apart from `show`, so what it shows is tested without a screen.
    static std::unique_ptr<QDialog> dialogFor(const Alert& alert);
    static AlertAnswer answerOf(const QDialog& dialog);

protected:
    void show(const Alert& alert, AlertAnswered answered) override;

private:
    std::vector<QPointer<QDialog>> m_shown; // oldest first
};

} // namespace lumivast
