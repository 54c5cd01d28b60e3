// World files: the JSON form of a simulated world (docs/world-format.md).
#include "Platform/Sim/SimWorld.h"
#include "Platform/Sim/SimMouse.h"

#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimEvents.h"
#include "Platform/Sim/SimHotKeys.h"
#include "Platform/SymbolicHotKeys.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace lumivast {

namespace {

// One display with four desktops and a few apps and windows.
constexpr const char* kDefaultWorld = R"({
  "displays": [ { "uuid": "37D8832A-2D66-02CA-B9F7-8F30A301B230", "name": "Built-in Display", "main": true, "builtin": true,
                  "frame": {"x": 0, "y": 0, "w": 1512, "h": 982}, "notch": {"width": 180}, "current": 1,
                  "spaces": [ {"managedID": 1, "uuid": "0A4E2F1C-5B7D-4C1E-9F3A-1D2C3B4A5E61"},
                              {"managedID": 3, "uuid": "6F1B8E2D-3C4A-4B5E-8D7F-2E3F4A5B6C72"},
                              {"managedID": 4, "uuid": "9C2D7E3F-4A5B-4C6D-9E8F-3F4A5B6C7D83"},
                              {"managedID": 5, "uuid": "B3E4F5A6-5B6C-4D7E-AF90-4A5B6C7D8E94"} ] } ],
  "apps": [ {"pid": 401, "bundleID": "org.lumivast.sim.browser", "name": "Browser"},
            {"pid": 402, "bundleID": "org.lumivast.sim.editor", "name": "Editor"},
            {"pid": 403, "bundleID": "org.lumivast.sim.terminal", "name": "Terminal"} ],
  "windows": [ {"id": 1001, "pid": 401, "title": "Start Page", "frame": {"x": 40, "y": 60, "w": 900, "h": 700}, "spaces": [1]},
               {"id": 1002, "pid": 402, "title": "notes.txt", "frame": {"x": 200, "y": 120, "w": 800, "h": 600}, "spaces": [3]},
               {"id": 1003, "pid": 403, "title": "Terminal", "frame": {"x": 300, "y": 200, "w": 700, "h": 450}, "spaces": [3]},
               {"id": 1004, "pid": 401, "title": "Documentation", "frame": {"x": 80, "y": 80, "w": 1000, "h": 760}, "spaces": [4]} ],
  "installed": [ {"path": "/Applications/Browser.app", "bundleID": "org.lumivast.sim.browser"},
                 {"path": "/Applications/Editor.app", "bundleID": "org.lumivast.sim.editor"},
                 {"path": "/Applications/Paint.app", "bundleID": "org.lumivast.sim.paint"},
                 {"path": "/System/Applications/Calendar.app", "bundleID": "org.lumivast.sim.calendar"},
                 {"path": "/System/Applications/Utilities/Terminal.app", "bundleID": "org.lumivast.sim.terminal"} ]
})";

QRectF rect(const QJsonValue& value, const QRectF& fallback)
{
    if (!value.isObject())
        return fallback;
    const QJsonObject o = value.toObject();
    return QRectF(o.value("x").toDouble(fallback.x()), o.value("y").toDouble(fallback.y()),
                  o.value("w").toDouble(fallback.width()), o.value("h").toDouble(fallback.height()));
}

QString derivedUuid(const QString& seed)
{
    static const QUuid ns = QUuid::fromString(QStringLiteral("{6b1f3c8e-2a47-4d5e-9b0c-7e1d2f3a4b5c}"));
    return QUuid::createUuidV5(ns, seed).toString(QUuid::WithoutBraces).toUpper();
}

bool fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

// A desktop picture: an image file's path, absolute or relative to the world file.
bool readPicture(const QJsonObject& o, std::optional<QString>& path, QString* error)
{
    const QJsonValue value = o.value("wallpaper");
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString() || value.toString().isEmpty())
        return fail(error, QStringLiteral("a wallpaper must be the path of an image file"));
    path = value.toString();
    return true;
}

