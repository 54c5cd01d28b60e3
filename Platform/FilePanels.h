#pragma once

#include "Platform/OwnedAnswer.h"

#include <QString>
#include <QStringList>

#include <functional>
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

// Modal open and save panels, shown on the main thread without waiting for
// them. Every answer is a path, given once the panel has closed, and never to
// an owner that is gone by then; cancelling answers nothing, and then the
// caller changes nothing. The program has one; tests answer with a fake.
class FilePanels {
public:
    // The chosen paths in the panel's order; nothing when cancelled.
    using Opened = std::function<void(const std::optional<QStringList>& paths)>;
    // The path to write; nothing when cancelled.
    using Saved = std::function<void(const std::optional<QString>& path)>;

    virtual ~FilePanels() = default;

    void open(const OpenPanelRequest& request, const QObject* owner, Opened opened)
    {
        showOpen(request, ownedAnswer(owner, std::move(opened)));
    }
    void save(const SavePanelRequest& request, const QObject* owner, Saved saved)
    {
        showSave(request, ownedAnswer(owner, std::move(saved)));
    }

    // One image file.
    void chooseImage(const QObject* owner, Saved chosen)
    {
        open({{FileKind::image}, false, {}}, owner, [chosen = std::move(chosen)](const std::optional<QStringList>& paths) {
            chosen(paths && !paths->isEmpty() ? std::optional(paths->front()) : std::nullopt);
        });
    }
    // One or several application bundles, starting in the main application folder.
    void chooseApplications(bool multiple, const QObject* owner, Opened opened)
    {
        open({{FileKind::application}, multiple, QStringLiteral("/Applications")}, owner, std::move(opened));
    }

protected:
    virtual void showOpen(const OpenPanelRequest& request, Opened opened) = 0;
    virtual void showSave(const SavePanelRequest& request, Saved saved) = 0;
};

} // namespace lumivast
