#pragma once

#include <QString>

namespace lumivast::PrivateFolder {

struct Folder {
    QString path;
    QString error; // why no folder can be used; empty when `path` is good
};

// The runtime folder, or else a folder made for this user under the temporary
// folder; either only when it is this user's alone. The running instance's
// socket and the real desktop's own files live there, never under a fixed
// name in a shared folder.
Folder find();

// Creates `path` (mode 0700) when missing. Empty when it is a real folder
// owned by this user with mode 0700, else what is wrong with it.
QString claim(const QString& path);

} // namespace lumivast::PrivateFolder
