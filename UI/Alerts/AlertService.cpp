#include "UI/Alerts/AlertService.h"

#include "Platform/Log.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace lumivast {

int MessageBoxAlertService::run(const Alert& alert)
{
    // Without a screen nobody could answer; a modal loop would hang the program.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        qCInfo(lcApp) << "no screen for the alert, dismissed:" << alert.messageText;
        return -1;
    }
    QMessageBox box;
    box.setIcon(alert.style == Alert::Style::warning ? QMessageBox::Warning : QMessageBox::Information);
    box.setWindowTitle(QApplication::applicationName());
    box.setTextFormat(Qt::PlainText);
    box.setText(alert.messageText);
    box.setInformativeText(alert.informativeText);
    // The program has no window of its own to come forward with: the alert
    // itself must come to the front, over other applications.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);

    const QStringList labels = alert.buttons.isEmpty() ? QStringList{QApplication::translate("Alerts", "OK")} : alert.buttons;
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
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i])
            return int(i);
    }
    return -1;
}

} // namespace lumivast