bool readSpaces(const QJsonArray& array, SimWorld::Display& display, std::uint64_t& nextManaged,
                std::map<std::uint64_t, QString>& wallpapers, QString* error)
{
    for (const QJsonValue& value : array) {
        if (!value.isObject())
            return fail(error, QStringLiteral("a Space must be an object"));
        const QJsonObject o = value.toObject();
        SimWorld::SimSpace space;
        const double managed = o.value("managedID").toDouble(double(nextManaged));
        // Compared before converting: a double of 2^64 or more has no 64-bit value.
        if (!(managed >= 1 && managed < 0x1p64) || managed != double(std::uint64_t(managed)))
            return fail(error, QStringLiteral("managedID must be a whole number of at least 1"));
        space.managedID = std::uint64_t(managed);
        nextManaged = std::max(nextManaged, space.managedID + 1);
        if (!o.contains("uuid"))
            space.uuid = derivedUuid(QStringLiteral("space-%1").arg(space.managedID));
        else if (o.value("uuid").isString())
            space.uuid = o.value("uuid").toString();
        const QString type = o.value("type").toString(QStringLiteral("desktop"));
        if (type != QLatin1String("desktop") && type != QLatin1String("fullscreen"))
            return fail(error, QStringLiteral("unknown Space type \"%1\"").arg(type));
        space.fullscreen = type == QLatin1String("fullscreen");
        if (o.value("pid").isDouble())
            space.pid = std::int32_t(o.value("pid").toInt());
        std::optional<QString> wallpaper;
        if (!readPicture(o, wallpaper, error))
            return false;
        if (wallpaper)
            wallpapers[space.managedID] = *wallpaper;
        display.spaces.push_back(std::move(space));
    }
    return true;
}

} // namespace

std::shared_ptr<SimWorld> SimWorld::defaultWorld()
{
    return fromJson(QJsonDocument::fromJson(kDefaultWorld).object());
}

std::shared_ptr<SimWorld> SimWorld::fromFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, file.errorString());
        return nullptr;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isObject()) {
        fail(error, parseError.error != QJsonParseError::NoError ? parseError.errorString() : QStringLiteral("not a JSON object"));
        return nullptr;
    }
    auto world = fromJson(doc.object(), error);
    if (!world)
        return nullptr;
    world->resolvePicturePaths(QFileInfo(path).absolutePath());
    // Scripted pointer moves, timed from the load, seen by the mouse monitors as the user's own.
    for (const QJsonValue& value : doc.object().value("pointerMoves").toArray()) {
        const QJsonObject move = value.toObject();
        world->pointerScript.push_back({Duration(std::chrono::milliseconds(move.value("afterMs").toInteger())),
                                        QPointF(move.value("x").toDouble(), move.value("y").toDouble())});
    }
    world->playPointerScript();
    return world;
}

void SimWorld::playPointerScript()
{
    for (WorkItem& work : m_pointerScriptWork)
        work.cancel();
    m_pointerScriptWork.clear();
    for (const PointerMove& move : pointerScript) {
        const QPointF to = move.to;
        m_pointerScriptWork.push_back(scheduler().after(move.after, [this, to] { mouse().moveTo(to); }));
    }
}

