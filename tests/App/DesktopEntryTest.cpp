#include "tests/support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

class DesktopEntryTest : public test::TempHomeTest {
protected:
    int install(const QString& executable)
    {
        QProcess process;
        process.start(QDir(test::fixture(QString())).filePath(QStringLiteral("../../scripts/install-desktop-entry")),
                      {executable});
        process.waitForFinished(30000);
        lastError = process.readAllStandardError().toStdString();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    std::string lastError;
};

TEST_F(DesktopEntryTest, DeclaresTheUrlSchemeForTheGivenExecutable)
{
    const QString executable = QCoreApplication::applicationFilePath();
    ASSERT_EQ(install(executable), 0) << lastError;
    QFile entry(home.path(QStringLiteral("data/applications/lumivast.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
    // Plain, as every opener reads it; a path with a space is quoted.
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=%1 %u").arg(executable))) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("MimeType=x-scheme-handler/lumivast;")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Type=Application")));

    EXPECT_NE(install(home.path(QStringLiteral("not-built"))), 0);
}

TEST_F(DesktopEntryTest, TheDesktopsOwnOpenerReachesTheRunningProgram)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run the tests under dbus-run-session";
    // The user's other associations stay as they were.
    QDir().mkpath(home.path(QStringLiteral("config")));
    QFile list(home.path(QStringLiteral("config/mimeapps.list")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Default Applications]\ntext/html=browser.desktop\n\n[Added Associations]\ntext/plain=editor.desktop\n");
    list.close();

    const QString lumivast = QCoreApplication::applicationDirPath() + QStringLiteral("/../App/lumivast");
    ASSERT_EQ(install(lumivast), 0) << lastError;
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(list.readAll());
    list.close();
    // In the [Default Applications] group, wherever in it xdg-mime or the script's own writer puts it.
    const qsizetype group = written.indexOf(QStringLiteral("[Default Applications]\n"));
    const qsizetype line = written.indexOf(QStringLiteral("\nx-scheme-handler/lumivast=lumivast.desktop\n"));
    const qsizetype next = written.indexOf(QStringLiteral("\n["), group + 1);
    EXPECT_TRUE(group >= 0 && line > group && (next < 0 || line < next)) << written.toStdString();
    EXPECT_TRUE(written.contains(QStringLiteral("text/html=browser.desktop\n")));
    EXPECT_TRUE(written.contains(QStringLiteral("[Added Associations]\ntext/plain=editor.desktop\n")));
    QFile service(home.path(QStringLiteral("data/dbus-1/services/org.lumivast.Lumivast.service")));
    ASSERT_TRUE(service.open(QIODevice::ReadOnly));
    EXPECT_TRUE(service.readAll().contains("Exec=\"" + QFileInfo(lumivast).canonicalFilePath().toUtf8() + "\"\n"));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LUMIVAST_PLATFORM"), QStringLiteral("sim"));
    environment.insert(QStringLiteral("LUMIVAST_WORLD"), test::fixture(QStringLiteral("worlds/three-spaces.json")));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(lumivast, {});
    ASSERT_TRUE(program.waitForStarted(10000));
    EXPECT_TRUE(QTest::qWaitFor(
        [] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.lumivast.Lumivast")).value(); },
        20000));

    const auto currentSpace = [&] {
        QProcess query;
        query.setProcessEnvironment(environment);
        query.start(lumivast, {QStringLiteral("current-space")});
        query.waitForFinished(30000);
        return QString::fromUtf8(query.readAllStandardOutput());
    };
    const auto open = [&](const QString& tool, const QStringList& arguments, const QString& expected) {
        QProcess opener;
        opener.setProcessEnvironment(environment);
        opener.start(tool, arguments);
        ASSERT_TRUE(opener.waitForFinished(30000));
        EXPECT_EQ(opener.exitCode(), 0) << tool.toStdString() << opener.readAllStandardError().toStdString();
        QString answer;
        (void)QTest::qWaitFor([&] { return (answer = currentSpace()) == expected; }, 10000);
        EXPECT_EQ(answer, expected) << tool.toStdString();
    };
    open(QStringLiteral("gio"), {QStringLiteral("open"), QStringLiteral("lumivast://switch/3")}, QStringLiteral("Desktop 3\n"));
    // The opener the README names; scripts/bootstrap installs it.
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) << "xdg-open is missing (Debian package xdg-utils)";
    // xdg-open hands a URL to its scheme's handler only in a graphical session; the program it starts stays offscreen.
    if (!environment.contains(QStringLiteral("DISPLAY")) && !environment.contains(QStringLiteral("WAYLAND_DISPLAY")))
        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":65535"));
    open(QStringLiteral("xdg-open"), {QStringLiteral("lumivast://switch/2")}, QStringLiteral("Desktop 2\n"));

    program.terminate();
    EXPECT_TRUE(program.waitForFinished(10000));
}

} // namespace
