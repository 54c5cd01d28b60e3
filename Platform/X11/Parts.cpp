#include "Platform/X11/Services.h"
#include "Platform/X11/X11Platform.h"

namespace lumivast {

namespace {

// A desktop under an EWMH window manager: no Dock, no Mission Control, no
// gestures, no permission prompts, and Alt+Tab belongs to the window manager.
class X11Parts final : public SystemParts {
public:
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
    bool has(Part) const override { return false; }

private:
    static QString systemName()
    {
        const QString name = x11::System::osRelease(QStringLiteral("NAME"));
        return name.isEmpty() ? QStringLiteral("Linux") : name;
    }
};

} // namespace

SystemParts& X11Platform::parts()
{
    static X11Parts parts;
    return parts;
}

} // namespace lumivast
