#pragma once

#include "Platform/ChildProcesses.h"
#include "Platform/ShortcutsTool.h"

#include <QStringList>

#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace lumivast {

// Child processes that are only recorded, for tests that check what was
// started without starting it. Programs named in `failing` cannot be started;
// `outputs` is what a run prints. Set both before use; any thread.
class RecordingChildProcesses final : public ChildProcesses {
public:
    struct Start {
        QString program;
        QStringList arguments;
        std::map<QString, QString> environment; // only what the caller added
        bool detached = true;
        bool operator==(const Start&) const = default;
    };

    std::map<QString, QString> failing; // program -> the reason it cannot start
    std::map<QString, QByteArray> outputs;

    std::optional<QString> startDetached(const QString& program, const QStringList& arguments,
                                         const std::map<QString, QString>& environment) override
    {
        return record({program, arguments, environment, true});
    }
    std::optional<QByteArray> runReadingOutput(const QString& program, const QStringList& arguments) override
    {
        if (record({program, arguments, {}, false}))
            return std::nullopt;
        const auto output = outputs.find(program);
        return output == outputs.end() ? QByteArray() : output->second;
    }

    // Every start asked for, failed ones included, in order.
    std::vector<Start> starts() const
    {
        std::lock_guard lock(m_mutex);
        return m_starts;
    }

private:
    std::optional<QString> record(Start start)
    {
        std::lock_guard lock(m_mutex);
        const auto failure = failing.find(start.program);
        m_starts.push_back(std::move(start));
        if (failure != failing.end())
            return failure->second;
        return std::nullopt;
    }

    mutable std::mutex m_mutex;
    std::vector<Start> m_starts;
};

// The simulated shortcuts tool: the world's `shortcuts` are the user's
// shortcuts, printed one a line in their order. Without them there is no
// tool. Every run is recorded, whether or not it could start. Any thread.
class SimShortcuts final : public ShortcutsTool {
public:
    static inline const QString kNoTool = QStringLiteral("No such file or directory");

    std::optional<QStringList> names; // set when the world loads

    std::optional<QByteArray> listing() override
    {
        if (!names)
            return std::nullopt;
        QByteArray text;
        for (const QString& name : *names)
            text += name.toUtf8() + '\n';
        return text;
    }
    std::optional<QString> run(const QString& name) override
    {
        std::lock_guard lock(m_mutex);
        m_runs.append(name);
        if (!names)
            return kNoTool;
        return std::nullopt;
    }
    QStringList runs() const
    {
        std::lock_guard lock(m_mutex);
        return m_runs;
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_runs;
};

} // namespace lumivast
