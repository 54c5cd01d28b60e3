#pragma once

#include <QString>
#include <QStringList>

namespace lumivast {

// One modal alert: a short message, an explanation and buttons, the first of
// which is the default.
struct Alert {
    enum class Style { standard, warning };
    Style style = Style::standard;
    QString messageText;
    QString informativeText;
    QStringList buttons;

    bool operator==(const Alert&) const = default;
};

// Runs modal alerts. The application has one; tests answer with a fake.
class AlertService {
public:
    virtual ~AlertService() = default;
    // Brings the application to the front, shows the alert and returns once it
    // is answered: the index of the button pressed, -1 when closed otherwise.
    virtual int run(const Alert& alert) = 0;
};

// The real thing, on QMessageBox.
class MessageBoxAlertService final : public AlertService {
public:
    int run(const Alert& alert) override;
};

} // namespace lumivast
