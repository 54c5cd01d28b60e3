// The world's input side: event poster, Dock, system-wide hot keys and session.
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimEvents.h"
#include "Platform/Sim/SimHotKeys.h"
#include "Platform/Sim/SimWorld.h"

namespace lumivast {

namespace {

class SimSystemInfo final : public SystemInfo {
public:
    explicit SimSystemInfo(SimWorld& world) : m_world(world) {}

    int operatingSystemMajorVersion() override { return m_world.osMajorVersion; }
    double systemUptime() override { return m_world.systemUptime; }
    bool reduceMotion() override { return m_world.reduceMotion; }
    PlistValue sessionDictionary() override
    {
        return PlistValue::dict({{QStringLiteral("CGSSessionScreenIsLocked"), PlistValue(m_world.screenLocked)},
                                 {QStringLiteral("kCGSSessionOnConsoleKey"), PlistValue(true)}});
    }
    std::optional<PlistValue> globalPreference(const QString& key) override
    {
        const auto it = m_world.globalPreferences.find(key);
        if (it == m_world.globalPreferences.end())
            return std::nullopt;
        return it->second;
    }

private:
    SimWorld& m_world;
};

} // namespace

SimEvents& SimWorld::events()
{
    if (!m_events)
        m_events = std::make_shared<SimEvents>(*this);
    return *m_events;
}

SimDock& SimWorld::dock()
{
    if (!m_dock)
        m_dock = std::make_shared<SimDock>(*this);
    return *m_dock;
}

SimHotKeys& SimWorld::hotKeyRegistry()
{
    if (!m_hotKeyRegistry)
        m_hotKeyRegistry = std::make_shared<SimHotKeys>();
    return *m_hotKeyRegistry;
}

SystemInfo& SimWorld::systemInfo()
{
    if (!m_systemInfo)
        m_systemInfo = std::make_shared<SimSystemInfo>(*this);
    return *m_systemInfo;
}

} // namespace lumivast
