#include "Core/Profiles/SpaceTemplate.h"

#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "Platform/Platform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace lumivast {

namespace {

using Slot = SpaceTemplate::Slot;

Slot slot(const char* name, const char* symbol, const char* color, std::optional<QString> note = std::nullopt,
          QStringList apps = {})
{
    return Slot{QString::fromUtf8(name), QString::fromUtf8(symbol), QString::fromUtf8(color), std::move(note),
                std::move(apps), {}};
}

std::optional<QStringList> stringList(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue& entry : value.toArray()) {
        if (!entry.isString())
            return std::nullopt;
        list.append(entry.toString());
    }
    return list;
}

// An optional text: absent or null is none, anything but text fails.
bool optionalText(const QJsonObject& o, const char* key, std::optional<QString>& out)
{
    const QJsonValue value = o.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

std::optional<Slot> decodeSlot(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    Slot s;
    const QJsonValue name = o.value(QStringLiteral("name"));
    const auto apps = stringList(o.value(QStringLiteral("apps")));
    const auto urls = stringList(o.value(QStringLiteral("urls")));
    if (!name.isString() || !apps || !urls)
        return std::nullopt;
    s.name = name.toString();
    s.apps = *apps;
    s.urls = *urls;
    if (!optionalText(o, "symbol", s.symbol) || !optionalText(o, "colorHex", s.colorHex) || !optionalText(o, "note", s.note))
        return std::nullopt;
    return s;
}

} // namespace

const std::vector<SpaceTemplate>& SpaceTemplate::builtIn()
{
    static const std::vector<SpaceTemplate> list{
        {QStringLiteral("Developer"),
         QStringLiteral("Code, browser, terminal, communication and docs."),
         {slot("Code", "chevron.left.forwardslash.chevron.right", "#9B6BF4", QStringLiteral("Editor and terminal"),
               {QStringLiteral("com.microsoft.VSCode"), QStringLiteral("com.apple.Terminal")}),
          slot("Browser", "safari", "#4F7BF7", QStringLiteral("Docs, PRs, localhost")),
          slot("Chat", "bubble.left.and.bubble.right", "#F45E8C", std::nullopt, {QStringLiteral("com.tinyspeck.slackmacgap")}),
          slot("Mail", "envelope", "#3FB9CF", std::nullopt, {QStringLiteral("com.apple.mail")}),
          slot("Music", "music.note", "#4FBF7A", std::nullopt, {QStringLiteral("com.spotify.client")})}},
        {QStringLiteral("Designer"),
         QStringLiteral("Design, references, review and communication."),
         {slot("Design", "paintbrush", "#F4A25E", std::nullopt, {QStringLiteral("com.figma.Desktop")}),
          slot("References", "photo.on.rectangle", "#9B6BF4"), slot("Review", "eye", "#4F7BF7"),
          slot("Chat", "bubble.left.and.bubble.right", "#F45E8C")}},
        {QStringLiteral("Freelancer"),
         QStringLiteral("One Space per client, plus admin and personal."),
         {slot("Client A", "briefcase", "#4F7BF7"), slot("Client B", "briefcase", "#4FBF7A"),
          slot("Client C", "briefcase", "#F4A25E"), slot("Admin", "doc.text", "#8E8E93", QStringLiteral("Invoices and email")),
          slot("Personal", "heart", "#F45E8C")}},
        {QStringLiteral("Student"),
         QStringLiteral("Classes, research, writing and downtime."),
         {slot("Class", "graduationcap", "#4F7BF7"), slot("Research", "book", "#9B6BF4"),
          slot("Writing", "doc.text", "#4FBF7A"), slot("Chill", "gamecontroller", "#F4A25E")}},
        {QStringLiteral("Streamer"),
         QStringLiteral("Stream, scenes, chat and tools."),
         {slot("Stream", "play.rectangle", "#EF5B5B", std::nullopt, {QStringLiteral("com.obsproject.obs-studio")}),
          slot("Game", "gamecontroller", "#9B6BF4"), slot("Chat", "bubble.left.and.bubble.right", "#F45E8C"),
          slot("Tools", "hammer", "#8E8E93")}},
    };
    return list;
}

QStringList SpaceTemplate::resolveApps(const QStringList& entries)
{
    Platform& platform = Platform::current();
    std::optional<QStringList> applications; // listed once, when first needed
    QStringList paths;
    for (const QString& entry : entries) {
        if (const auto url = platform.workspace().urlForApplication(entry)) {
            paths.append(url->toLocalFile());
            continue;
        }
        const QString path = QStringLiteral("/Applications/") + entry + QStringLiteral(".app");
        if (!applications)
            applications = platform.runningApplications().folderEntries(QStringLiteral("/Applications")).value_or(QStringList{});
        if (applications->contains(path))
            paths.append(path);
    }
    return paths;
}

