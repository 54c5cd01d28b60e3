#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <expected>
#include <optional>
#include <vector>

namespace lumivast {

class SpaceStore;

// A named preset for a row of desktops: per desktop a name, symbol, colour,
// note and the apps and web addresses to open on entering it. Five are built
// in; imported ones live in templates.json, which only importFile writes.
struct SpaceTemplate {
    struct Slot {
        QString name;
        std::optional<QString> symbol = std::nullopt;
        std::optional<QString> colorHex = std::nullopt;
        std::optional<QString> note = std::nullopt;
        QStringList apps; // bundle identifiers or application names
        QStringList urls;
        bool operator==(const Slot&) const = default;
    };
    struct Result {
        int applied = 0; // desktops that received a slot
        int missing = 0; // slots that found no desktop
        bool operator==(const Result&) const = default;
    };
    enum class ImportFailure { unreadable, undecodable };

    QString name;
    QString summary;
    std::vector<Slot> slotList; // "slots" in files; the word is taken by Qt
    bool operator==(const SpaceTemplate&) const = default;

    static const std::vector<SpaceTemplate>& builtIn();

    // Writes the slots onto the desktops (non-full-screen Spaces) of the
    // menu-bar display, first slot onto the first desktop. Categories and
    // custom icons are left alone.
    Result apply(const SpaceSnapshot& snapshot, SpaceStore& store) const;

    // The slot's apps as application paths, in order: by bundle identifier,
    // else as /Applications/<entry>.app when that is installed; others are dropped.
    static QStringList resolveApps(const QStringList& entries);

    // Reads one template from `path` and adds it to the templates file
    // (replacing one of exactly the same name, which moves to the end).
    // Fails before the templates file is touched.
    static std::expected<SpaceTemplate, ImportFailure> importFile(const QString& path, const QString& templatesPath);
    // The imported templates in file order; an unreadable file gives none and is set aside.
    static std::vector<SpaceTemplate> imported(const QString& templatesPath);

    // Strict coding: required members must be there, and any member of the wrong type fails.
    static QJsonObject encode(const SpaceTemplate& value);
    static std::optional<SpaceTemplate> decode(const QJsonValue& value);
};

} // namespace lumivast
