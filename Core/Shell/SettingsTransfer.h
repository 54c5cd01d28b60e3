#pragma once

#include "Core/Shell/BundleInfo.h"
#include "Core/Spaces/SpaceMeta.h"
#include "Core/Spaces/SpaceModel.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <expected>
#include <functional>
#include <map>
#include <optional>

namespace lumivast {

class Scheduler;
class SpaceStore;

// The settings backup (every Space's metadata and every exported setting in
// one JSON file) and the plain-text diagnostics report. Main thread.
namespace SettingsTransfer {

// A backup file's content.
struct Bundle {
    int version = 1;
    QDateTime exportedAt; // UTC, whole seconds
    SpaceMetaMap spaces;
    // Setting key -> the value as the compact JSON text of a one-element array
    // ("[true]", "[\"classic\"]"); nothing for a null entry.
    std::map<QString, std::optional<QString>> settings;
};

// Why a file is not a backup. Nothing has changed when one is reported.
enum class BackupFailure {
    notJSON,      // not a JSON object
    missingField, // "version", "exportedAt", "spaces" or "settings" absent or of the wrong type
    badDate,      // "exportedAt" is not an internet date-time with whole seconds
    badSpaces,    // a Space record that its own coding rejects
};
QString description(BackupFailure failure);

struct ImportReport {
    int settingsApplied = 0;
    // Entries left alone: keys that are not exported settings, texts that are
    // not a non-empty JSON array, null values and values of the wrong type.
    int settingsSkipped = 0;
};

// Pretty-printed, keys sorted at every level, ISO 8601 dates.
QByteArray encode(const Bundle& bundle);
std::expected<Bundle, BackupFailure> decode(const QByteArray& data);

// The backup's bytes: version 1, exported now, the store's whole metadata and
// the current value (stored, else registered) of every exportable setting.
QByteArray exportData(const SpaceStore& store, const Scheduler& clock);
// Writes exportData() to `path` atomically, so a failed write leaves an
// earlier backup there whole; the system's reason when it fails.
std::expected<void, QString> exportTo(const QString& path, const SpaceStore& store, const Scheduler& clock);

// The shell commands the Spaces would run on entering and leaving, in key order.
QStringList shellCommands(const SpaceMetaMap& spaces);

// Asked, with the commands, before a file that came from elsewhere may bring
// shell commands in; without a yes (or without anyone to ask) none are kept.
using CommandConsent = std::function<bool(const QStringList& commands)>;

// Applies a backup: each usable settings entry is written into the program's
// defaults (the rest are skipped and counted), then the store's metadata is
// replaced whole and saved after its debounce. A file that does not decode
// changes nothing.
std::expected<ImportReport, BackupFailure> importData(const QByteArray& data, SpaceStore& store,
                                                      const CommandConsent& consent = {});

// The report a user pastes into a support request: twelve lines, a
// thirteenth when shortcuts are taken by other applications.
QString diagnostics(const SpaceSnapshot& snapshot, const QStringList& shortcutFailures);
QString diagnostics(const SpaceSnapshot& snapshot, const QStringList& shortcutFailures, const BundleInfo& bundle);
// Clears the general pasteboard and puts the report on it as plain text.
void copyDiagnostics(const SpaceSnapshot& snapshot, const QStringList& shortcutFailures);

} // namespace SettingsTransfer

} // namespace lumivast
