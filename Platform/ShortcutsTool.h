#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace lumivast {

// The system's tool for the user's shortcuts (small automations the user
// keeps by name). Both calls may be made from any thread.
class ShortcutsTool {
public:
    virtual ~ShortcutsTool() = default;
    // What the tool prints for its listing (one name a line); nothing when
    // there is no tool or it could not be started. Blocks until it is done.
    virtual std::optional<QByteArray> listing() = 0;
    // Starts the shortcut of that name and does not wait for it; the reason
    // when the tool could not be started.
    virtual std::optional<QString> run(const QString& name) = 0;
};

// The tool as a program at its fixed path, started as a child process.
class ProcessShortcutsTool final : public ShortcutsTool {
public:
    static inline const QString kPath = QStringLiteral("/usr/bin/shortcuts");

    std::optional<QByteArray> listing() override;
    std::optional<QString> run(const QString& name) override;
};

} // namespace lumivast
