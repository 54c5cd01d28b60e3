#include "Core/Switching/GlobalHotKey.h"

#include "Platform/Log.h"

#include <unordered_map>

namespace lumivast {

struct GlobalHotKey::Environment {
    HotKeyRegistry* registry = nullptr;
    Scheduler* scheduler = nullptr;
    bool handlerInstalled = false;
    quint32 nextID = 1;
    std::unordered_map<quint32, Action> actions; // by id, of every live registered key
};

GlobalHotKeys::GlobalHotKeys(HotKeyRegistry& registry, Scheduler& scheduler)
    : m_environment(std::make_shared<GlobalHotKey::Environment>())
{
    m_environment->registry = &registry;
    m_environment->scheduler = &scheduler;
}

bool GlobalHotKey::installHandlerIfNeeded(const std::shared_ptr<Environment>& environment)
{
    if (environment->handlerInstalled)
        return true;
    // The handler may be called off the main thread: it only reads the event
    // and posts; the action is looked up when the posted work runs, so a key
    // destroyed in between does nothing.
    std::weak_ptr<Environment> weak = environment;
    Scheduler* scheduler = environment->scheduler;
    environment->handlerInstalled = environment->registry->installHandler(
        [weak, scheduler](std::optional<HotKeyID> pressed) {
            if (!pressed || pressed->signature != signature)
                return HotKeyEventResult::notHandled;
            scheduler->post([weak, id = pressed->id] {
                const auto env = weak.lock();
                if (!env)
                    return;
                const auto it = env->actions.find(id);
                if (it == env->actions.end())
                    return;
                // Our own copy: the action may destroy its hot key while it runs.
                const Action action = it->second;
                action();
            });
            return HotKeyEventResult::handled;
        });
    if (!environment->handlerInstalled)
        qCWarning(lcSwitcher) << "the hot-key handler could not be installed; global shortcuts are off";
    return environment->handlerInstalled;
}

std::unique_ptr<GlobalHotKey> GlobalHotKeys::create(quint32 keyCode, quint32 modifiers, GlobalHotKey::Action action)
{
    const std::shared_ptr<GlobalHotKey::Environment>& environment = m_environment;
    // A failed install is tried again by the next key.
    const bool handlerReady = GlobalHotKey::installHandlerIfNeeded(environment);
    // Ids are used up even by refused keys, so none is reused within a run.
    const quint32 id = environment->nextID++;
    if (!handlerReady)
        return nullptr; // registered, it would hold the combination and never fire
    const auto ref = environment->registry->registerHotKey(keyCode, modifiers, HotKeyID{GlobalHotKey::signature, id});
    if (!ref || *ref == HotKeyRef{})
        return nullptr;
    environment->actions[id] = std::move(action);
    return std::unique_ptr<GlobalHotKey>(new GlobalHotKey(environment, id, *ref));
}

GlobalHotKey::GlobalHotKey(std::shared_ptr<Environment> environment, quint32 id, HotKeyRef ref)
    : m_environment(std::move(environment))
    , m_id(id)
    , m_ref(ref)
{
}

GlobalHotKey::~GlobalHotKey()
{
    if (m_ref != HotKeyRef{})
        m_environment->registry->unregisterHotKey(m_ref);
    m_environment->actions.erase(m_id);
}

} // namespace lumivast
