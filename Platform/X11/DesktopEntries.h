#pragma once

// The desktop's installed applications, read and started through GIO as the
// desktops themselves do it: desktop ids of entries in sub-folders, escapes,
// localised names, Terminal=, Path= and startup notification included.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <expected>
#include <map>
#include <mutex>
#include <optional>

namespace lumivast::x11 {

class DesktopEntries final {
public:
    struct Application {
        QString id;   // the desktop-file id without ".desktop"
        QString name; // the entry's name in the user's language
        bool operator==(const Application&) const = default;
    };

    // The one the backend shares. Its folder watch reports on the main context
    // that the Qt event loop runs.
    static DesktopEntries& shared();
    DesktopEntries();
    ~DesktopEntries();
    DesktopEntries(const DesktopEntries&) = delete;
    DesktopEntries& operator=(const DesktopEntries&) = delete;

    // The entry that names this window class (its StartupWMClass, else its id), none when
    // none does. Answers, misses included, come from one reading of every entry, kept until
    // the applications folders change. Any thread.
    std::optional<Application> forClass(const QString& windowClass);

    // The entry file of a desktop-file id (without ".desktop"); none when there is none.
    static std::optional<QString> fileOf(const QString& id);
    // The Icon= of an entry, by id or by file: a theme name or a path; empty when it has none.
    static QString iconOf(const QString& id);
    static QString iconOfFile(const QString& path);
    // Starts the entry in `path` as the desktop starts it, with `arguments` after its command;
    // the pid of the started program.
    static std::expected<std::int32_t, QString> launch(const QString& path, const QStringList& arguments);

private:
    void forget();
    static void changed(void* monitor, void* self);

    std::mutex m_mutex;
    bool m_read = false;
    std::map<QString, Application> m_byClass; // folded to lower case
    void* m_monitor = nullptr;                // GAppInfoMonitor
};

} // namespace lumivast::x11
