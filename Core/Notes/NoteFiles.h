#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <QByteArray>
#include <QString>

namespace lumivast {

class SpaceStore;

// One Markdown note file per Space name, in "Lumivast Notes" of the user's
// Documents folder, opened with the desktop's editor for it. The program
// writes a file once, when it is first opened, and never reads it back.
namespace NoteFiles {

inline const QString kFolderName = QStringLiteral("Lumivast Notes");

// The notes folder; created, with any missing parents, on every call.
QString folder();
// File names hold at most 255 bytes; ".md" takes three.
inline constexpr qsizetype kLongestNameBytes = 255 - 3;
// The file name without ".md": "/" and then ":" become "-" (and NUL, which
// no file name here can hold); a name longer than kLongestNameBytes in UTF-8
// is cut after its last whole character that fits.
QString safeName(const QString& displayName);
// What a new note file holds, in UTF-8.
QByteArray firstContent(const QString& displayName, const QString& note);
// Creates the Space's file when absent (never rewriting one that exists),
// then asks the workspace to open it. Returns its path. Main thread.
QString open(const Space& space, const SpaceStore& store);

} // namespace NoteFiles

} // namespace lumivast
