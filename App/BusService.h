#pragma once

#include "Core/Commands/CommandSink.h"
#include "Core/Commands/SpaceQueries.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QVariantMap>

namespace lumivast {

// The program on the user's session bus: scripting commands, three read-only
// properties and the intents. The two adaptors only translate: commands go
// to the sink, questions to the queries.
class BusService final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.lumivast.Lumivast";
    static constexpr const char* kObjectPath = "/org/lumivast/Lumivast";
    static constexpr const char* kScriptingInterface = "org.lumivast.Lumivast.Scripting";
    static constexpr const char* kIntentsInterface = "org.lumivast.Lumivast.Intents";

    BusService(CommandSink& sink, const SpaceQueries& queries, QObject* parent = nullptr);
    ~BusService() override;

    // Exports the object and takes the name. Without a bus, or with the name
    // taken, logs once and returns false; the program runs on without it.
    bool registerOn(QDBusConnection connection);
    void unregister();

    CommandSink& sink() const { return m_sink; }
    const SpaceQueries& queries() const { return m_queries; }

private:
    CommandSink& m_sink;
    const SpaceQueries& m_queries;
    QDBusConnection m_connection;
    bool m_registered = false;
};

class ScriptingAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.lumivast.Lumivast.Scripting")
    Q_PROPERTY(QString CurrentSpaceName READ currentSpaceName)
    Q_PROPERTY(qlonglong CurrentSpaceNumber READ currentSpaceNumber)
    Q_PROPERTY(QString SpaceNames READ spaceNames)
public:
    explicit ScriptingAdaptor(BusService* service);

    QString currentSpaceName() const;
    qlonglong currentSpaceNumber() const;
    QString spaceNames() const;

public Q_SLOTS:
    void Switch(const QDBusVariant& space);
    void Next();
    void Previous();
    void Back();
    void Overview();
    void MoveWindow(const QDBusVariant& space);
    void Rename(const QDBusVariant& space, const QVariantMap& arguments);

private:
    BusService& m_service;
};

class IntentsAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.lumivast.Lumivast.Intents")
public:
    explicit IntentsAdaptor(BusService* service);

public Q_SLOTS:
    void SwitchSpace(const QString& space);
    void LastSpace();
    void MoveWindow(const QString& space);
    void SwitchProfile(const QString& profile);
    QString CurrentSpace();

private:
    BusService& m_service;
};

} // namespace lumivast
