#include "UI/Settings/BackupPane.h"

#include "Core/Previews/ThumbnailService.h"
#include "Core/Shell/SettingsTransfer.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/DataFile.h"
#include "Platform/FilePanels.h"
#include "Platform/OwnedAnswer.h"
#include "Platform/Platform.h"
#include "UI/Settings/SettingsServices.h"

#include <QFileInfo>
#include <QPushButton>

namespace lumivast {

BackupPane::BackupPane(SettingsServices& services, QWidget* parent)
    : PaneForm(parent)
    , m_services(services)
{
    FormSection* transfer = addSection(tr("Settings and Space names"));
    m_export = new QPushButton(tr("Export\u2026"));
    m_import = new QPushButton(tr("Import\u2026"));
    transfer->addRow(std::vector<QWidget*>{m_export, m_import, nullptr});
    const SystemParts::Words words = Platform::current().parts().words();
    transfer->addCaption(tr("Exports names, notes, icons, colours, automations and every setting as one JSON file. "
                            "Previews and icon images stay on this %1.")
                             .arg(words.computer));

    FormSection* support = addSection(tr("Support"));
    m_diagnostics = new QPushButton(tr("Copy Diagnostics"));
    m_dataFolder = new QPushButton(tr("Show Data Folder in %1").arg(words.fileManager));
    m_clearPreviews = PaneKit::destructiveButton(tr("Clear All Previews"));
    for (QPushButton* button : {m_diagnostics, m_dataFolder, m_clearPreviews})
        support->addRow(std::vector<QWidget*>{button, nullptr});

    connect(m_export, &QPushButton::clicked, this, &BackupPane::exportSettings);
    connect(m_import, &QPushButton::clicked, this, &BackupPane::importSettings);
    connect(m_diagnostics, &QPushButton::clicked, this, &BackupPane::copyDiagnostics);
    connect(m_dataFolder, &QPushButton::clicked, this, &BackupPane::showDataFolder);
    connect(m_clearPreviews, &QPushButton::clicked, this, &BackupPane::clearPreviews);
}

void BackupPane::exportSettings()
{
    const SavePanelRequest request{{FileKind::json}, QStringLiteral("Lumivast Settings.json"), {}};
    m_services.panels->save(request, this, [this](const std::optional<QString>& path) {
        if (!path || path->isEmpty())
            return;
        // Written whole or not at all, so a failure leaves an earlier backup of that name as it was.
        if (const auto written = SettingsTransfer::exportTo(*path, m_services.store, m_services.scheduler); !written)
            setOutcome(tr("Export failed: %1").arg(written.error()));
        else
            setOutcome(tr("Exported to %1.").arg(QFileInfo(*path).fileName()));
    });
}

void BackupPane::importSettings()
{
    m_services.panels->open({{FileKind::json}, false, {}}, this, [this](const std::optional<QStringList>& chosen) {
        if (chosen && !chosen->isEmpty())
            importFile(chosen->front());
    });
}

void BackupPane::importFile(const QString& path)
{
    const DataFile::ReadResult file = DataFile::read(path);
    const auto bundle = SettingsTransfer::decode(file.bytes);
    // An unreadable file and one that is no backup read alike; neither changes anything.
    if (file.status != DataFile::ReadStatus::Read || !bundle) {
        setOutcome(tr("That file is not a Lumivast export."));
        return;
    }
    const auto import = [this, bytes = file.bytes, name = QFileInfo(path).fileName()](bool allowCommands) {
        const auto consent = [allowCommands](const QStringList&) { return allowCommands; };
        if (!SettingsTransfer::importData(bytes, m_services.store, consent))
            setOutcome(tr("That file is not a Lumivast export."));
        else
            setOutcome(tr("Imported %1.").arg(name));
    };
    const QStringList commands = SettingsTransfer::shellCommands(bundle->spaces);
    if (commands.isEmpty())
        return import(false);
    m_services.allowImportedCommands(commands, ownedAnswer(this, import));
}

void BackupPane::copyDiagnostics()
{
    SettingsTransfer::copyDiagnostics(m_services.watcher.snapshot(), m_services.shortcutFailures());
    setOutcome(tr("Diagnostics copied. Paste them into your support email."));
}

void BackupPane::showDataFolder()
{
    Platform::current().workspace().showInFileManager(AppPaths::supportDirectory());
}

void BackupPane::clearPreviews()
{
    m_services.thumbnails.removeAll();
    setOutcome(tr("Previews cleared."));
}

} // namespace lumivast
