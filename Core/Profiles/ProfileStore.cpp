#include "Core/Profiles/ProfileStore.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"

#include <QJsonArray>
#include <QTimeZone>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace lumivast {

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'");

std::optional<QDateTime> parseDate(const QString& text)
{
    // Only the one internet form; Qt's ISO reader would accept offsets and fractions too.
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}Z$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    // Read as UTC from the start: as local time, an hour skipped by daylight saving would not exist.
    const QDate day = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(text.mid(11, 8), QStringLiteral("HH:mm:ss"));
    const QDateTime date(day, time, QTimeZone::utc());
    if (!day.isValid() || !time.isValid() || !date.isValid())
        return std::nullopt;
    return date;
}

QString activeProfile()
{
    return Settings::defaults().string(Settings::Key::activeProfile).value_or(QString());
}

void setActiveProfile(const QString& name)
{
    Settings::defaults().set(Settings::Key::activeProfile, name);
}

} // namespace

ProfileStore::ProfileStore(SpaceStore& store, Scheduler& scheduler, QString filePath)
    : m_store(store)
    , m_scheduler(scheduler)
    , m_filePath(std::move(filePath))
{
}

std::vector<SpaceProfile> ProfileStore::read(const QString& filePath)
{
    const DataFile::ReadResult result = DataFile::read(filePath);
    if (result.status == DataFile::ReadStatus::Missing)
        return {};
    std::optional<std::vector<SpaceProfile>> profiles;
    if (result.status == DataFile::ReadStatus::Read)
        profiles = decode(result.bytes);
    if (!profiles) {
        DataFile::setAside(filePath);
        return {};
    }
    return std::move(*profiles);
}

std::vector<SpaceProfile> ProfileStore::all() const
{
    return read(m_filePath);
}

std::expected<void, ProfileStore::Failure> ProfileStore::activate(const QString& name)
{
    const std::vector<SpaceProfile> list = all();
    const auto found = std::find_if(list.begin(), list.end(), [&](const SpaceProfile& p) {
        return p.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (found == list.end())
        return std::unexpected(Failure::noSuchProfile);
    const SpaceProfile profile = *found;
    const QString active = activeProfile();
    // The edits made under the profile in use go back into it first.
    if (!active.isEmpty() && active != profile.name && !saveCurrent(active))
        return std::unexpected(Failure::notWritten);
    // From here until the new names are on disk no profile claims them: a crash
    // in between leaves names that belong to no profile, never one profile's
    // names recorded under another.
    const SpaceMetaMap previous = m_store.metas();
    if (!active.isEmpty())
        setActiveProfile(QString());
    m_store.replaceAll(profile.metas);
    if (!m_store.saveNow()) {
        m_store.replaceAll(previous);
        m_store.flushPendingSave();
        setActiveProfile(active);
        return std::unexpected(Failure::notWritten);
    }
    setActiveProfile(profile.name);
    return {};
}

bool ProfileStore::saveCurrent(const QString& name)
{
    std::vector<SpaceProfile> list = all();
    std::erase_if(list, [&](const SpaceProfile& p) { return p.name == name; });
    QDateTime now = m_scheduler.wallNow().toUTC();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    list.push_back({name, m_store.metas(), now});
    // Plain code-point order after canonical normalisation: "Work" before "home".
    std::vector<std::pair<QList<uint>, SpaceProfile>> keyed;
    keyed.reserve(list.size());
    for (SpaceProfile& p : list)
        keyed.emplace_back(p.name.normalized(QString::NormalizationForm_C).toUcs4(), std::move(p));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    list.clear();
    for (auto& [key, p] : keyed)
        list.push_back(std::move(p));
    if (!write(list))
        return false;
    setActiveProfile(name);
    return true;
}

void ProfileStore::remove(const QString& name)
{
    std::vector<SpaceProfile> list = all();
    std::erase_if(list, [&](const SpaceProfile& p) { return p.name == name; });
    write(list);
    if (activeProfile() == name)
        setActiveProfile(QString());
}

bool ProfileStore::write(const std::vector<SpaceProfile>& profiles) const
{
    return DataFile::write(m_filePath, encode(profiles));
}

QSet<QString> ProfileStore::iconFilesInUse(const QString& filePath)
{
    QSet<QString> files;
    for (const SpaceProfile& profile : read(filePath)) {
        for (const auto& [key, meta] : profile.metas) {
            if (meta.iconFile)
                files.insert(*meta.iconFile);
        }
    }
    return files;
}

QByteArray ProfileStore::encode(const std::vector<SpaceProfile>& profiles)
{
    QJsonArray array;
    for (const SpaceProfile& p : profiles) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), p.name);
        o.insert(QStringLiteral("metas"), SpaceMetaCoding::encode(p.metas));
        o.insert(QStringLiteral("savedAt"), p.savedAt.toUTC().toString(kDateFormat));
        array.append(o);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

std::optional<std::vector<SpaceProfile>> ProfileStore::decode(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    std::vector<SpaceProfile> profiles;
    for (const QJsonValue& value : doc.array()) {
        if (!value.isObject())
            return std::nullopt;
        const QJsonObject o = value.toObject();
        const QJsonValue name = o.value(QStringLiteral("name"));
        const QJsonValue savedAt = o.value(QStringLiteral("savedAt"));
        if (!name.isString() || !savedAt.isString() || !o.value(QStringLiteral("metas")).isObject())
            return std::nullopt;
        const auto metas = SpaceMetaCoding::decodeMap(o.value(QStringLiteral("metas")));
        const auto date = parseDate(savedAt.toString());
        if (!metas || !date)
            return std::nullopt;
        profiles.push_back({name.toString(), *metas, *date});
    }
    return profiles;
}

} // namespace lumivast
