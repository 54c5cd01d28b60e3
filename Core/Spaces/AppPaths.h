#pragma once

#include <QString>

// Where the program keeps its data. Each getter makes sure its folder exists,
// on every call, and returns the path whether or not that worked.
namespace lumivast::AppPaths {

QString supportDirectory();
QString thumbnailsDirectory();
QString iconsDirectory();

// A file directly in the data folder (spaces.json, state.json, ...).
QString file(const QString& name);

} // namespace lumivast::AppPaths
