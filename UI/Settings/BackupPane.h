#pragma once

#include "UI/Settings/PaneKit.h"

class QPushButton;

namespace lumivast {

class SettingsServices;

// Every setting and all per-Space data to one JSON file and back, and three
// support tools: diagnostics to the clipboard, the data folder in the file
// manager, and deleting every preview. Outcomes show on the pane's last line.
class BackupPane final : public PaneForm {
    Q_OBJECT
public:
    explicit BackupPane(SettingsServices& services, QWidget* parent = nullptr);

    void exportSettings();
    void importSettings();
    void copyDiagnostics();
    void showDataFolder();
    void clearPreviews();

    QPushButton* exportButton() const { return m_export; }
    QPushButton* importButton() const { return m_import; }
    QPushButton* diagnosticsButton() const { return m_diagnostics; }
    QPushButton* dataFolderButton() const { return m_dataFolder; }
    QPushButton* clearPreviewsButton() const { return m_clearPreviews; }

private:
    // Asks before keeping the file's shell commands, when it has any.
    void importFile(const QString& path);

    SettingsServices& m_services;
    QPushButton* m_export = nullptr;
    QPushButton* m_import = nullptr;
    QPushButton* m_diagnostics = nullptr;
    QPushButton* m_dataFolder = nullptr;
    QPushButton* m_clearPreviews = nullptr;
};

} // namespace lumivast
