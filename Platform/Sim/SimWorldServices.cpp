// The world's pasteboard, update service and other applications' preference domains.
#include "Platform/Sim/SimServices.h"
#include "Platform/Sim/SimWorld.h"
#include "Platform/UserDefaults.h"

namespace lumivast {

SimPasteboard& SimWorld::pasteboard()
{
    if (!m_pasteboard)
        m_pasteboard = std::make_shared<SimPasteboard>();
    return *m_pasteboard;
}

SimUpdates& SimWorld::updates()
{
    if (!m_updates)
        m_updates = std::make_shared<SimUpdates>();
    return *m_updates;
}

UserDefaults& SimWorld::preferenceDomain(const QString& name)
{
    auto it = m_preferenceDomains.find(name);
    if (it == m_preferenceDomains.end()) {
        // No file: the simulated system's preferences never touch the user's disk.
        auto store = std::make_shared<UserDefaults>(name);
        if (const auto seed = preferenceDomains.find(name); seed != preferenceDomains.end()) {
            for (auto value = seed->second.begin(); value != seed->second.end(); ++value)
                store->set(value.key(), value.value());
        }
        it = m_preferenceDomains.emplace(name, std::move(store)).first;
    }
    return *it->second;
}

} // namespace lumivast
