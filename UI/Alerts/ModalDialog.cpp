#include "UI/Alerts/ModalDialog.h"

namespace lumivast {

void showModal(std::unique_ptr<QDialog> dialog, std::function<void(QDialog& dialog, int result)> closed)
{
    QDialog* shown = dialog.release();
    shown->setWindowModality(Qt::ApplicationModal);
    QObject::connect(shown, &QDialog::finished, shown, [shown, closed = std::move(closed)](int result) {
        // Not inside the dialog's own signal: what the answer does may close
        // or open other windows, this one included.
        QMetaObject::invokeMethod(shown, [shown, closed, result] {
            closed(*shown, result);
            shown->deleteLater();
        }, Qt::QueuedConnection);
    }, Qt::SingleShotConnection);
    shown->show();
}

} // namespace lumivast
