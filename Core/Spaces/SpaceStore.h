#pragma once

#include "Core/Spaces/SpaceMeta.h"
#include "Core/Spaces/SpaceModel.h"
#include "Core/Spaces/PruneScope.h"
#include "Platform/RunningApplications.h"
#include "Platform/Scheduler.h"

#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace lumivast {

// The user's per-Space data while the program runs, kept in spaces.json, and
// the one place that decides the name, symbol and icon a Space is shown with.
// Every edit goes through the setters, which keep the mapping free of empty
// records, mirror edits of a full-screen Space to its application's "fs:"
// record, publish `changed` and save 0.3 s after the last change.
// Main thread only.
class SpaceStore final : public QObject {
    Q_OBJECT
public:
    struct ColorChoice {
        QString name; // what the user sees
        QString hex;  // what setColor stores
    };

    static constexpr Duration saveDelay = 300ms;
    // Changes that keep coming still reach the disk this often.
    static constexpr Duration saveMaxWait = 2s;
    static constexpr int recentNamesLimit = 20;
    static constexpr int iconSize = 128;

    // Offered by the symbol picker; the first is also a desktop's default symbol.
    static const QStringList& symbolChoices();
    static const std::vector<ColorChoice>& colorChoices();
    // Suggested by the rename dialog after the recently used names.
    static const QStringList& namePresets();

    // Loads `filePath` (normally AppPaths::file("spaces.json")). A file that
    // exists but cannot be read or decoded counts as empty and is set aside
    // (spaces.json.unreadable-<time>) so the next save cannot destroy it.
    SpaceStore(Scheduler& scheduler, QString filePath, QObject* parent = nullptr);
    // Writes a save that is still waiting, so edits just before quitting survive.
    ~SpaceStore() override;

    // Automatic name of an unnamed desktop (the first app on it), or nothing.
    // Installed by the application at launch.
    std::function<std::optional<QString>(const Space&)> autoNameProvider;
    // The running application with a process id, or nothing when none runs:
    // the platform's answer unless a test puts its own here. Without an answer
    // full-screen Spaces show "Full Screen" and get no "fs:" record.
    std::function<std::optional<RunningApplication>(std::int32_t pid)> runningAppProvider;
    // True for an icon file that must be kept when a Space's icon changes or
    // is removed (a saved profile still shows it). Without it every replaced file is removed.
    std::function<bool(const QString& iconFile)> iconFileKept;
    // Told why a save failed (the file on disk stays as it was); the next change tries again.
    std::function<void(const QString& reason)> onSaveFailed;

    const QString& filePath() const { return m_filePath; }
    const SpaceMetaMap& metas() const { return m_metas; }
    // The stored record, or the empty one.
    SpaceMeta meta(const QString& key) const;

    QString displayName(const Space& space) const;
    QString symbol(const Space& space) const;
    bool hasCustomName(const Space& space) const;
    // The names the user gave to the snapshot's desktops, by managed number: what the system's pager shows.
    std::map<std::uint64_t, QString> desktopNamesByManagedNumber(const SpaceSnapshot& snapshot) const;
    // The Space's custom icon (128 x 128), loaded once and cached.
    std::optional<QImage> customIcon(const Space& space) const;

    // Setters take the key (normally a Space id) second, as callers read them.
    void setName(const std::optional<QString>& name, const QString& key);   // empty clears; a name given is remembered
    void setSymbol(const std::optional<QString>& symbol, const QString& key); // empty is kept
    void setColor(const std::optional<QString>& hex, const QString& key);
    void setNote(const std::optional<QString>& note, const QString& key);   // empty clears
    void setGroup(const std::optional<QString>& group, const QString& key); // empty clears
    // The default automation counts as none.
    void setAutomation(const std::optional<SpaceAutomation>& automation, const QString& key);
    // Stores the image at `imagePath`, stretched to 128 x 128, as Icons/<key>-<unique>.png;
    // no path (or an image that cannot be read) removes the custom icon.
    void setCustomIcon(const std::optional<QString>& imagePath, const QString& key);

    // Profile activation and settings import: take a whole mapping as it is.
    void replaceAll(SpaceMetaMap metas);
    void scheduleSave();
    bool isSavePending() const { return m_saveWork.isPending(); }
    // Writes a save that is still waiting for its debounce (at quit).
    void flushPendingSave();
    // Writes the whole mapping now, in place of a waiting save. False (logged,
    // the old file whole, a save still due) when it could not be written.
    bool saveNow();

    // Puts a name first in the "recentSpaceNames" setting (case-insensitively
    // unique, at most 20).
    void remember(const QString& name);

    // Snapshot hooks, in this order on every snapshot.
    // Drops records of Spaces that are gone ("managed-" and "fs:" keys stay).
    // An empty set removes nothing: a momentary empty snapshot must not wipe every name.
    void prune(const QSet<QString>& keeping);
    // The same against a snapshot, dropping only the records of Spaces gone
    // from a row that is present and not empty: a display that momentarily
    // reports no Spaces (or no row) keeps its names, notes and automations.
    void pruneAgainst(const SpaceSnapshot& snapshot);
    void noteFullscreenKeys(const std::vector<Space>& spaces);
    void adoptFullscreenMemory(const std::vector<Space>& spaces);

    // Space id -> "fs:<bundle id>" for the full-screen Spaces of the latest snapshot.
    const std::map<QString, QString>& fullscreenKeyByID() const { return m_fullscreenKeyByID; }

signals:
    // After every write of the mapping.
    void changed();

private:
    void load();
    bool save();
    void dropAllBut(const QSet<QString>& keeping);
    void update(const QString& key, const std::function<void(SpaceMeta&)>& mutate);
    std::optional<QString> bundleIDOf(const Space& space) const;
    QString iconPath(const QString& fileName) const;

    Scheduler& m_scheduler;
    QString m_filePath;
    SpaceMetaMap m_metas;
    WorkItem m_saveWork;
    WorkItem m_recentNamesSave;
    Duration m_saveDueSince{}; // when the oldest unsaved change was made
    PruneScope m_pruneScope;
    std::map<QString, QString> m_fullscreenKeyByID;
    mutable std::map<QString, QImage> m_iconCache;
};

} // namespace lumivast
