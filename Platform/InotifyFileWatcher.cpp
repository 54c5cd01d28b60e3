#include "Platform/FileWatcher.h"

#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

namespace lumivast {

namespace {

class InotifyWatch final : public FileWatch {
public:
    InotifyWatch(int fd, std::function<void(FileEvents)> handler)
        : m_fd(fd), m_handler(std::move(handler)), m_notifier(fd, QSocketNotifier::Read)
    {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, &m_notifier, [this] { drain(); });
    }
    ~InotifyWatch() override
    {
        m_notifier.setEnabled(false);
        ::close(m_fd);
    }

private:
    void drain()
    {
        FileEvents events;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->mask & (IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE))
                    events |= FileEvent::Write;
                if (event->mask & (IN_DELETE_SELF | IN_IGNORED))
                    events |= FileEvent::Delete;
                if (event->mask & IN_MOVE_SELF)
                    events |= FileEvent::Rename;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        if (events && !m_gone) {
            // The file is gone for this watch: later events would only repeat that.
            if (events & (FileEvent::Delete | FileEvent::Rename))
                m_gone = true;
            auto handler = m_handler; // the handler may drop this watch
            handler(events);
        }
    }

    int m_fd;
    std::function<void(FileEvents)> m_handler;
    QSocketNotifier m_notifier;
    bool m_gone = false;
};

} // namespace

std::unique_ptr<FileWatch> InotifyFileWatcher::watch(const QString& path, std::function<void(FileEvents)> handler)
{
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return nullptr;
    const QByteArray native = path.toLocal8Bit();
    if (::inotify_add_watch(fd, native.constData(), IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF) < 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<InotifyWatch>(fd, std::move(handler));
}

} // namespace lumivast
