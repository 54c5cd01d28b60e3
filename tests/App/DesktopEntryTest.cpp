#include "tests/support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

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
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
};

TEST_F(DesktopEntryTest, DeclaresTheUrlSchemeForTheGivenExecutable)
{
    const QString executable = QCoreApplication::applicationFilePath();
    ASSERT_EQ(install(executable), 0);
    QFile entry(home.path(QStringLiteral("data/applications/lumivast.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=\"%1\" %u").arg(executable)));
    EXPECT_TRUE(lines.contains(QStringLiteral("MimeType=x-scheme-handler/lumivast;")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Type=Application")));

    EXPECT_NE(install(home.path(QStringLiteral("not-built"))), 0);
}

} // namespace
