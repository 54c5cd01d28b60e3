#include "Core/Shell/SettingsTransfer.h"

#include "CGSBridge/CGSBridge.h"
#include "Core/Settings/Settings.h"
#include "Core/Shell/SetupCheck.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "Platform/Platform.h"
#include "Platform/Scheduler.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace lumivast::SettingsTransfer {

namespace {

// Internet date-time with whole seconds: no fraction, a zone always given.
std::optional<QDateTime> parseDate(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(Z|[+-]\d{2}:\d{2})$)"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    const QDateTime date = QDateTime::fromString(text, Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    return date.toUTC();
}

QString formatDate(const QDateTime& date)
{
    QDateTime utc = date.toUTC();
    utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));
    return utc.toString(Qt::ISODate);
}

// "[value]" as compact JSON; nothing for a value JSON cannot carry.
std::optional<QString> encodeSetting(const QJsonValue& value)
{
    if (value.isUndefined() || (value.isDouble() && !std::isfinite(value.toDouble())))
        return std::nullopt;
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact));
}

// The value an entry's text carries, when it may be written under `key`.
std::optional<QJsonValue> decodeSetting(const QString& key, const QString& text)
{
    if (!Settings::exportableKeys().contains(key))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray() || doc.array().isEmpty())
        return std::nullopt;
    const QJsonValue value = doc.array().first();
    // A null or a value of another type would leave the setting unreadable for every reader.
    const auto type = Settings::typeOf(key);
    if (value.isNull() || !type || !Settings::valueHasType(value, *type))
        return std::nullopt;
    return value;
}

QString yesNo(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

QString description(BackupFailure failure)
{
    switch (failure) {
    case BackupFailure::notJSON:
        return QCoreApplication::translate("SettingsTransfer", "The file is not a Lumivast backup.");
    case BackupFailure::missingField:
        return QCoreApplication::translate("SettingsTransfer", "The backup is incomplete.");
    case BackupFailure::badDate:
        return QCoreApplication::translate("SettingsTransfer", "The backup's date cannot be read.");
    case BackupFailure::badSpaces:
        return QCoreApplication::translate("SettingsTransfer", "The backup's Space data cannot be read.");
    }
    return {};
}

QByteArray encode(const Bundle& bundle)
{
    QJsonObject settings;
    for (const auto& [key, text] : bundle.settings)
        settings.insert(key, text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null));
    QJsonObject root;
    root.insert(QStringLiteral("version"), bundle.version);
    root.insert(QStringLiteral("exportedAt"), formatDate(bundle.exportedAt));
    root.insert(QStringLiteral("spaces"), SpaceMetaCoding::encode(bundle.spaces));
    root.insert(QStringLiteral("settings"), settings);
    // QJsonObject keeps its keys sorted, so every level comes out in ascending order.
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::expected<Bundle, BackupFailure> decode(const QByteArray& data)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::unexpected(BackupFailure::notJSON);
    const QJsonObject root = doc.object();

    const QJsonValue version = root.value(QStringLiteral("version"));
    const QJsonValue exportedAt = root.value(QStringLiteral("exportedAt"));
    const QJsonValue spaces = root.value(QStringLiteral("spaces"));
    const QJsonValue settings = root.value(QStringLiteral("settings"));
    if (!Settings::valueHasType(version, Settings::ValueType::Int) || !exportedAt.isString() || !spaces.isObject()
        || !settings.isObject())
        return std::unexpected(BackupFailure::missingField);

    Bundle bundle;
    bundle.version = version.toInt();
    const auto date = parseDate(exportedAt.toString());
    if (!date)
        return std::unexpected(BackupFailure::badDate);
    bundle.exportedAt = *date;
    auto metas = SpaceMetaCoding::decodeMap(spaces);
    if (!metas)
        return std::unexpected(BackupFailure::badSpaces);
    bundle.spaces = std::move(*metas);
    const QJsonObject entries = settings.toObject();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it.value().isNull())
            bundle.settings.emplace(it.key(), std::nullopt);
        else if (it.value().isString())
            bundle.settings.emplace(it.key(), it.value().toString());
        else
            return std::unexpected(BackupFailure::missingField);
    }
    return bundle;
}

QByteArray exportData(const SpaceStore& store, const Scheduler& clock)
{
    Bundle bundle;
    bundle.exportedAt = clock.wallNow();
    bundle.spaces = store.metas();
    UserDefaults& defaults = Settings::defaults();
    for (const QString& key : Settings::exportableKeys()) {
        const auto value = defaults.object(key);
        if (!value)
            continue;
        if (auto text = encodeSetting(*value))
            bundle.settings.emplace(key, std::move(*text));
    }
    return encode(bundle);
}