SpaceTemplate::Result SpaceTemplate::apply(const SpaceSnapshot& snapshot, SpaceStore& store) const
{
    std::vector<Space> desktops;
    if (const DisplaySpaces* display = snapshot.menuBarDisplay()) {
        for (const Space& space : display->spaces) {
            if (!space.isFullscreen)
                desktops.push_back(space);
        }
    }
    const std::size_t pairs = std::min(slotList.size(), desktops.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        const Slot& s = slotList[i];
        const QString key = desktops[i].id;
        store.setName(s.name.trimmed(), key);
        store.setSymbol(s.symbol, key);
        store.setColor(s.colorHex, key);
        store.setNote(s.note ? std::optional<QString>(s.note->trimmed()) : std::nullopt, key);
        SpaceAutomation automation = store.meta(key).automation.value_or(SpaceAutomation{});
        automation.launchApps = resolveApps(s.apps);
        automation.openURLs = s.urls;
        automation.launchOnlyIfEmpty = true;
        store.setAutomation(automation, key);
    }
    return {int(pairs), slotList.size() > desktops.size() ? int(slotList.size() - desktops.size()) : 0};
}

std::vector<SpaceTemplate> SpaceTemplate::imported(const QString& templatesPath)
{
    const DataFile::ReadResult result = DataFile::read(templatesPath);
    if (result.status == DataFile::ReadStatus::Missing)
        return {};
    std::vector<SpaceTemplate> list;
    bool readable = result.status == DataFile::ReadStatus::Read;
    if (readable) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(result.bytes, &error);
        readable = error.error == QJsonParseError::NoError && doc.isArray();
        for (const QJsonValue& value : doc.array()) {
            const auto decoded = readable ? decode(value) : std::nullopt;
            if (!decoded) {
                readable = false;
                break;
            }
            list.push_back(*decoded);
        }
    }
    if (!readable) {
        DataFile::setAside(templatesPath);
        return {};
    }
    return list;
}

std::expected<SpaceTemplate, SpaceTemplate::ImportFailure> SpaceTemplate::importFile(const QString& path,
                                                                                      const QString& templatesPath)
{
    const DataFile::ReadResult result = DataFile::read(path);
    if (result.status != DataFile::ReadStatus::Read)
        return std::unexpected(ImportFailure::unreadable);
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(result.bytes, &error);
    const auto decoded = error.error == QJsonParseError::NoError && doc.isObject() ? decode(doc.object()) : std::nullopt;
    if (!decoded)
        return std::unexpected(ImportFailure::undecodable);

    std::vector<SpaceTemplate> list = imported(templatesPath);
    std::erase_if(list, [&](const SpaceTemplate& t) { return t.name == decoded->name; });
    list.push_back(*decoded);
    QJsonArray array;
    for (const SpaceTemplate& t : list)
        array.append(encode(t));
    DataFile::write(templatesPath, QJsonDocument(array).toJson(QJsonDocument::Compact));
    return *decoded;
}

QJsonObject SpaceTemplate::encode(const SpaceTemplate& value)
{
    QJsonArray slotList;
    for (const Slot& s : value.slotList) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), s.name);
        if (s.symbol)
            o.insert(QStringLiteral("symbol"), *s.symbol);
        if (s.colorHex)
            o.insert(QStringLiteral("colorHex"), *s.colorHex);
        if (s.note)
            o.insert(QStringLiteral("note"), *s.note);
        o.insert(QStringLiteral("apps"), QJsonArray::fromStringList(s.apps));
        o.insert(QStringLiteral("urls"), QJsonArray::fromStringList(s.urls));
        slotList.append(o);
    }
    return {{QStringLiteral("name"), value.name}, {QStringLiteral("summary"), value.summary}, {QStringLiteral("slots"), slotList}};
}

std::optional<SpaceTemplate> SpaceTemplate::decode(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const QJsonValue name = o.value(QStringLiteral("name"));
    const QJsonValue summary = o.value(QStringLiteral("summary"));
    const QJsonValue slotList = o.value(QStringLiteral("slots"));
    if (!name.isString() || !summary.isString() || !slotList.isArray())
        return std::nullopt;
    SpaceTemplate t{name.toString(), summary.toString(), {}};
    for (const QJsonValue& entry : slotList.toArray()) {
        const auto s = decodeSlot(entry);
        if (!s)
            return std::nullopt;
        t.slotList.push_back(*s);
    }
    return t;
}

} // namespace lumivast
