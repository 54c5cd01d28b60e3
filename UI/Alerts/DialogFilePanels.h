#pragma once

#include "Platform/FilePanels.h"

namespace lumivast {

// File panels on Qt's file dialog. Applications are chosen from a list of the
// application folders as the platform lists them, not from the file system:
// what counts as an installed application is the platform's to say.
class DialogFilePanels final : public FilePanels {
public:
    std::optional<QStringList> runOpen(const OpenPanelRequest& request) override;
    std::optional<QString> runSave(const SavePanelRequest& request) override;

    // The file dialog's filter for these kinds ("Images (*.png *.jpg …)").
    static QStringList nameFilters(const std::vector<FileKind>& kinds);
};

} // namespace lumivast