std::shared_ptr<SimWorld> SimWorld::fromJson(const QJsonObject& json, QString* error)
{
    auto world = std::make_shared<SimWorld>();
    SimWorld& w = *world;
    w.displaysHaveSeparateSpaces = json.value("displaysHaveSeparateSpaces").toBool(true);

    QJsonArray displays = json.value("displays").toArray();
    if (!json.contains("displays"))
        displays = QJsonDocument::fromJson(kDefaultWorld).object().value("displays").toArray();
    std::uint64_t nextManaged = 1;
    double nextX = 0;
    bool anyMain = false;
    for (int i = 0; i < displays.size(); ++i) {
        if (!displays[i].isObject()) {
            fail(error, QStringLiteral("a display must be an object"));
            return nullptr;
        }
        const QJsonObject o = displays[i].toObject();
        Display display;
        display.uuid = o.value("uuid").toString(derivedUuid(QStringLiteral("display-%1").arg(i + 1)));
        display.identifier = o.value("identifier").toString(display.uuid);
        display.name = o.value("name").toString(QStringLiteral("Display %1").arg(i + 1));
        display.main = o.value("main").toBool(false);
        anyMain = anyMain || display.main;
        display.number = std::uint32_t(o.value("number").toInteger(i + 1));
        display.frame = rect(o.value("frame"), QRectF(nextX, 0, 1512, 982));
        nextX = display.frame.x() + display.frame.width();
        display.notchWidth = o.value("notch").toObject().value("width").toDouble(0);
        display.menuBarHeight = o.value("menuBarHeight").toDouble(24);
        display.builtin = o.value("builtin").toBool(false);
        if (!readPicture(o, display.wallpaper, error))
            return nullptr;
        const QJsonArray spaces = o.contains("spaces") ? o.value("spaces").toArray() : QJsonArray{QJsonObject{}};
        if (!readSpaces(spaces, display, nextManaged, w.spaceWallpapers, error))
            return nullptr;
        display.current = o.contains("current") ? std::uint64_t(o.value("current").toInteger(0))
                                                : (display.spaces.empty() ? 0 : display.spaces.front().managedID);
        w.displays.push_back(std::move(display));
    }
    if (!anyMain && !w.displays.empty())
        w.displays.front().main = true;
    if (json.value("menuBarDisplay").isString())
        w.menuBarDisplay = json.value("menuBarDisplay").toString();

    for (const QJsonValue& value : json.value("apps").toArray()) {
        const QJsonObject o = value.toObject();
        App app;
        app.pid = std::int32_t(o.value("pid").toInt());
        app.bundleID = o.value("bundleID").toString();
        app.name = o.value("name").toString(app.bundleID);
        app.policy = o.value("policy").toString(QStringLiteral("regular"));
        app.isThisProgram = o.value("thisProgram").toBool(false);
        w.apps.push_back(std::move(app));
    }
    const Display* main = w.mainDisplay();
    const std::uint64_t mainCurrent = main ? main->current : 0;
    for (const QJsonValue& value : json.value("windows").toArray()) {
        const QJsonObject o = value.toObject();
        Window window;
        window.id = std::uint32_t(o.value("id").toInteger());
        window.pid = std::int32_t(o.value("pid").toInt());
        window.title = o.value("title").toString();
        window.frame = rect(o.value("frame"), QRectF(100, 100, 800, 600));
        if (o.contains("spaces")) {
            for (const QJsonValue& s : o.value("spaces").toArray())
                window.spaces.push_back(std::uint64_t(s.toInteger()));
        } else if (mainCurrent) {
            window.spaces.push_back(mainCurrent);
        }
        w.windows.push_back(std::move(window));
    }

    w.hotKeys = standardSymbolicHotKeys();
    for (const QJsonValue& value : json.value("hotKeys").toArray()) {
        const QJsonObject o = value.toObject();
        const std::int32_t id = std::int32_t(o.value("id").toInt());
        HotKey key = w.hotKeys.contains(id) ? w.hotKeys[id] : HotKey{};
        key.keyCode = std::uint16_t(o.value("keyCode").toInt(key.keyCode));
        key.modifiers = std::uint32_t(o.value("modifiers").toInteger(key.modifiers));
        key.enabled = o.value("enabled").toBool(key.enabled);
        if (o.value("bound").toBool(true))
            w.hotKeys[id] = key;
        else
            w.hotKeys.erase(id);
    }

    const QJsonObject permissions = json.value("permissions").toObject();
    w.accessibilityTrusted = permissions.value("accessibility").toBool(true);
    w.screenRecordingGranted = permissions.value("screenRecording").toBool(true);

    if (json.value("pointer").isObject()) {
        const QJsonObject p = json.value("pointer").toObject();
        w.pointer = QPointF(p.value("x").toDouble(), p.value("y").toDouble());
    } else if (main) {
        w.pointer = main->frame.center();
    }
    w.trackpadCount = json.value("trackpads").toInt(1);

    w.connection = std::uint32_t(json.value("connection").toInteger(w.connection));
    const QString sky = json.value("skyLight").toString(QStringLiteral("loaded"));
    if (sky == QLatin1String("unloaded"))
        w.setSkyLight(SkyLight::Unloaded);
    else if (sky == QLatin1String("missing"))
        w.setSkyLight(SkyLight::Missing);
    else if (sky != QLatin1String("loaded")) {
        fail(error, QStringLiteral("skyLight must be loaded, unloaded or missing"));
        return nullptr;
    }
    for (const QJsonValue& name : json.value("legacyFunctionNames").toArray())
        w.useLegacyName(name.toString().toUtf8());
    for (const QJsonValue& name : json.value("unavailableFunctions").toArray())
        w.makeUnavailable(name.toString().toUtf8());
    for (const QJsonValue& code : json.value("failingNotificationEvents").toArray())
        w.failingNotificationEvents.insert(std::uint32_t(code.toInteger()));
    w.notifyFromWorkerThread = json.value("notifyFromWorkerThread").toBool(false);
    if (json.contains("managedDisplaySpaces"))
        w.spacesListOverride = PlistValue::fromJson(json.value("managedDisplaySpaces"));

    // Input, the Dock, system-wide hot keys and the session.
    w.osMajorVersion = json.value("osVersion").toInt(w.osMajorVersion);
    w.screenLocked = json.value("screenLocked").toBool(false);
    w.systemUptime = json.value("uptime").toDouble(w.systemUptime);
    const QJsonObject preferences = json.value("globalPreferences").toObject();
    for (auto it = preferences.begin(); it != preferences.end(); ++it)
        w.globalPreferences[it.key()] = PlistValue::fromJson(it.value());
    const QJsonValue domains = json.value("preferenceDomains");
    if (!domains.isUndefined() && !domains.isObject()) {
        fail(error, QStringLiteral("preferenceDomains must be an object of domains"));
        return nullptr;
    }
    const QJsonObject domainObject = domains.toObject();
    for (auto it = domainObject.begin(); it != domainObject.end(); ++it) {
        if (!it.value().isObject()) {
            fail(error, QStringLiteral("preference domain %1 must be an object").arg(it.key()));
            return nullptr;
        }
        w.preferenceDomains[it.key()] = it.value().toObject();
    }
    const QJsonObject dock = json.value("dock").toObject();
    const auto millis = [&](const char* key, Duration fallback) {
        return Duration(std::max<qint64>(0, dock.value(key).toInteger(fallback.count())));
    };
    w.dock().delay = millis("delayMs", w.dock().delay);
    w.dock().bounceNext = std::max(0, dock.value("bounceBack").toInt(0));
    w.dock().bounceAfter = millis("bounceAfterMs", w.dock().bounceAfter);
    const QJsonObject events = json.value("events").toObject();
    w.events().refuseEvents = events.value("refuse").toBool(false);
    w.events().mouseButtons = quint32(events.value("mouseButtons").toInteger(0));
    for (const QJsonValue& value : json.value("takenHotKeys").toArray()) {
        const QJsonObject o = value.toObject();
        w.hotKeyRegistry().setTaken(quint32(o.value("keyCode").toInteger()), quint32(o.value("modifiers").toInteger()));
    }
    if (!w.readDesktopExtras(json, error) || !w.readAccessibilityExtras(json, error))
        return nullptr;
    if (!w.readInstalled(json, error) || !w.readBrowsers(json, error) || !w.readScreenCapture(json, error)
        || !w.readAutomationExtras(json, error) || !w.readCompositing(json, error))
        return nullptr;
    if (!w.readMissionControl(json, error) || !w.readSettingsServices(json, error))
        return nullptr;
    return world;
}

} // namespace lumivast
