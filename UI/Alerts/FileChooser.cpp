#include "UI/Alerts/FileChooser.h"

#include "Platform/OwnedAnswer.h"
#include "UI/Alerts/ModalDialog.h"

#include <QFileDialog>
#include <QImageReader>

namespace lumivast {

void FileChooser::chooseImage(const QString& message, const QObject* owner, Chosen chosen)
{
    showImageDialog(message, ownedAnswer(owner, std::move(chosen)));
}

void DialogFileChooser::showImageDialog(const QString& message, Chosen chosen)
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    auto dialog = std::make_unique<QFileDialog>(nullptr, message);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(QFileDialog::tr("Images (%1)").arg(patterns.join(QLatin1Char(' '))));
    dialog->setLabelText(QFileDialog::LookIn, message);
    showModal(std::move(dialog), [chosen = std::move(chosen)](QDialog& closed, int result) {
        const QStringList files = static_cast<QFileDialog&>(closed).selectedFiles();
        if (result != QDialog::Accepted || files.isEmpty())
            return chosen(std::nullopt);
        chosen(files.constFirst());
    });
}

} // namespace lumivast
