#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QVariantMap>

namespace lumivast {

// The program on the user's session bus: scripting commands, three read-only
// properties and the intents, each handed to the scripting hooks. The two
// adaptors only translate; what a command does and answers is the hooks'.
class BusService final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.lumivast.Lumivast";
    static constexpr const char* kObjectPath = "/org/lumivast/Lumivast";
    static constexpr const char* kScriptingInterface = "org.lumivast.Lumivast.Scripting";
    static constexpr const char* kIntentsInterface = "org.lumivast.Lumivast.Intents";

    explicit BusService(QObject* parent = nullptr);
    ~BusService() override;

    // Exports the object and takes the name. Without a bus, or with the name
    // taken, logs once and returns false; the program runs on without it.
    bool registerOn(QDBusConnection connection);
    void unregister();

private:
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
    explicit ScriptingAdaptor(QObject* parent);

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
};

class IntentsAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.lumivast.Lumivast.Intents")
public:
    explicit IntentsAdaptor(QObject* parent);

public Q_SLOTS:
    void SwitchSpace(const QString& space);
    void LastSpace();
    void MoveWindow(const QString& space);
    void SwitchProfile(const QString& profile);
    QString CurrentSpace();
};

} // namespace lumivast
