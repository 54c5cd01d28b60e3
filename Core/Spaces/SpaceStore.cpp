#include "Core/Spaces/SpaceStore.h"

#include "Platform/Platform.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/DataFile.h"
#include "Platform/Log.h"

#include <algorithm>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QPainter>
#include <QRegularExpression>
#include <QUuid>

namespace lumivast {

namespace {

// An empty value clears the field for names, notes and categories.
std::optional<QString> nonEmpty(const std::optional<QString>& value)
{
    return value && !value->isEmpty() ? value : std::nullopt;
}

// A name is one line wherever it is shown or handed on (the bus lists names one per line).
std::optional<QString> oneLine(std::optional<QString> name)
{
    if (!name)
        return name;
    static const QRegularExpression breaks(QStringLiteral("\\r\\n|[\\n\\r\\v\\f\\x{85}\\x{2028}\\x{2029}]"));
    if (name->contains(breaks))
        name->replace(breaks, QStringLiteral(" "));
    return name;
}

void namesOnOneLine(SpaceMetaMap& metas)
{
    for (auto& [key, meta] : metas)
        meta.name = oneLine(meta.name);
}

} // namespace

const QStringList& SpaceStore::symbolChoices()
{
    static const QStringList list{
        QStringLiteral("rectangle.on.rectangle"), QStringLiteral("desktopcomputer"), QStringLiteral("terminal"),
        QStringLiteral("chevron.left.forwardslash.chevron.right"), QStringLiteral("safari"), QStringLiteral("envelope"),
        QStringLiteral("bubble.left.and.bubble.right"), QStringLiteral("calendar"), QStringLiteral("doc.text"),
        QStringLiteral("folder"), QStringLiteral("paintbrush"), QStringLiteral("camera"),
        QStringLiteral("music.note"), QStringLiteral("play.rectangle"), QStringLiteral("gamecontroller"),
        QStringLiteral("chart.bar"), QStringLiteral("book"), QStringLiteral("graduationcap"),
        QStringLiteral("cart"), QStringLiteral("hammer"), QStringLiteral("globe"),
        QStringLiteral("star"), QStringLiteral("heart"), QStringLiteral("bolt"),
    };
    return list;
}

const std::vector<SpaceStore::ColorChoice>& SpaceStore::colorChoices()
{
    static const std::vector<ColorChoice> list{
        {QStringLiteral("Blue"), QStringLiteral("#4F7BF7")},   {QStringLiteral("Purple"), QStringLiteral("#9B6BF4")},
        {QStringLiteral("Pink"), QStringLiteral("#F45E8C")},   {QStringLiteral("Red"), QStringLiteral("#EF5B5B")},
        {QStringLiteral("Orange"), QStringLiteral("#F4A25E")}, {QStringLiteral("Yellow"), QStringLiteral("#E5C84B")},
        {QStringLiteral("Green"), QStringLiteral("#4FBF7A")},  {QStringLiteral("Teal"), QStringLiteral("#3FB9CF")},
        {QStringLiteral("Gray"), QStringLiteral("#8E8E93")},
    };
    return list;
}

const QStringList& SpaceStore::namePresets()
{
    static const QStringList list{
        QStringLiteral("Mail"),     QStringLiteral("Code"),     QStringLiteral("Browser"), QStringLiteral("Chat"),
        QStringLiteral("Meetings"), QStringLiteral("Design"),   QStringLiteral("Docs"),    QStringLiteral("Music"),
        QStringLiteral("Research"), QStringLiteral("Personal"), QStringLiteral("Work"),    QStringLiteral("Admin"),
        QStringLiteral("Writing"),  QStringLiteral("Social"),   QStringLiteral("Finance"), QStringLiteral("Games"),
    };
    return list;
}

SpaceStore::SpaceStore(Scheduler& scheduler, QString filePath, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_filePath(std::move(filePath))
{
    runningAppProvider = [](std::int32_t pid) { return Platform::current().runningApplications().runningApplication(pid); };
    load();
}

SpaceStore::~SpaceStore()
{
    flushPendingSave();
}

void SpaceStore::flushPendingSave()
{
    if (m_saveWork.isPending()) {
        m_saveWork.cancel();
        save();
    }
    if (m_recentNamesSave.isPending()) {
        m_recentNamesSave.cancel();
        Settings::defaults().saveUnsaved();
    }
}

void SpaceStore::load()
{
    const DataFile::ReadResult file = DataFile::read(m_filePath);
    if (file.status == DataFile::ReadStatus::Missing)
        return;
    std::optional<SpaceMetaMap> decoded;
    if (file.status == DataFile::ReadStatus::Read)
        decoded = SpaceMetaCoding::fromFileBytes(file.bytes);
    if (!decoded) {
        // Counts as empty; kept aside so the next save does not destroy it.
        DataFile::setAside(m_filePath);
        return;
    }
    m_metas = std::move(*decoded);
    namesOnOneLine(m_metas);
}

bool SpaceStore::save()
{
    // A failed write keeps everything in memory; the next change tries again.
    const auto written = DataFile::writeReportingError(m_filePath, SpaceMetaCoding::toFileBytes(m_metas));
    if (!written && onSaveFailed)
        onSaveFailed(written.error());
    return written.has_value();
}

bool SpaceStore::saveNow()
{
    m_saveWork.cancel();
    if (save())
        return true;
    scheduleSave();
    return false;
}

void SpaceStore::scheduleSave()
{
    // Trailing, but never postponed past saveMaxWait after the first unsaved change.
    const Duration now = m_scheduler.now();
    if (!m_saveWork.isPending())
        m_saveDueSince = now;
    const Duration delay = std::clamp(saveMaxWait - (now - m_saveDueSince), Duration(0), saveDelay);
    // Reassigning cancels the pending save; the item dies with the store.
    m_saveWork = m_scheduler.after(delay, [this] { save(); });
}

SpaceMeta SpaceStore::meta(const QString& key) const
{
    const auto it = m_metas.find(key);
    return it == m_metas.end() ? SpaceMeta{} : it->second;
}

void SpaceStore::update(const QString& key, const std::function<void(SpaceMeta&)>& mutate)
{
    SpaceMeta meta = this->meta(key);
    mutate(meta);
    if (meta.isEmpty())
        m_metas.erase(key);
    else
        m_metas.insert_or_assign(key, meta);
    emit changed();

    // An edit of a full-screen Space is remembered for its application.
    if (const auto fs = m_fullscreenKeyByID.find(key); fs != m_fullscreenKeyByID.end()) {
        if (const auto it = m_metas.find(key); it != m_metas.end())
            m_metas.insert_or_assign(fs->second, it->second);
        else
            m_metas.erase(fs->second);
        emit changed();
    }
    scheduleSave();
}

QString SpaceStore::displayName(const Space& space) const
{
    if (const DemoMode::Sample* sample = DemoMode::sample(space))
        return sample->name;
    if (const auto it = m_metas.find(space.id); it != m_metas.end() && it->second.name)
        return *it->second.name;
    if (!space.isFullscreen) {
        if (autoNameProvider && Settings::defaults().boolValue(Settings::Key::autoNameSpaces)) {
            if (const std::optional<QString> name = autoNameProvider(space); name && !name->isEmpty())
                return *name;
        }
        if (space.desktopNumber)
            return tr("Desktop %1").arg(*space.desktopNumber);
        return tr("Desktop");
    }
    if (space.fullscreenPID && runningAppProvider) {
        if (const std::optional<RunningApplication> app = runningAppProvider(*space.fullscreenPID);
            app && app->localizedName && !app->localizedName->isEmpty())
            return *app->localizedName;
    }
    return tr("Full Screen");
}

QString SpaceStore::symbol(const Space& space) const
{
    if (const DemoMode::Sample* sample = DemoMode::sample(space))
        return sample->symbol;
    if (const auto it = m_metas.find(space.id); it != m_metas.end() && it->second.symbol)
        return *it->second.symbol;
    return space.isFullscreen ? QStringLiteral("macwindow") : symbolChoices().front();
}

bool SpaceStore::hasCustomName(const Space& space) const
{
    if (DemoMode::sample(space))
        return true;
    const auto it = m_metas.find(space.id);
    return it != m_metas.end() && it->second.name.has_value();
}

std::map<std::uint64_t, QString> SpaceStore::desktopNamesByManagedNumber(const SpaceSnapshot& snapshot) const
{
    std::map<std::uint64_t, QString> names;
    for (const Space& space : snapshot.allSpaces()) {
        const std::optional<QString> name = meta(space.id).name;
        if (!space.isFullscreen && name && !name->isEmpty())
            names[space.managedID] = *name;
    }
    return names;
}

void SpaceStore::setName(const std::optional<QString>& name, const QString& key)
{
    const std::optional<QString> given = nonEmpty(oneLine(name));
    update(key, [&](SpaceMeta& m) { m.name = given; });
    // Every road by which a user names a Space comes here, so every name given is offered again.
    if (given)
        remember(*given);
}

void SpaceStore::setSymbol(const std::optional<QString>& symbol, const QString& key)
{
    update(key, [&](SpaceMeta& m) { m.symbol = symbol; });
}

void SpaceStore::setColor(const std::optional<QString>& hex, const QString& key)
{
    update(key, [&](SpaceMeta& m) { m.colorHex = hex; });
}

void SpaceStore::setNote(const std::optional<QString>& note, const QString& key)
{
    update(key, [&](SpaceMeta& m) { m.note = nonEmpty(note); });
}

void SpaceStore::setGroup(const std::optional<QString>& group, const QString& key)
{
    update(key, [&](SpaceMeta& m) { m.group = nonEmpty(group); });
}

void SpaceStore::setAutomation(const std::optional<SpaceAutomation>& automation, const QString& key)
{
    update(key, [&](SpaceMeta& m) {
        if (automation && *automation != SpaceAutomation{})
            m.automation = automation;
        else
            m.automation.reset();
    });
}

void SpaceStore::replaceAll(SpaceMetaMap metas)
{
    m_metas = std::move(metas);
    namesOnOneLine(m_metas);
    m_iconCache.clear(); // the new records may name other icon files
    emit changed();
    scheduleSave();
}

QString SpaceStore::iconPath(const QString& fileName) const
{
    return AppPaths::iconsDirectory() + QLatin1Char('/') + fileName;
}

void SpaceStore::setCustomIcon(const std::optional<QString>& imagePath, const QString& key)
{
    // Only bare names inside Icons/ are ever touched, whatever the record says,
    // and never a file that a saved profile still shows.
    if (const SpaceMeta old = meta(key); old.iconFile && isSafeIconFileName(*old.iconFile)
        && !(iconFileKept && iconFileKept(*old.iconFile)))
        QFile::remove(iconPath(*old.iconFile));

    const auto clearIcon = [&] { update(key, [](SpaceMeta& m) { m.iconFile.reset(); }); };
    // A name of its own for every new icon, so no other record's file is ever overwritten.
    QString fileName;
    do {
        fileName = key + QLatin1Char('-') + QUuid::createUuid().toString(QUuid::Id128).left(8) + QStringLiteral(".png");
    } while (isSafeIconFileName(fileName) && QFile::exists(iconPath(fileName)));
    if (!imagePath || !isSafeIconFileName(fileName)) {
        clearIcon();
        return;
    }

    QImageReader reader(*imagePath);
    reader.setAutoTransform(true);
    const QImage source = reader.read();
    if (source.isNull()) {
        clearIcon();
        return;
    }

    // Stretched to the square, not letterboxed; "copy" keeps the source's alpha.
    QImage icon(iconSize, iconSize, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    {
        QPainter painter(&icon);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRectF(0, 0, iconSize, iconSize), source);
    }
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !icon.save(&buffer, "PNG") || png.isEmpty()) {
        clearIcon();
        return;
    }

    // Recorded even when the write fails: loading then finds nothing and the
    // views fall back to the symbol.
    if (!DataFile::write(iconPath(fileName), png))
        qCWarning(lcFiles) << "cannot write custom icon for" << key;
    update(key, [&](SpaceMeta& m) { m.iconFile = fileName; });
    m_iconCache.erase(key);
}

std::optional<QImage> SpaceStore::customIcon(const Space& space) const
{
    const auto it = m_metas.find(space.id);
    if (it == m_metas.end() || !it->second.iconFile || !isSafeIconFileName(*it->second.iconFile))
        return std::nullopt;
    if (const auto cached = m_iconCache.find(space.id); cached != m_iconCache.end())
        return cached->second;
    QImage image(iconPath(*it->second.iconFile));
    if (image.isNull()) {
        m_iconCache.erase(space.id);
        return std::nullopt;
    }
    m_iconCache.insert_or_assign(space.id, image);
    return image;
}

void SpaceStore::remember(const QString& given)
{
    const QString name = oneLine(given).value_or(QString());
    if (name.isEmpty())
        return;
    UserDefaults& defaults = Settings::defaults();
    QStringList recent = defaults.stringList(Settings::Key::recentSpaceNames).value_or(QStringList{});
    recent.removeIf([&](const QString& entry) { return entry.compare(name, Qt::CaseInsensitive) == 0; });
    recent.prepend(name);
    if (recent.size() > recentNamesLimit)
        recent.resize(recentNamesLimit);
    // Written after the store's debounce, with any other change: renames come in bursts.
    defaults.setUnsaved(Settings::Key::recentSpaceNames, QJsonArray::fromStringList(recent));
    m_recentNamesSave = m_scheduler.after(saveDelay, [] { Settings::defaults().saveUnsaved(); });
}

void SpaceStore::prune(const QSet<QString>& keeping)
{
    if (keeping.isEmpty())
        return;
    dropAllBut(keeping);
}

void SpaceStore::pruneAgainst(const SpaceSnapshot& snapshot)
{
    QSet<QString> keeping;
    for (const auto& [key, meta] : m_metas) {
        if (!m_pruneScope.mayPrune(key, snapshot))
            keeping.insert(key);
    }
    m_pruneScope.remember(snapshot);
    dropAllBut(keeping);
}

void SpaceStore::dropAllBut(const QSet<QString>& keeping)
{
    QStringList gone;
    for (const auto& [key, meta] : m_metas) {
        if (!keeping.contains(key) && !key.startsWith(managedKeyPrefix) && !key.startsWith(fullscreenKeyPrefix))
            gone.append(key);
    }
    if (gone.isEmpty())
        return;
    for (const QString& key : gone) {
        m_metas.erase(key);
        emit changed();
    }
    scheduleSave();
}

std::optional<QString> SpaceStore::bundleIDOf(const Space& space) const
{
    if (!space.isFullscreen || !space.fullscreenPID || !runningAppProvider)
        return std::nullopt;
    const std::optional<RunningApplication> app = runningAppProvider(*space.fullscreenPID);
    if (!app || !app->bundleID || app->bundleID->isEmpty())
        return std::nullopt;
    return app->bundleID;
}

void SpaceStore::noteFullscreenKeys(const std::vector<Space>& spaces)
{
    std::map<QString, QString> keys;
    for (const Space& space : spaces) {
        if (const std::optional<QString> bundleID = bundleIDOf(space))
            keys.insert_or_assign(space.id, fullscreenKeyPrefix + *bundleID);
    }
    m_fullscreenKeyByID = std::move(keys);
}

void SpaceStore::adoptFullscreenMemory(const std::vector<Space>& spaces)
{
    // No save of its own: a copy reaches the file with the next change.
    for (const Space& space : spaces) {
        if (!space.isFullscreen || m_metas.contains(space.id))
            continue;
        const std::optional<QString> bundleID = bundleIDOf(space);
        if (!bundleID)
            continue;
        if (const auto it = m_metas.find(fullscreenKeyPrefix + *bundleID); it != m_metas.end()) {
            const SpaceMeta copy = it->second;
            m_metas.insert_or_assign(space.id, copy);
            emit changed();
        }
    }
}

} // namespace lumivast
