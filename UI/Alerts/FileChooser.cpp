#include "UI/Alerts/FileChooser.h"

#include <QFileDialog>
#include <QImageReader>

namespace lumivast {

std::optional<QString> DialogFileChooser::chooseImage(const QString& message)
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    QFileDialog dialog(nullptr, message);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QFileDialog::tr("Images (%1)").arg(patterns.join(QLatin1Char(' '))));
    dialog.setLabelText(QFileDialog::LookIn, message);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace lumivast
