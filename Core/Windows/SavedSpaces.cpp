#include "Core/Windows/SavedSpaces.h"

#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Windows/AX.h"
#include "Core/Windows/BrowserTabs.h"
#include "Core/Windows/RecordCoding.h"
#include "Platform/DataFile.h"
#include "Platform/Log.h"
#include "Platform/Platform.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace lumivast {

namespace {

const QString kFileName = QStringLiteral("saved-spaces.json");

std::optional<SavedSpace> decodeRecord(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto idText = RecordCoding::string(o, "id");
    const auto name = RecordCoding::string(o, "name");
    const auto savedAt = RecordCoding::date(o.value(QStringLiteral("savedAt")));
    const auto apps = RecordCoding::strings(o.value(QStringLiteral("apps")));
    const auto urls = RecordCoding::strings(o.value(QStringLiteral("urls")));
    const QJsonValue frames = o.value(QStringLiteral("frames"));
    if (!idText || !name || !savedAt || !apps || !urls || !frames.isObject())
        return std::nullopt;
    const QUuid id = QUuid::fromString(*idText);
    // Only the plain 8-4-4-4-12 form, in either case.
    if (id.isNull() || idText->size() != 36)
        return std::nullopt;
    SavedSpace record{id, *name, *savedAt, *apps, *urls, {}};
    const QJsonObject byApp = frames.toObject();
    for (auto it = byApp.begin(); it != byApp.end(); ++it) {
        if (!it.value().isArray())
            return std::nullopt;
        std::vector<QRectF>& list = record.frames[it.key()];
        for (const QJsonValue& frame : it.value().toArray()) {
            const auto rect = RecordCoding::frame(frame);
            if (!rect)
                return std::nullopt;
            list.push_back(*rect);
        }
    }
    return record;
}

QJsonObject encodeRecord(const SavedSpace& record)
{
    QJsonObject frames;
    for (const auto& [bundleID, list] : record.frames) {
        QJsonArray array;
        for (const QRectF& frame : list)
            array.append(RecordCoding::frameJson(frame));
        frames.insert(bundleID, array);
    }
    return QJsonObject{
        {QStringLiteral("id"), record.idText()},
        {QStringLiteral("name"), record.name},
        {QStringLiteral("savedAt"), RecordCoding::dateText(record.savedAt)},
        {QStringLiteral("apps"), QJsonArray::fromStringList(record.apps)},
        {QStringLiteral("urls"), QJsonArray::fromStringList(record.urls)},
        {QStringLiteral("frames"), frames},
    };
}

bool acceptRecords(const QJsonDocument& doc)
{
    return SavedSpaces::decode(doc.toJson(QJsonDocument::Compact)).has_value();
}

void close(const SpaceContents::WindowInfo& window)
{
    AXElements& ax = Platform::current().accessibilityElements();
    // AX::element sets the 0.3 s messaging timeout on the application first.
    const auto element = AX::element(window.id, window.pid);
    if (!element)
        return;
    const auto button = ax.copyAttributeValue(*element, QStringLiteral("AXCloseButton"));
    const auto* press = button ? std::get_if<AXElementValue>(&*button) : nullptr;
    if (press && press->element)
        (void)ax.performAction(press->element, QStringLiteral("AXPress")); // not waited for
}

} // namespace

QString SavedSpace::idText() const
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QString SavedSpaces::description(Failure failure)
{
    switch (failure) {
    case Failure::nothingToSave:
        return QCoreApplication::translate("SavedSpaces", "This Space has no windows to save");
    case Failure::notWritten:
        return QCoreApplication::translate("SavedSpaces", "Could not save this Space, so its windows were left open");
    }
    return {};
}

SavedSpaces::SavedSpaces(const SpaceStore& store, const SpaceContents& contents, Scheduler& scheduler)
    : m_store(store), m_contents(contents), m_scheduler(scheduler)
{
}

QString SavedSpaces::filePath()
{
    return AppPaths::file(kFileName);
}

QByteArray SavedSpaces::encode(const std::vector<SavedSpace>& records)
{
    QJsonArray list;
    for (const SavedSpace& record : records)
        list.append(encodeRecord(record));
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

std::optional<std::vector<SavedSpace>> SavedSpaces::decode(const QByteArray& data)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    std::vector<SavedSpace> records;
    for (const QJsonValue& value : doc.array()) {
        auto record = decodeRecord(value);
        if (!record)
            return std::nullopt;
        records.push_back(std::move(*record));
    }
    return records;
}

std::vector<SavedSpace> SavedSpaces::records()
{
    const auto doc = DataFile::readJson(filePath(), &acceptRecords);
    if (!doc)
        return {};
    return decode(doc->toJson(QJsonDocument::Compact)).value_or(std::vector<SavedSpace>{});
}

bool SavedSpaces::write(const std::vector<SavedSpace>& records)
{
    return DataFile::write(filePath(), encode(records));
}

std::expected<SavedSpace, SavedSpaces::Failure> SavedSpaces::saveAndClose(const Space& space)
{
    const std::vector<SpaceContents::WindowInfo> windows = m_contents.windows(space.managedID);
    if (windows.empty())
        return std::unexpected(Failure::nothingToSave);

    SavedSpace record{QUuid::createUuid(), m_store.displayName(space), m_scheduler.wallNow(), {}, {}, {}};
    for (const SpaceContents::WindowInfo& window : windows) {
        if (!window.bundleID)
            continue;
        if (!record.apps.contains(*window.bundleID))
            record.apps << *window.bundleID;
        record.frames[*window.bundleID].push_back(window.frame);
    }
    record.urls = BrowserTabs::urls(record.apps);

    // Older records the file holds are kept; an undecodable file is set aside
    // rather than overwritten, and one that cannot be moved stops the save.
    std::vector<SavedSpace> list;
    const QString path = filePath();
    const DataFile::ReadResult existing = DataFile::read(path);
    if (existing.status != DataFile::ReadStatus::Missing) {
        auto decoded = existing.status == DataFile::ReadStatus::Read ? decode(existing.bytes) : std::nullopt;
        if (decoded)
            list = std::move(*decoded);
        else if (DataFile::setAside(path).isEmpty())
            return std::unexpected(Failure::notWritten);
    }
    list.insert(list.begin(), record);
    if (list.size() > std::size_t(kLimit))
        list.resize(kLimit);
    // The windows are closed only once the record is safely on disk.
    if (!write(list)) {
        qCWarning(lcWindowMover) << "saved Space not written; its windows stay open";
        return std::unexpected(Failure::notWritten);
    }
    for (const SpaceContents::WindowInfo& window : windows)
        close(window);
    return record;
}

void SavedSpaces::restore(const SavedSpace& saved)
{
    Workspace& workspace = Platform::current().workspace();
    for (const QString& bundleID : saved.apps) {
        // Opening the addresses starts the browser.
        if (BrowserTabs::isSupported(bundleID) && !saved.urls.isEmpty())
            continue;
        if (const auto location = workspace.urlForApplication(bundleID))
            workspace.openApplication(*location, {});
    }
    for (const QString& text : saved.urls) {
        const QUrl url(text, QUrl::StrictMode);
        if (text.isEmpty() || !url.isValid() || url.isRelative())
            continue;
        (void)workspace.openURL(url);
    }
}

} // namespace lumivast
