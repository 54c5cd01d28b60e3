#include "Core/Demo/DemoMode.h"
#include "Core/Shell/StateExporter.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "tests/support/SimWorldTest.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

const char* kExportWorld = R"({
  "menuBarDisplay": "Main",
  "displays": [
    { "identifier": "Main", "uuid": "37D8832A-2D66-02CA-B9F7-8F30A301B230", "main": true, "current": 3,
      "spaces": [ {"managedID": 3, "uuid": "0A4E2F1C-5B7D-4C1E-9F3A-1D2C3B4A5E61"},
                  {"managedID": 9, "uuid": "9C2D7E3F-4A5B-4C6D-9E8F-3F4A5B6C7D83", "type": "fullscreen", "pid": 812},
                  {"managedID": 4, "uuid": "6F1B8E2D-3C4A-4B5E-8D7F-2E3F4A5B6C72"} ] },
    { "uuid": "E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B", "current": 15,
      "spaces": [ {"managedID": 14, "uuid": "B3E4F5A6-5B6C-4D7E-AF90-4A5B6C7D8E94"},
                  {"managedID": 15, "uuid": "C4F5A6B7-6C7D-4E8F-B0A1-5B6C7D8E9FA5"} ] } ],
  "apps": [ {"pid": 812, "bundleID": "org.example.browser", "name": "Browser"},
            {"pid": 813, "bundleID": "org.example.editor", "name": "Editor"} ],
  "windows": [ {"id": 1, "pid": 813, "title": "notes", "spaces": [3]},
               {"id": 2, "pid": 812, "title": "Start", "spaces": [3]},
               {"id": 3, "pid": 812, "title": "Video", "spaces": [9]},
               {"id": 4, "pid": 813, "title": "todo", "spaces": [14]} ]
})";

class StateExporterTest : public SimWorldTest {
protected:
    StateExporterTest()
    {
        DemoMode::resetForTesting();
        install(worldFrom(kExportWorld));
        store.runningAppProvider = [](std::int32_t pid) -> std::optional<RunningApplication> {
            if (pid == 812)
                return RunningApplication{pid, QStringLiteral("org.example.browser"), QStringLiteral("Browser")};
            return std::nullopt;
        };
    }
    ~StateExporterTest() override { DemoMode::resetForTesting(); }

    void readContents()
    {
        contents.refresh();
        scheduler.advance(SpaceContents::kPassDelay);
        contents.waitForReading();
        scheduler.runPending();
    }
    QString path() const { return AppPaths::file(QStringLiteral("state.json")); }
    QByteArray fileBytes() const { return DataFile::read(path()).bytes; }
    SpaceSnapshot snapshot() { return SpaceProvider::snapshot(scheduler).value_or(SpaceSnapshot{}); }

    SpaceStore store{scheduler, AppPaths::file(QStringLiteral("spaces.json"))};
    SpaceContents contents{scheduler};
};

TEST_F(StateExporterTest, WritesEverySpaceOfEveryDisplay)
{
    store.setName(QStringLiteral("Mail"), QStringLiteral("0A4E2F1C-5B7D-4C1E-9F3A-1D2C3B4A5E61"));
    store.setColor(QStringLiteral("#FF8800"), QStringLiteral("0A4E2F1C-5B7D-4C1E-9F3A-1D2C3B4A5E61"));
    store.setNote(QStringLiteral("inbox \"zero\""), QStringLiteral("0A4E2F1C-5B7D-4C1E-9F3A-1D2C3B4A5E61"));
    store.setSymbol(QStringLiteral("star"), QStringLiteral("B3E4F5A6-5B6C-4D7E-AF90-4A5B6C7D8E94"));
    readContents();

    StateExporter::write(snapshot(), store, contents, scheduler);
    EXPECT_EQ(QString::fromUtf8(fileBytes()), QStringLiteral(R"({
    "current": "Mail",
    "spaces": [
        {
            "apps": [
                "Editor",
                "Browser"
            ],
            "color": "#FF8800",
            "display": "Main",
            "hasCustomName": true,
            "id": "0A4E2F1C-5B7D-4C1E-9F3A-1D2C3B4A5E61",
            "isActive": true,
            "isFullscreen": false,
            "name": "Mail",
            "note": "inbox \"zero\"",
            "number": 1,
            "symbol": "rectangle.on.rectangle"
        },
        {
            "apps": [
                "Browser"
            ],
            "display": "Main",
            "hasCustomName": false,
            "id": "9C2D7E3F-4A5B-4C6D-9E8F-3F4A5B6C7D83",
            "isActive": false,
            "isFullscreen": true,
            "name": "Browser",
            "symbol": "macwindow"
        },
        {
            "apps": [
            ],
            "display": "Main",
            "hasCustomName": false,
            "id": "6F1B8E2D-3C4A-4B5E-8D7F-2E3F4A5B6C72",
            "isActive": false,
            "isFullscreen": false,
            "name": "Desktop 2",
            "number": 2,
            "symbol": "rectangle.on.rectangle"
        },
        {
            "apps": [
                "Editor"
            ],
            "display": "E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B",
            "hasCustomName": false,
            "id": "B3E4F5A6-5B6C-4D7E-AF90-4A5B6C7D8E94",
            "isActive": false,
            "isFullscreen": false,
            "name": "Desktop 3",
            "number": 3,
            "symbol": "star"
        },
        {
            "apps": [
            ],
            "display": "E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B",
            "hasCustomName": false,
            "id": "C4F5A6B7-6C7D-4E8F-B0A1-5B6C7D8E9FA5",
            "isActive": true,
            "isFullscreen": false,
            "name": "Desktop 4",
            "number": 4,
            "symbol": "rectangle.on.rectangle"
        }
    ],
    "updatedAt": "2026-01-05T09:00:00Z",
    "version": 1
}
)"));
}

TEST_F(StateExporterTest, EmptySnapshotWritesNoSpaces)
{
    StateExporter::write(SpaceSnapshot{}, store, contents, scheduler);
    const QJsonObject root = QJsonDocument::fromJson(fileBytes()).object();
    EXPECT_EQ(root.keys(), (QStringList{"current", "spaces", "updatedAt", "version"}));
    EXPECT_EQ(root.value("current"), QJsonValue(""));
    EXPECT_EQ(root.value("spaces"), QJsonValue(QJsonArray{}));
}

TEST_F(StateExporterTest, EachWriteReplacesTheWholeFileAndFailuresAreDropped)
{
    StateExporter::write(snapshot(), store, contents, scheduler);
    store.setName(QStringLiteral("Later"), QStringLiteral("0A4E2F1C-5B7D-4C1E-9F3A-1D2C3B4A5E61"));
    scheduler.advance(61s);
    StateExporter::write(snapshot(), store, contents, scheduler);
    const QJsonObject root = QJsonDocument::fromJson(fileBytes()).object();
    EXPECT_EQ(root.value("current"), QJsonValue("Later"));
    EXPECT_EQ(root.value("updatedAt"), QJsonValue("2026-01-05T09:01:01Z"));
    EXPECT_EQ(QDir(AppPaths::supportDirectory()).entryList({"state.json*"}, QDir::Files | QDir::Hidden),
              QStringList{"state.json"});

    // A path that cannot take the file: the error is dropped and nothing else is touched.
    QFile::remove(path());
    ASSERT_TRUE(QDir().mkpath(path()));
    StateExporter::write(snapshot(), store, contents, scheduler);
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

} // namespace
