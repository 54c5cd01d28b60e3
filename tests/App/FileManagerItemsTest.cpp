#include "tests/support/SimWorldTest.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

// A file manager on the session bus that only records what it was asked to show.
class FakeFileManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;

public slots:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        Q_UNUSED(startupId);
        shown += uris;
    }
};

} // namespace

TEST(FileManagerItemsTest, TheDesktopsFileManagerIsAskedToSelectTheItem)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected()) << "run the tests under dbus-run-session";
    FakeFileManager manager;
    ASSERT_TRUE(bus.registerObject("/org/freedesktop/FileManager1", &manager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService("org.freedesktop.FileManager1"));

    // The platform's own answer, as a desktop without the simulation would give it.
    auto world = SimWorld::defaultWorld();
    world->Workspace::showInFileManager(QStringLiteral("/home/someone/.local/share/Lumivast"));
    QElapsedTimer waited;
    waited.start();
    while (manager.shown.isEmpty() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(manager.shown, QStringList{"file:///home/someone/.local/share/Lumivast"});

    bus.unregisterService("org.freedesktop.FileManager1");
    bus.unregisterObject("/org/freedesktop/FileManager1");
}

#include "FileManagerItemsTest.moc"