std::expected<void, QString> exportTo(const QString& path, const SpaceStore& store, const Scheduler& clock)
{
    return DataFile::writeReportingError(path, exportData(store, clock), DataFile::Access::Exported);
}

QStringList shellCommands(const SpaceMetaMap& spaces)
{
    QStringList commands;
    for (const auto& [key, meta] : spaces) {
        if (!meta.automation)
            continue;
        for (const auto& command : {meta.automation->scriptOnEnter, meta.automation->scriptOnLeave}) {
            if (command && !command->trimmed().isEmpty())
                commands << *command;
        }
    }
    return commands;
}

std::expected<ImportReport, BackupFailure> importData(const QByteArray& data, SpaceStore& store, const CommandConsent& consent)
{
    auto bundle = decode(data);
    if (!bundle)
        return std::unexpected(bundle.error());

    // A backup can come from anyone; the commands in it run at the next switch.
    const QStringList commands = shellCommands(bundle->spaces);
    if (!commands.isEmpty() && !(consent && consent(commands))) {
        for (auto& [key, meta] : bundle->spaces) {
            if (!meta.automation)
                continue;
            meta.automation->scriptOnEnter.reset();
            meta.automation->scriptOnLeave.reset();
            if (*meta.automation == SpaceAutomation{})
                meta.automation.reset();
        }
    }

    ImportReport report;
    UserDefaults& defaults = Settings::defaults();
    for (const auto& [key, text] : bundle->settings) {
        const auto value = text ? decodeSetting(key, *text) : std::nullopt;
        if (!value) {
            ++report.settingsSkipped;
            continue;
        }
        defaults.set(key, *value);
        ++report.settingsApplied;
    }
    // Publishes the change, drops the cached icons and saves after the store's debounce.
    store.replaceAll(std::move(bundle->spaces));
    return report;
}

QString diagnostics(const SpaceSnapshot& snapshot, const QStringList& shortcutFailures)
{
    return diagnostics(snapshot, shortcutFailures, BundleInfo::main());
}

QString diagnostics(const SpaceSnapshot& snapshot, const QStringList& shortcutFailures, const BundleInfo& bundle)
{
    Platform& platform = Platform::current();
    const CGSBridgeHealth health = CGSBridgeProbe();
    std::size_t spaceCount = 0;
    for (const DisplaySpaces& display : snapshot.displays)
        spaceCount += display.spaces.size();

    QStringList lines;
    lines << QStringLiteral("Lumivast %1 (%2)")
                 .arg(bundle.shortVersion.value_or(QStringLiteral("?")), bundle.build.value_or(QStringLiteral("?")));
    using Part = SystemParts::Part;
    const SystemParts& parts = platform.parts();
    lines << (parts.words().system + QLatin1Char(' ') + platform.system().operatingSystemVersionString()).trimmed();
    lines << QStringLiteral("Bridge health: 0b%1 healthy=%2").arg(QString::number(health.rawValue, 2), yesNo(health.isHealthy()));
    // Lines about parts the system lacks would only ever read the same.
    if (parts.has(Part::permissionPrompts)) {
        lines << QStringLiteral("Accessibility: ") + yesNo(platform.trust().isAccessibilityTrusted(false));
        lines << QStringLiteral("Screen Recording: ") + yesNo(platform.trust().preflightScreenCaptureAccess());
    }
    if (parts.has(Part::dock) && parts.has(Part::missionControl))
        lines << QStringLiteral("Switch mode: ")
                     + (Settings::switchMode() == SwitchMode::classic ? QStringLiteral("classic") : QStringLiteral("instant"));
    lines << QStringLiteral("Displays: %1, Spaces: %2").arg(snapshot.displays.size()).arg(spaceCount);
    for (const SetupCheck& check : SetupCheck::all(shortcutFailures))
        lines << QStringLiteral("Check %1: %2").arg(check.title, check.passed ? QStringLiteral("ok") : QStringLiteral("needs attention"));
    if (!shortcutFailures.isEmpty())
        lines << QStringLiteral("Shortcuts taken by other apps: ") + shortcutFailures.join(QStringLiteral(", "));
    for (const DataFile::SetAsideFile& file : DataFile::setAsideFiles())
        lines << QStringLiteral("Unreadable file: %1, kept as %2").arg(file.path, file.keptAs);
    return lines.join(QLatin1Char('\n'));
}

void copyDiagnostics(const SpaceSnapshot& snapshot, const QStringList& shortcutFailures)
{
    const QString text = diagnostics(snapshot, shortcutFailures);
    Pasteboard& pasteboard = Platform::current().pasteboard();
    pasteboard.clearContents();
    pasteboard.setString(text);
}

} // namespace lumivast::SettingsTransfer
