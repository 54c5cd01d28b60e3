#pragma once

#include "Core/Spaces/SpaceMeta.h"
#include "Platform/Scheduler.h"

#include <QDateTime>
#include <QSet>
#include <QString>

#include <expected>
#include <optional>
#include <vector>

namespace lumivast {

class SpaceStore;

// A named copy of the whole per-Space metadata set.
struct SpaceProfile {
    QString name;
    SpaceMetaMap metas;
    QDateTime savedAt; // UTC, whole seconds

    bool operator==(const SpaceProfile&) const = default;
};

// profiles.json and the setting "activeProfile", of which it is the only
// writer. It keeps no state: every operation reads the file anew and writes
// it whole, so any number of instances may exist side by side. A file that
// exists but cannot be read or decoded counts as empty and is set aside
// before anything writes over it. Main thread only.
class ProfileStore {
public:
    ProfileStore(SpaceStore& store, Scheduler& scheduler, QString filePath);

    // The profiles in file order.
    std::vector<SpaceProfile> all() const;
    enum class Failure { noSuchProfile, notWritten };
    // Loads the first profile whose name matches ignoring case, after saving
    // the current set under the active profile when that is another one.
    // The files describe one state at every moment: no profile is recorded
    // as active while the names on disk change, so a crash in between never
    // saves one profile's names into another. Nothing changes when no profile
    // has that name, or when a file cannot be written.
    std::expected<void, Failure> activate(const QString& name);
    // Saves the store's set under `name` (replacing that exact name) and makes
    // it active. False, with the file whole, when it could not be written.
    bool saveCurrent(const QString& name);
    // Removes every profile of exactly that name; clears "activeProfile" when it named it.
    void remove(const QString& name);

    // The profiles in the file at `filePath`, in file order (what all() reads).
    static std::vector<SpaceProfile> read(const QString& filePath);
    // Every icon file a saved profile names; such files must outlive the Spaces that show them now.
    static QSet<QString> iconFilesInUse(const QString& filePath);

    // The file's coding: pretty-printed; `savedAt` exactly as 2025-03-01T08:30:00Z.
    static QByteArray encode(const std::vector<SpaceProfile>& profiles);
    // Nothing unless the text is an array of complete profile objects.
    static std::optional<std::vector<SpaceProfile>> decode(const QByteArray& bytes);

private:
    bool write(const std::vector<SpaceProfile>& profiles) const;

    SpaceStore& m_store;
    Scheduler& m_scheduler;
    const QString m_filePath;
};

} // namespace lumivast
