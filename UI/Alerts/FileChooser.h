#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace lumivast {

// Asks the user for one file. The application has one; tests answer with a fake.
class FileChooser {
public:
    using Chosen = std::function<void(const std::optional<QString>& path)>;

    virtual ~FileChooser() = default;
    // Asks for one picture file and returns at once; `chosen` gets it, or none
    // when the user cancels, once the dialog has closed, and nothing when
    // `owner` is gone by then. `message` says what it is for.
    void chooseImage(const QString& message, const QObject* owner, Chosen chosen);

protected:
    virtual void showImageDialog(const QString& message, Chosen chosen) = 0;
};

// The real thing, on QFileDialog; no window is its parent.
class DialogFileChooser final : public FileChooser {
protected:
    void showImageDialog(const QString& message, Chosen chosen) override;
};

} // namespace lumivast
