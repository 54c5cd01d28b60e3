// The real desktop for the contract: the shared Xvfb with its window manager,
// back at four desktops with the first one shown.
#include "Platform/Sim/SimPlatform.h"
#include "Platform/X11/X11Platform.h"
#include "tests/Platform/Contract/ContractDesktop.h"
#include "tests/Platform/X11/XServerFixture.h"

#include <algorithm>
#include <vector>

namespace lumivast::test::contract {

namespace {

using namespace lumivast::test::x11;

class X11ContractDesktop final : public ContractDesktop {
public:
    explicit X11ContractDesktop(const QByteArray& display) : m_display(display), m_client(display)
    {
        m_platform = X11Platform::create(display);
        m_platform->setScheduler(m_scheduler);
        Platform::install(m_platform);
    }
    ~X11ContractDesktop() override
    {
        m_helpers.clear();
        Platform::install(SimPlatform::create(SimWorld::defaultWorld()));
    }

    // Four desktops, the first one shown.
    bool reset()
    {
        if (!m_client.ok() || !setDesktopCount(m_display, 4))
            return false;
        m_client.sendRootMessage("_NET_CURRENT_DESKTOP", 0);
        if (!m_client.waitUntil([&] { return m_client.rootCardinal("_NET_CURRENT_DESKTOP") == 0u; }))
            return false;
        // The platform hears of the way back too; that is heard out here, before a case starts to listen.
        quiesce();
        return true;
    }

    Platform& platform() override { return *m_platform; }

    bool settle(const std::function<bool()>& done) override
    {
        return m_client.waitUntil([&] {
            keepTime();
            return done();
        });
    }
    void quiesce() override
    {
        m_client.waitUntil([&] {
            keepTime();
            return false;
        }, 300ms);
    }

    std::optional<OutsideWindow> openWindow(const QString& title) override
    {
        auto child = Child::spawn({QStringLiteral(LUMIVAST_X11_HELPER), QString::fromLatin1(m_display), title});
        if (!child)
            return std::nullopt;
        const std::int32_t pid = child->pid();
        m_helpers.push_back(std::move(*child));
        std::optional<OutsideWindow> found;
        m_client.waitUntil([&] {
            const PlistValue list = m_platform->windowList().copyWindowInfo(WindowList::kOptionOnScreenOnly, 0);
            for (const PlistValue& entry : list.array() ? *list.array() : PlistValue::Array()) {
                const PlistValue* name = entry.value(WindowListKey::name);
                const PlistValue* number = entry.value(WindowListKey::number);
                const PlistValue* bounds = entry.value(WindowListKey::bounds);
                // Framed: the window manager has taken it and set its extents.
                if (name && name->string() && *name->string() == title && number && number->integer() && bounds
                    && bounds->value("Width") && bounds->value("Width")->real().value_or(0) > 300.0)
                    found = OutsideWindow{std::uint32_t(*number->integer()), pid};
            }
            return found.has_value();
        });
        return found;
    }
    void closeWindow(const OutsideWindow& window) override
    {
        std::erase_if(m_helpers, [&](const Child& child) { return child.pid() == window.pid; });
    }

private:
    // The main thread's clock goes as fast as the server's: what the platform waits for on it
    // (a check that the window manager took a request) comes due as it would.
    void keepTime()
    {
        const auto now = std::chrono::steady_clock::now();
        m_scheduler.advance(std::chrono::duration_cast<Duration>(now - m_lastStep));
        m_lastStep = now;
    }

    std::chrono::steady_clock::time_point m_lastStep = std::chrono::steady_clock::now();
    QByteArray m_display;
    Client m_client;
    std::shared_ptr<X11Platform> m_platform;
    std::vector<Child> m_helpers;
};

} // namespace

DesktopFactory realDesktop()
{
    return {"X11",
            [] {
                SharedDesktop& shared = sharedDesktop();
                if (!shared.server || !shared.manager)
                    return MadeDesktop{.absent = shared.problem};
                auto desktop = std::make_unique<X11ContractDesktop>(shared.server->display());
                if (!desktop->reset())
                    return MadeDesktop{.broken = QStringLiteral("the shared desktop did not come back to four desktops with the first shown")};
                return MadeDesktop{.desktop = std::move(desktop)};
            },
            [] { return desktopRequired(); }};
}

} // namespace lumivast::test::contract
