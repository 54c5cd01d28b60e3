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

BusService::BusService(CommandSink& sink, const SpaceQueries& queries, QObject* parent)
    : QObject(parent)
    , m_sink(sink)
    , m_queries(queries)
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

ScriptingAdaptor::ScriptingAdaptor(BusService* service) : QDBusAbstractAdaptor(service), m_service(*service) {}

QString ScriptingAdaptor::currentSpaceName() const
{
    return m_service.queries().currentName();
}

qlonglong ScriptingAdaptor::currentSpaceNumber() const
{
    return m_service.queries().currentNumber();
}

QString ScriptingAdaptor::spaceNames() const
{
    return m_service.queries().allNames();
}

void ScriptingAdaptor::Switch(const QDBusVariant& space)
{
    m_service.sink().perform(SpaceCommand::switchTo(ScriptingBridge::ref(space.variant())));
}

void ScriptingAdaptor::Next()
{
    m_service.sink().perform(SpaceCommand::step(true));
}

void ScriptingAdaptor::Previous()
{
    m_service.sink().perform(SpaceCommand::step(false));
}

void ScriptingAdaptor::Back()
{
    m_service.sink().perform(SpaceCommand::back());
}

void ScriptingAdaptor::Overview()
{
    m_service.sink().perform(SpaceCommand::overview());
}

void ScriptingAdaptor::MoveWindow(const QDBusVariant& space)
{
    m_service.sink().perform(SpaceCommand::moveWindow(ScriptingBridge::ref(space.variant())));
}

void ScriptingAdaptor::Rename(const QDBusVariant& space, const QVariantMap& arguments)
{
    std::optional<QString> name;
    const QVariant given = arguments.value(QStringLiteral("name"));
    if (given.metaType().id() == QMetaType::QString)
        name = given.toString();
    // Without a name it asks in a dialog, which answers later: the caller gets its answer now.
    m_service.sink().perform(SpaceCommand::rename(ScriptingBridge::ref(space.variant()), name));
}

IntentsAdaptor::IntentsAdaptor(BusService* service) : QDBusAbstractAdaptor(service), m_service(*service) {}

void IntentsAdaptor::SwitchSpace(const QString& space)
{
    m_service.sink().perform(SpaceCommand::switchTo(ScriptingBridge::ref(space)));
}

void IntentsAdaptor::LastSpace()
{
    m_service.sink().perform(SpaceCommand::back());
}

void IntentsAdaptor::MoveWindow(const QString& space)
{
    m_service.sink().perform(SpaceCommand::moveWindow(ScriptingBridge::ref(space)));
}

void IntentsAdaptor::SwitchProfile(const QString& profile)
{
    m_service.sink().perform(SpaceCommand::profile(profile));
}

QString IntentsAdaptor::CurrentSpace()
{
    return m_service.queries().currentName();
}

} // namespace lumivast
