#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace lumivast {

// What a file panel lets the user pick.
enum class FileKind {
    image,              // any picture the program can read
    application,        // an application bundle from the application folders
    json,               // ".json"
    commaSeparatedText, // ".csv"
};

// A panel that opens existing items.
struct OpenPanelRequest {
    std::vector<FileKind> allowedKinds;
    bool allowsMultipleSelection = false;
    QString directory; // where the panel starts; empty: the panel's own choice
    bool operator==(const OpenPanelRequest&) const = default;
};

// A panel that names a file to write.
struct SavePanelRequest {
    std::vector<FileKind> allowedKinds; // the first is the one offered first
    QString suggestedName;              // "Lumivast Settings.json"
    QString directory;
    bool operator==(const SavePanelRequest&) const = default;
};

// Modal open and save panels, run on the main thread. Every answer is a path;
// cancelling answers nothing, and then the caller changes nothing. The program
// has one; tests answer with a fake.
class FilePanels {
public:
    virtual ~FilePanels() = default;

    // The chosen paths in the panel's order; nothing when cancelled.
    virtual std::optional<QStringList> runOpen(const OpenPanelRequest& request) = 0;
    // The path to write; nothing when cancelled.
    virtual std::optional<QString> runSave(const SavePanelRequest& request) = 0;

    // One image file.
    std::optional<QString> chooseImage()
    {
        const auto chosen = runOpen({{FileKind::image}, false, {}});
        if (!chosen || chosen->isEmpty())
            return std::nullopt;
        return chosen->front();
    }
    // One or several application bundles, starting in the main application folder.
    std::optional<QStringList> chooseApplications(bool multiple)
    {
        return runOpen({{FileKind::application}, multiple, QStringLiteral("/Applications")});
    }
};

} // namespace lumivast
