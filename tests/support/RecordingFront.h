#pragma once

#include "Core/Commands/CommandSink.h"
#include "Core/Commands/SpaceQueries.h"
#include "Core/Windows/SavedSpaces.h"

#include <QHash>

#include <functional>
#include <vector>

namespace lumivast::test {

// A front's other side for tests: records what it is told and answers
// questions from what the test put in. Header-only, so the fuzz targets use it too.
class RecordingFront final : public CommandSink, public SpaceQueries {
public:
    // Commands, in order; `calls` also holds the calls that take a Space, as "switchTo <id>".
    std::vector<SpaceCommand> commands;
    QStringList calls;
    std::function<void(const SpaceCommand&)> whilePerforming;

    SpaceSnapshot world;
    QHash<QString, QString> names; // by Space id; "Desktop <n>" otherwise
    std::optional<Space> previous;
    std::function<QByteArray()> state = [] { return QByteArrayLiteral("{}"); };
    std::function<QString()> token = [] { return QString(); };
    QStringList profiles;
    QStringList taken;
    bool undoable = false;
    std::vector<SavedSpace> saved;
    std::vector<MenuItem> extras;
    mutable int stateReads = 0;
    mutable int tokenReads = 0;

    void perform(const SpaceCommand& command) override
    {
        commands.push_back(command);
        if (whilePerforming)
            whilePerforming(command);
    }
    void switchTo(const Space& space) override { calls.append(QStringLiteral("switchTo ") + space.id); }
    void moveFrontWindow(const Space& space) override { calls.append(QStringLiteral("moveFrontWindow ") + space.id); }
    void setUp(const Space& space) override { calls.append(QStringLiteral("setUp ") + space.id); }
    void editSpace(const Space& space) override { calls.append(QStringLiteral("editSpace ") + space.id); }
    void refreshPreviews() override { calls.append(QStringLiteral("refreshPreviews")); }
    void restoreSaved(const SavedSpace& space) override { calls.append(QStringLiteral("restoreSaved ") + space.name); }
    void reportError(const QString& message) override { calls.append(QStringLiteral("reportError ") + message); }
    void overviewHotKey() override { calls.append(QStringLiteral("overviewHotKey")); }
    void captureMark(bool set) override { calls.append(set ? QStringLiteral("setMark") : QStringLiteral("jumpToMark")); }

    const SpaceSnapshot& snapshot() const override { return world; }
    QString displayName(const Space& space) const override
    {
        return names.value(space.id, QStringLiteral("Desktop %1").arg(space.desktopNumber.value_or(0)));
    }
    std::optional<Space> previousSpace() const override { return previous; }
    QByteArray stateJSON() const override { return ++stateReads, state(); }
    QString apiToken() const override { return ++tokenReads, token(); }
    QStringList profileNames() const override { return profiles; }
    QStringList takenKeys() const override { return taken; }
    bool canUndoMinimize() const override { return undoable; }
    std::vector<SavedSpace> savedSpaceRecords() const override { return saved; }
    std::vector<MenuItem> extraMenuItems() const override { return extras; }
};

} // namespace lumivast::test
