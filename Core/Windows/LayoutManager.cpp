#include "Core/Windows/LayoutManager.h"

#include "Platform/StableHash.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Windows/AX.h"
#include "Core/Windows/RecordCoding.h"
#include "Core/Windows/WindowMover.h"
#include "Platform/DataFile.h"
#include "Platform/Log.h"
#include "Platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <memory>

namespace lumivast {

namespace {

// Counts the moves of one restore or eject and reports once all have ended,
// always through the scheduler.
struct MoveGroup {
    MoveGroup(Scheduler& s, LayoutManager::CountCompletion c) : scheduler(s), completion(std::move(c)) {}

    void enter() { ++outstanding; }
    void leave(bool moved)
    {
        if (moved)
            ++count;
        --outstanding;
        finishIfDone();
    }
    // No more moves will start.
    void seal()
    {
        sealed = true;
        finishIfDone();
    }

    Scheduler& scheduler;
    LayoutManager::CountCompletion completion;
    int count = 0;
    int outstanding = 0;
    bool sealed = false;
    bool finished = false;

private:
    void finishIfDone()
    {
        if (!sealed || outstanding > 0 || finished)
            return;
        finished = true;
        scheduler.post([completion = completion, count = count] {
            if (completion)
                completion(count);
        });
    }
};

void startMove(WindowMover& mover, const std::shared_ptr<MoveGroup>& group, const SpaceContents::WindowInfo& window,
               const Space& target, const SpaceSnapshot& snapshot)
{
    group->enter();
    mover.move(WindowMover::FrontWindow{window.id, window.pid, window.frame}, target, snapshot, false, false,
               [group](WindowMover::Result result) { group->leave(result.has_value()); });
}

// Where each user-perceived character ends, in order.
std::vector<qsizetype> graphemeEnds(const QString& text)
{
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.toStart();
    while (finder.toNextBoundary() != -1)
        ends.push_back(finder.position());
    return ends;
}

bool acceptLayout(const QJsonDocument& doc)
{
    return WindowLayout::decode(doc.toJson(QJsonDocument::Compact)).has_value();
}

// A file about to be replaced that holds something we cannot read is kept
// aside first. False when it is there, unreadable, and could not be moved.
bool clearForWriting(const QString& path)
{
    const DataFile::ReadResult existing = DataFile::read(path);
    if (existing.status == DataFile::ReadStatus::Missing)
        return true;
    if (existing.status == DataFile::ReadStatus::Read && WindowLayout::decode(existing.bytes))
        return true;
    return !DataFile::setAside(path).isEmpty();
}

std::vector<Space> usableSpaces(const DisplaySpaces& display)
{
    std::vector<Space> spaces;
    std::copy_if(display.spaces.begin(), display.spaces.end(), std::back_inserter(spaces),
                 [](const Space& s) { return !s.isFullscreen; });
    return spaces;
}

bool isBuiltin(const DisplaySpaces& display)
{
    const auto number = DisplayGeometry::directDisplayID(display.id);
    return number && Platform::current().screens().displayIsBuiltin(*number);
}

} // namespace

// ---- WindowLayout ----

QByteArray WindowLayout::encoded() const
{
    QJsonArray list;
    for (const Entry& entry : entries) {
        list.append(QJsonObject{
            {QStringLiteral("bundleID"), entry.bundleID},
            {QStringLiteral("title"), entry.title},
            {QStringLiteral("frame"), RecordCoding::frameJson(entry.frame)},
            {QStringLiteral("spaceUUID"), entry.spaceUUID},
            {QStringLiteral("displayID"), entry.displayID},
        });
    }
    const QJsonObject root{
        {QStringLiteral("name"), name},
        {QStringLiteral("savedAt"), RecordCoding::dateText(savedAt)},
        {QStringLiteral("displaySetup"), displaySetup},
        {QStringLiteral("entries"), list},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<WindowLayout> WindowLayout::decode(const QByteArray& data)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject root = doc.object();
    const auto name = RecordCoding::string(root, "name");
    const auto savedAt = RecordCoding::date(root.value(QStringLiteral("savedAt")));
    const auto setup = RecordCoding::string(root, "displaySetup");
    const QJsonValue list = root.value(QStringLiteral("entries"));
    if (!name || !savedAt || !setup || !list.isArray())
        return std::nullopt;
    WindowLayout layout{*name, *savedAt, *setup, {}};
    for (const QJsonValue& value : list.toArray()) {
        if (!value.isObject())
            return std::nullopt;
        const QJsonObject o = value.toObject();
        const auto bundleID = RecordCoding::string(o, "bundleID");
        const auto title = RecordCoding::string(o, "title");
        const auto frame = RecordCoding::frame(o.value(QStringLiteral("frame")));
        const auto spaceUUID = RecordCoding::string(o, "spaceUUID");
        const auto displayID = RecordCoding::string(o, "displayID");
        if (!bundleID || !title || !frame || !spaceUUID || !displayID)
            return std::nullopt;
        layout.entries.push_back({*bundleID, *title, *frame, *spaceUUID, *displayID});
    }
    return layout;
}

// ---- LayoutManager ----

LayoutManager::LayoutManager(WindowMover& mover, const SpaceContents& contents, Scheduler& scheduler)
    : m_mover(mover), m_contents(contents), m_scheduler(scheduler)
{
}

LayoutManager::~LayoutManager() = default;

QString LayoutManager::displaySetup(const SpaceSnapshot& snapshot)
{
    QStringList ids;
    for (const DisplaySpaces& display : snapshot.displays)
        ids << display.id;
    // Plain code-unit order, whatever the locale.
    std::sort(ids.begin(), ids.end(), [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseSensitive) < 0; });
    return ids.join(QLatin1Char('+'));
}

QString LayoutManager::folder()
{
    const QString path = AppPaths::supportDirectory() + QStringLiteral("/Layouts");
    DataFile::makeFolder(path); // a failure shows up when writing
    return path;
}

QString LayoutManager::fileKey(const QString& name, const QString& setup)
{
    QString key = name + QStringLiteral("--") + setup;
    key.replace(QLatin1Char('/'), QLatin1Char('-'));
    const std::vector<qsizetype> ends = graphemeEnds(key);
    if (qsizetype(ends.size()) <= kLongestFileKey)
        return key;
    return key.left(ends[kShortenedKeyPrefix - 1]) + QString::number(qint64(stableHash(key)));
}

QString LayoutManager::filePath(const QString& name, const QString& setup)
{
    return folder() + QLatin1Char('/') + fileKey(name, setup) + QStringLiteral(".json");
}

WindowLayout LayoutManager::capture(const QString& name, const SpaceSnapshot& snapshot) const
{
    WindowLayout layout{name, m_scheduler.wallNow(), displaySetup(snapshot), {}};
    const std::vector<Space> spaces = snapshot.allSpaces();
    for (const SpaceContents::WindowInfo& window : m_contents.windows()) {
        if (!window.bundleID)
            continue;
        const auto space = std::find_if(spaces.begin(), spaces.end(), [&](const Space& s) { return s.managedID == window.spaceID; });
        if (space == spaces.end() || space->isFullscreen)
            continue;
        layout.entries.push_back({*window.bundleID, window.title, window.frame, space->id, space->displayID});
    }
    return layout;
}

WindowLayout LayoutManager::save(const QString& name, const SpaceSnapshot& snapshot)
{
    const WindowLayout layout = capture(name, snapshot);
    if (layout.entries.empty())
        return layout;
    const QByteArray data = layout.encoded();
    QStringList paths{filePath(name, layout.displaySetup)};
    if (name == kAuto)
        paths << filePath(kAutoSetup, layout.displaySetup);
    for (const QString& path : paths) {
        if (!clearForWriting(path)) {
            qCWarning(lcWindowMover) << "layout not saved: cannot move the unreadable" << path << "aside";
            continue;
        }
        (void)DataFile::write(path, data); // logged there; the caller reports the capture either way
    }
    return layout;
}

std::optional<WindowLayout> LayoutManager::load(const QString& name, const QString& setup) const
{
    const auto doc = DataFile::readJson(filePath(name, setup), &acceptLayout);
    if (!doc)
        return std::nullopt;
    return WindowLayout::decode(doc->toJson(QJsonDocument::Compact));
}

void LayoutManager::restore(const WindowLayout& layout, const SpaceSnapshot& snapshot, CountCompletion completion)
{
    auto group = std::make_shared<MoveGroup>(m_scheduler, std::move(completion));
    std::vector<WindowLayout::Entry> remaining = layout.entries;
    for (const SpaceContents::WindowInfo& window : m_contents.windows()) {
        if (!window.bundleID || remaining.empty())
            continue;
        auto match = remaining.end();
        if (!window.title.isEmpty()) {
            match = std::find_if(remaining.begin(), remaining.end(), [&](const WindowLayout::Entry& e) {
                return e.bundleID == *window.bundleID && e.title == window.title;
            });
        }
        if (match == remaining.end())
            match = std::find_if(remaining.begin(), remaining.end(), [&](const WindowLayout::Entry& e) { return e.bundleID == *window.bundleID; });
        if (match == remaining.end())
            continue;
        const WindowLayout::Entry entry = *match;
        remaining.erase(match);

        const Space* target = snapshot.space(entry.spaceUUID);
        if (!target)
            continue;
        if (window.spaceID != target->managedID)
            startMove(m_mover, group, window, *target, snapshot);
        if (const auto element = AX::element(window.id, window.pid); element && !RecordCoding::sameFrame(window.frame, entry.frame))
            AX::setFrame(*element, entry.frame);
    }
    group->seal();
}

void LayoutManager::startAutoSave(std::function<SpaceSnapshot()> snapshot)
{
    m_timer.cancel();
    // The item is owned here, so the tick never outlives this manager.
    m_timer = m_scheduler.every(
        kAutoSaveInterval,
        [this, snapshot = std::move(snapshot)] {
            if (!Settings::defaults().boolValue(Settings::Key::autoSaveLayout) || !snapshot)
                return;
            save(kAuto, snapshot());
        },
        kAutoSaveTolerance);
}

void LayoutManager::ejectExternalDisplays(const SpaceSnapshot& snapshot, CountCompletion completion)
{
    save(kAuto, snapshot);

    const auto builtin = std::find_if(snapshot.displays.begin(), snapshot.displays.end(), &isBuiltin);
    const DisplaySpaces* target = builtin != snapshot.displays.end() ? &*builtin : snapshot.menuBarDisplay();
    if (!target) {
        if (completion)
            completion(0);
        return;
    }
    const std::vector<Space> destinations = usableSpaces(*target);
    if (destinations.empty()) {
        if (completion)
            completion(0);
        return;
    }

    auto group = std::make_shared<MoveGroup>(m_scheduler, std::move(completion));
    for (const DisplaySpaces& display : snapshot.displays) {
        if (display.id == target->id)
            continue;
        const std::vector<Space> spaces = usableSpaces(display);
        for (std::size_t i = 0; i < spaces.size(); ++i) {
            const Space& destination = destinations[std::min(i, destinations.size() - 1)];
            for (const SpaceContents::WindowInfo& window : m_contents.windows(spaces[i].managedID))
                startMove(m_mover, group, window, destination, snapshot);
        }
    }
    group->seal();
}

} // namespace lumivast
