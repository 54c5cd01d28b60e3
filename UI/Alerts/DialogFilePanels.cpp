#include "UI/Alerts/DialogFilePanels.h"

#include "Core/Apps/AppCatalogue.h"
#include "Platform/Platform.h"
#include "UI/Alerts/ModalDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>

namespace lumivast {

namespace {

QString expandedFolder(const QString& folder)
{
    if (folder.startsWith(QLatin1String("~/")))
        return QDir::homePath() + folder.mid(1);
    return folder;
}

// The applications of one folder at a time, the folder picked from the platform's application folders.
class ApplicationChooser final : public QDialog {
public:
    ApplicationChooser(const QString& startFolder, bool multiple)
    {
        setWindowTitle(QApplication::translate("lumivast::DialogFilePanels", "Choose Application"));
        setMinimumSize(420, 420);
        auto* layout = new QVBoxLayout(this);
        m_folders = new QComboBox(this);
        for (const QString& folder : AppCatalogue::folders())
            m_folders->addItem(folder, expandedFolder(folder));
        const int start = m_folders->findText(startFolder);
        layout->addWidget(m_folders);
        m_list = new QListWidget(this);
        m_list->setIconSize(QSize(24, 24));
        m_list->setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
        layout->addWidget(m_list, 1);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
        connect(m_folders, &QComboBox::currentIndexChanged, this, [this] { fill(); });
        m_folders->setCurrentIndex(std::max(0, start));
        fill();
    }

    QStringList chosen() const
    {
        QStringList paths;
        for (int row = 0; row < m_list->count(); ++row) {
            if (m_list->item(row)->isSelected())
                paths.append(m_list->item(row)->data(Qt::UserRole).toString());
        }
        return paths;
    }

private:
    void fill()
    {
        m_list->clear();
        RunningApplications& apps = Platform::current().runningApplications();
        QStringList entries = apps.folderEntries(m_folders->currentData().toString()).value_or(QStringList());
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [](const QString& path) { return !path.endsWith(QLatin1String(".app")); }),
                      entries.end());
        std::vector<std::pair<QString, QString>> rows; // name, path
        for (const QString& path : entries)
            rows.emplace_back(apps.displayName(path), path);
        std::sort(rows.begin(), rows.end(),
                  [](const auto& a, const auto& b) { return a.first.compare(b.first, Qt::CaseInsensitive) < 0; });
        for (const auto& [name, path] : rows) {
            auto* item = new QListWidgetItem(name, m_list);
            item->setData(Qt::UserRole, path);
            const QImage icon = apps.iconForFile(path);
            if (!icon.isNull())
                item->setIcon(QIcon(QPixmap::fromImage(icon)));
        }
    }

    QComboBox* m_folders = nullptr;
    QListWidget* m_list = nullptr;
};

QString filterFor(FileKind kind)
{
    switch (kind) {
    case FileKind::image: {
        QStringList patterns;
        for (const QByteArray& format : QImageReader::supportedImageFormats())
            patterns.append(QStringLiteral("*.") + QString::fromLatin1(format));
        return QApplication::translate("lumivast::DialogFilePanels", "Images") + QStringLiteral(" (")
            + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    case FileKind::application:
        return QApplication::translate("lumivast::DialogFilePanels", "Applications") + QStringLiteral(" (*.app)");
    case FileKind::json:
        return QStringLiteral("JSON (*.json)");
    case FileKind::commaSeparatedText:
        return QApplication::translate("lumivast::DialogFilePanels", "Comma-separated text") + QStringLiteral(" (*.csv)");
    }
    return {};
}

QString extensionOf(const QString& filter)
{
    // "JSON (*.json)" -> "json"
    const qsizetype star = filter.indexOf(QStringLiteral("*."));
    if (star < 0)
        return {};
    const qsizetype end = filter.indexOf(QRegularExpression(QStringLiteral("[ )]")), star);
    return filter.mid(star + 2, end < 0 ? -1 : end - star - 2);
}

} // namespace

QStringList DialogFilePanels::nameFilters(const std::vector<FileKind>& kinds)
{
    QStringList filters;
    for (FileKind kind : kinds)
        filters.append(filterFor(kind));
    return filters;
}

void DialogFilePanels::showOpen(const OpenPanelRequest& request, Opened opened)
{
    if (std::find(request.allowedKinds.begin(), request.allowedKinds.end(), FileKind::application)
        != request.allowedKinds.end()) {
        showModal(std::make_unique<ApplicationChooser>(request.directory, request.allowsMultipleSelection),
                  [opened = std::move(opened)](QDialog& closed, int result) {
                      const QStringList chosen = static_cast<ApplicationChooser&>(closed).chosen();
                      if (result != QDialog::Accepted || chosen.isEmpty())
                          return opened(std::nullopt);
                      opened(chosen);
                  });
        return;
    }
    auto dialog = std::make_unique<QFileDialog>(nullptr, QString(), expandedFolder(request.directory));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog->setNameFilters(nameFilters(request.allowedKinds));
    showModal(std::move(dialog), [opened = std::move(opened)](QDialog& closed, int result) {
        const QStringList files = static_cast<QFileDialog&>(closed).selectedFiles();
        if (result != QDialog::Accepted || files.isEmpty())
            return opened(std::nullopt);
        opened(files);
    });
}

void DialogFilePanels::showSave(const SavePanelRequest& request, Saved saved)
{
    const QString folder = request.directory.isEmpty() ? QDir::homePath() : expandedFolder(request.directory);
    auto dialog = std::make_unique<QFileDialog>(nullptr, QString(), QDir(folder).filePath(request.suggestedName));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(nameFilters(request.allowedKinds));
    showModal(std::move(dialog), [saved = std::move(saved)](QDialog& closed, int result) {
        const auto& dialog = static_cast<QFileDialog&>(closed);
        if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return saved(std::nullopt);
        QString path = dialog.selectedFiles().front();
        // A name typed without its extension gets the chosen kind's.
        const QString extension = extensionOf(dialog.selectedNameFilter());
        if (!extension.isEmpty() && QFileInfo(path).suffix().isEmpty())
            path += QLatin1Char('.') + extension;
        saved(path);
    });
}

} // namespace lumivast
