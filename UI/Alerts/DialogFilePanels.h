#pragma once

#include "Platform/FilePanels.h"

namespace lumivast {

// File panels on Qt's file dialog. Applications are chosen from a list of the
// application folders as the platform lists them, not from the file system:
// what counts as an installed application is the platform's to say.
class DialogFilePanels final : public FilePanels {
public:
    // The file dialog's filter for these kinds ("Images (*.png *.jpg …)").
    static QStringList nameFilters(const std::vector<FileKind>& kinds);

protected:
    void showOpen(const OpenPanelRequest& request, Opened opened) override;
    void showSave(const SavePanelRequest& request, Saved saved) override;
};

} // namespace lumivast
