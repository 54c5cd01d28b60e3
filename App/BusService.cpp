#include "App/BusService.h"

#include "App/ScriptingBridge.h"
#include "Platform/Log.h"

#include <QDBusConnectionInterface>
#include <QMetaType>

namespace lumivast {

namespace {

QString text(const char* s)
{
    return QString::fromLatin1(s);
}

} // namespace

BusService::BusService(QObject* parent)
    : QObject(parent)
    , m_connection(QString())
{
    // Without the type known first, the methods taking a variant are left out of introspection.
    qRegisterMetaType<QDBusVariant>();
    new ScriptingAdaptor(this);
    new IntentsAdaptor(this);
}

BusService::~BusService()
{
    unregister();
}

bool BusService::registerOn(QDBusConnection connection)
{
    if (m_registered)
        return true;
    if (!connection.isConnected()) {
        qCWarning(lcApp) << "no session bus; scripting commands and intents are off:"
                         << connection.lastError().message();
        return false;
    }
    if (!connection.registerObject(text(kObjectPath), this, QDBusConnection::ExportAdaptors)) {
        qCWarning(lcApp) << "could not export the scripting object on the session bus";
        return false;
    }
    if (!connection.registerService(text(kServiceName))) {
        qCWarning(lcApp) << "the session bus name" << kServiceName
                         << "is taken; scripting commands and intents are off:" << connection.lastError().message();
        connection.unregisterObject(text(kObjectPath));
        return false;
    }
    m_connection = connection;
    m_registered = true;
    return true;
}

void BusService::unregister()
{
    if (!m_registered)
        return;
    m_connection.unregisterService(text(kServiceName));
    m_connection.unregisterObject(text(kObjectPath));
    m_registered = false;
}

ScriptingAdaptor::ScriptingAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}

QString ScriptingAdaptor::currentSpaceName() const
{
    return ScriptingBridge::currentName();
}

qlonglong ScriptingAdaptor::currentSpaceNumber() const
{
    return ScriptingBridge::currentNumber();
}

QString ScriptingAdaptor::spaceNames() const
{
    return ScriptingBridge::allNames();
}

void ScriptingAdaptor::Switch(const QDBusVariant& space)
{
    ScriptingBridge::perform(SpaceCommand::switchTo(ScriptingBridge::ref(space.variant())));
}

void ScriptingAdaptor::Next()
{
    ScriptingBridge::perform(SpaceCommand::step(true));
}

void ScriptingAdaptor::Previous()
{
    ScriptingBridge::perform(SpaceCommand::step(false));
}

void ScriptingAdaptor::Back()
{
    ScriptingBridge::perform(SpaceCommand::back());
}

void ScriptingAdaptor::Overview()
{
    ScriptingBridge::perform(SpaceCommand::overview());
}

void ScriptingAdaptor::MoveWindow(const QDBusVariant& space)
{
    ScriptingBridge::perform(SpaceCommand::moveWindow(ScriptingBridge::ref(space.variant())));
}

void ScriptingAdaptor::Rename(const QDBusVariant& space, const QVariantMap& arguments)
{
    std::optional<QString> name;
    const QVariant given = arguments.value(QStringLiteral("name"));
    if (given.metaType().id() == QMetaType::QString)
        name = given.toString();
    // Without a name it asks in a dialog, which answers later: the caller gets its answer now.
    ScriptingBridge::perform(SpaceCommand::rename(ScriptingBridge::ref(space.variant()), name));
}

IntentsAdaptor::IntentsAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}

void IntentsAdaptor::SwitchSpace(const QString& space)
{
    ScriptingBridge::perform(SpaceCommand::switchTo(ScriptingBridge::ref(space)));
}

void IntentsAdaptor::LastSpace()
{
    ScriptingBridge::perform(SpaceCommand::back());
}

void IntentsAdaptor::MoveWindow(const QString& space)
{
    ScriptingBridge::perform(SpaceCommand::moveWindow(ScriptingBridge::ref(space)));
}

void IntentsAdaptor::SwitchProfile(const QString& profile)
{
    ScriptingBridge::perform(SpaceCommand::profile(profile));
}

QString IntentsAdaptor::CurrentSpace()
{
    return ScriptingBridge::currentName();
}

} // namespace lumivast
