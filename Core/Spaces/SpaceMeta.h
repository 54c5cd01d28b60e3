#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace lumivast {

// What runs when a Space is entered or left. The default value means
// "no automation"; the store never keeps one equal to it.
struct SpaceAutomation {
    QStringList launchApps;
    QStringList openURLs; // "://" inside: a URL; anything else a file path (leading "~" allowed)
    bool launchOnce = true;
    std::optional<QString> shortcutOnEnter;
    std::optional<QString> shortcutOnLeave;
    std::optional<QString> scriptOnEnter;
    std::optional<QString> scriptOnLeave;
    bool launchOnlyIfEmpty = false;
    QStringList pinnedApps; // bundle identifiers whose windows belong on this Space
    std::optional<QString> keystrokeOnEnter; // e.g. "cmd+shift+k"
    bool hideOtherApps = false;
    std::optional<QString> browserApp;
    std::optional<QString> browserProfile;

    bool operator==(const SpaceAutomation&) const = default;
};

// Everything the user attaches to one Space. Every field may be absent.
struct SpaceMeta {
    std::optional<QString> name = std::nullopt;
    std::optional<QString> symbol = std::nullopt;
    std::optional<QString> colorHex = std::nullopt;
    std::optional<QString> note = std::nullopt;
    std::optional<QString> iconFile = std::nullopt; // a bare file name inside the Icons folder, never a path
    std::optional<SpaceAutomation> automation = std::nullopt;
    std::optional<QString> group = std::nullopt;

    bool isEmpty() const { return *this == SpaceMeta{}; }
    bool operator==(const SpaceMeta&) const = default;
};

// Key (Space id, or "fs:" + bundle id) -> record. Ordered, so files come out sorted.
using SpaceMetaMap = std::map<QString, SpaceMeta>;

// Prefix of the remembered records of full-screen applications.
inline const QString fullscreenKeyPrefix = QStringLiteral("fs:");
// Prefix of the ids of Spaces the system gives no UUID (not stable, never pruned).
inline const QString managedKeyPrefix = QStringLiteral("managed-");

// True for a plain file name that stays inside the Icons folder: no path
// separator, no "..", not empty. Anything else counts as no icon at all.
bool isSafeIconFileName(const QString& name);

namespace SpaceMetaCoding {

// Absent fields are left out; the automation's lists and flags are always written.
QJsonObject encode(const SpaceAutomation& automation);
QJsonObject encode(const SpaceMeta& meta);
QJsonObject encode(const SpaceMetaMap& metas);

// Strict: a member of the wrong JSON type fails the whole value; missing or
// null members take their defaults; unknown members are ignored. An icon file
// name that is not a safe bare name decodes as no icon, and a record that had
// nothing else is dropped from the mapping.
std::optional<SpaceAutomation> decodeAutomation(const QJsonValue& value);
std::optional<SpaceMeta> decodeMeta(const QJsonValue& value);
std::optional<SpaceMetaMap> decodeMap(const QJsonValue& value);

// The text of spaces.json: pretty-printed, members sorted.
QByteArray toFileBytes(const SpaceMetaMap& metas);
// Nothing when the text is not JSON or any record fails to decode.
std::optional<SpaceMetaMap> fromFileBytes(const QByteArray& bytes);

} // namespace SpaceMetaCoding

} // namespace lumivast
