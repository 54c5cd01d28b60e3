#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/Scheduler.h"

#include <QByteArray>
#include <QDateTime>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <expected>
#include <map>
#include <optional>
#include <vector>

namespace lumivast {

class SpaceContents;
class SpaceStore;

// A Space put aside: its apps, their window frames and the browsers' tabs.
struct SavedSpace {
    QUuid id;
    QString name;
    QDateTime savedAt;
    QStringList apps; // bundle identifiers, each once, in order of their first window
    QStringList urls; // tab addresses of the supported browsers among `apps`
    std::map<QString, std::vector<QRectF>> frames; // per app, in window-list order; recorded only

    bool operator==(const SavedSpace&) const = default;

    // The canonical upper-case form that identifies the record.
    QString idText() const;
};

// Saves a Space's apps and tabs to saved-spaces.json (newest first, at most
// 30), closes its windows, and reopens a saved record later. Main thread only.
class SavedSpaces final {
public:
    enum class Failure {
        nothingToSave, // the Space lists no windows
        notWritten,    // the record could not be written; every window was left open
    };
    // What the user is told.
    static QString description(Failure failure);

    static constexpr int kLimit = 30;
    static constexpr double kMessagingTimeout = 0.3;

    SavedSpaces(const SpaceStore& store, const SpaceContents& contents, Scheduler& scheduler);

    // Records the Space at the head of the file, then, once that is written,
    // closes every window of the Space.
    std::expected<SavedSpace, Failure> saveAndClose(const Space& space);
    // Launches the recorded apps (a browser is left to its addresses when
    // there are any) and opens the recorded addresses.
    void restore(const SavedSpace& saved);

    // The records in the file, newest first; empty when it is missing or does
    // not decode (an undecodable file is set aside).
    static std::vector<SavedSpace> records();
    static QString filePath();

    static QByteArray encode(const std::vector<SavedSpace>& records);
    static std::optional<std::vector<SavedSpace>> decode(const QByteArray& data);

private:
    bool write(const std::vector<SavedSpace>& records);

    const SpaceStore& m_store;
    const SpaceContents& m_contents;
    Scheduler& m_scheduler;
};

} // namespace lumivast
