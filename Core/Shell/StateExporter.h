#pragma once

#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceModel.h"
#include "Platform/Scheduler.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>

namespace lumivast {

class SpaceStore;

// state.json: every Space the program knows, for outside tools and the local
// API. Its member names and their meaning are a promise to those readers.
namespace StateExporter {

// How long the caller waits after the last change before writing.
inline constexpr Duration kDebounce = 400ms;

// The file's object: "version", "updatedAt", "current" and one entry per
// Space of every display, in the snapshot's order.
QJsonObject document(const SpaceSnapshot& snapshot, const SpaceStore& store, const SpaceContents::AppsBySpace& appsBySpace,
                     const QDateTime& updatedAt);

// Rebuilds the whole file and replaces it atomically. A failure is dropped:
// the previous file stays until the next write succeeds. Main thread.
void write(const SpaceSnapshot& snapshot, const SpaceStore& store, const SpaceContents& contents, const Scheduler& clock);

} // namespace StateExporter

} // namespace lumivast
