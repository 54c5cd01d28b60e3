#pragma once

#include <QString>

#include <optional>

namespace lumivast {

// Asks the user for one file. The application has one; tests answer with a fake.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // One picture file, or none when the user cancels. `message` says what it is for.
    virtual std::optional<QString> chooseImage(const QString& message) = 0;
};

// The real thing, on QFileDialog; no window is its parent.
class DialogFileChooser final : public FileChooser {
public:
    std::optional<QString> chooseImage(const QString& message) override;
};

} // namespace lumivast
