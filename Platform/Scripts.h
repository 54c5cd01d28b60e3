#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace lumivast {

// What a script hands back, as the scripting system describes it: a value
// may have a text form, and a list has items of its own.
struct ScriptValue {
    std::optional<QString> text; // its string value, when it has one
    bool isList = false;
    std::vector<ScriptValue> items; // a list's items, in order

    bool operator==(const ScriptValue&) const = default;
};

// Runs scripts that talk to other applications (reading a browser's tabs).
// Synchronous; main thread.
class ScriptRunner {
public:
    virtual ~ScriptRunner() = default;
    // The script's result; nothing when it failed or returned no value.
    virtual std::optional<ScriptValue> run(const QString& source) = 0;
};

} // namespace lumivast
