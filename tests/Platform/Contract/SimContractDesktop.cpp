// The simulated desktop for the contract: the default world on the case's clock.
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimPlatform.h"
#include "tests/Platform/Contract/ContractDesktop.h"

#include <algorithm>

namespace lumivast::test::contract {

namespace {

class SimContractDesktop final : public ContractDesktop {
public:
    SimContractDesktop() : m_world(SimWorld::defaultWorld())
    {
        m_world->dock().setScheduler(m_scheduler);
        m_platform = SimPlatform::create(m_world);
        Platform::install(m_platform);
    }
    ~SimContractDesktop() override { Platform::install(SimPlatform::create(SimWorld::defaultWorld())); }

    Platform& platform() override { return *m_platform; }

    bool settle(const std::function<bool()>& done) override
    {
        for (int step = 0; step < 1000; ++step) {
            if (done())
                return true;
            m_scheduler.advance(10ms);
        }
        return done();
    }
    void quiesce() override { m_scheduler.advance(10s); }

    std::optional<OutsideWindow> openWindow(const QString& title) override
    {
        std::lock_guard lock(m_world->stateMutex());
        if (m_world->displays.empty())
            return std::nullopt;
        std::uint32_t id = 1;
        std::int32_t pid = 9000;
        for (const SimWorld::Window& w : m_world->windows)
            id = std::max(id, w.id + 1);
        for (const SimWorld::App& a : m_world->apps)
            pid = std::max(pid, a.pid + 1);
        m_world->apps.push_back({.pid = pid, .bundleID = QStringLiteral("org.example.contract%1").arg(pid), .name = title});
        m_world->windows.insert(m_world->windows.begin(), SimWorld::Window{.id = id,
                                                                            .pid = pid,
                                                                            .title = title,
                                                                            .frame = QRectF(100, 100, 300, 200),
                                                                            .spaces = {m_world->displays.front().current}});
        return OutsideWindow{id, pid};
    }
    void closeWindow(const OutsideWindow& window) override
    {
        std::lock_guard lock(m_world->stateMutex());
        std::erase_if(m_world->windows, [&](const SimWorld::Window& w) { return w.id == window.id; });
        std::erase_if(m_world->apps, [&](const SimWorld::App& a) { return a.pid == window.pid; });
    }

private:
    std::shared_ptr<SimWorld> m_world;
    std::shared_ptr<SimPlatform> m_platform;
};

} // namespace

DesktopFactory simulatedDesktop()
{
    return {"Sim", [] { return MadeDesktop{.desktop = std::make_unique<SimContractDesktop>()}; }, [] { return true; }};
}

} // namespace lumivast::test::contract
