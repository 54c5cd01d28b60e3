#pragma once

#include <QString>

#include <optional>

namespace lumivast {

// The general pasteboard (the clipboard), plain text only.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    // Empties the pasteboard, so no older content of another type stays behind.
    virtual void clearContents() = 0;
    // False when the system took nothing.
    virtual bool setString(const QString& text) = 0;
    // The plain text on the pasteboard; nothing when it holds none.
    virtual std::optional<QString> string() = 0;
};

} // namespace lumivast
