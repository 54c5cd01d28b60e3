#include "Platform/X11/Desktops.h"
#include "Platform/X11/Services.h"
#include "Platform/X11/Session.h"
#include "Platform/X11/X11Platform.h"

namespace lumivast::x11 {

namespace {

// A desktop under an EWMH window manager: no Dock, no Mission Control, no
// gestures, no permission prompts, and Alt+Tab belongs to the window manager;
// its pager shows the desktop names.
class X11Parts final : public SystemParts {
public:
    explicit X11Parts(std::shared_ptr<Session> session) : m_session(std::move(session)) {}

    Words words() const override
    {
        static const Words words{
            .computer = QStringLiteral("computer"),
            .system = systemName(),
            .fileManager = QStringLiteral("the file manager"),
            .systemSettings = QStringLiteral("system settings"),
            .statusArea = QStringLiteral("system tray"),
        };
        return words;
    }
    bool has(Part part) const override { return part == Part::desktopNames; }
    QString whyNoDesktops() const override
    {
        const auto x = m_session->connection();
        if (!x)
            return QStringLiteral("The X display cannot be reached.");
        // The event thread's rows when it runs, else a reading of the roots.
        const std::vector<Row> rows = m_session->knownRows().value_or(std::vector<Row>());
        for (const Row& row : rows.empty() ? readRows(*x) : rows) {
            if (row.managed)
                return {};
        }
        return QStringLiteral("No window manager is running.");
    }

private:
    static QString systemName()
    {
        const QString name = x11::System::osRelease(QStringLiteral("NAME"));
        return name.isEmpty() ? QStringLiteral("Linux") : name;
    }

    std::shared_ptr<Session> m_session;
};

} // namespace

std::unique_ptr<SystemParts> makeParts(std::shared_ptr<Session> session)
{
    return std::make_unique<X11Parts>(std::move(session));
}

} // namespace lumivast::x11
