// The delegate's side of the ways in from outside the program: the scripting
// hooks behind the session bus, and the local HTTP API.

#include "App/AppDelegate.h"

#include "App/ScriptingBridge.h"

#include <QPointer>

namespace lumivast {

void AppDelegate::wireScripting()
{
    QPointer<AppDelegate> self(this);
    ScriptingBridge::Hooks& hooks = ScriptingBridge::hooks();
    hooks.handler = [self](const SpaceCommand& command) {
        if (self)
            self->perform(command);
    };
    hooks.currentName = [self]() -> QString {
        if (!self)
            return {};
        const Space* current = self->m_watcher.snapshot().currentSpace();
        return current ? self->m_store.displayName(*current) : QString();
    };
    hooks.currentNumber = [self]() -> qint64 {
        if (!self)
            return 0;
        const Space* current = self->m_watcher.snapshot().currentSpace();
        return current ? current->desktopNumber.value_or(0) : 0;
    };
    hooks.allNames = [self]() -> QString {
        if (!self)
            return {};
        QStringList names;
        for (const Space& space : self->m_watcher.snapshot().allSpaces())
            names.append(self->m_store.displayName(space));
        return names.join(QLatin1Char('\n'));
    };
}

void AppDelegate::wireLocalAPI()
{
    QPointer<AppDelegate> self(this);
    m_localAPI.onCommand = [self](const SpaceCommand& command) {
        if (self)
            self->perform(command);
    };
    m_localAPI.refresh();
}

} // namespace lumivast
