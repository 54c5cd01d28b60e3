#pragma once

#include <QFlags>
#include <QString>

#include <functional>
#include <memory>

namespace lumivast {

enum class FileEvent { Write = 1, Delete = 2, Rename = 4 };
Q_DECLARE_FLAGS(FileEvents, FileEvent)
Q_DECLARE_OPERATORS_FOR_FLAGS(FileEvents)

// A watch on one file; dropping it stops watching.
class FileWatch {
public:
    virtual ~FileWatch() = default;
};

// Watches the file that stands at a path now (the file, not the path: after a
// delete or rename the watch must be made again). Handlers run on the main thread.
class FileWatcher {
public:
    virtual ~FileWatcher() = default;
    // Null when the file cannot be opened.
    [[nodiscard]] virtual std::unique_ptr<FileWatch> watch(const QString& path, std::function<void(FileEvents)> handler) = 0;
};

// inotify on the main thread's event loop.
class InotifyFileWatcher final : public FileWatcher {
public:
    std::unique_ptr<FileWatch> watch(const QString& path, std::function<void(FileEvents)> handler) override;
};

} // namespace lumivast
