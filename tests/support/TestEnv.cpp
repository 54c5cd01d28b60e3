#include "tests/support/TestEnv.h"

#include "Platform/DataFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

#include <unistd.h>

namespace lumivast::test {

TempHome::TempHome()
{
    const QString root = m_dir.path();
    qputenv("HOME", root.toUtf8());
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (root + QStringLiteral("/cache")).toUtf8());
    QStandardPaths::setTestModeEnabled(false);
    UserDefaults::resetDomains();
    DataFile::forgetSetAsideFiles();
    m_defaults = std::make_unique<UserDefaults>(QStringLiteral("Lumivast"),
                                                UserDefaults::configFolder() + QStringLiteral("/defaults.json"));
    UserDefaults::setStandard(m_defaults.get());
}

TempHome::~TempHome()
{
    UserDefaults::setStandard(nullptr);
    UserDefaults::resetDomains();
}

QString TempHome::path(const QString& relative) const
{
    return relative.isEmpty() ? m_dir.path() : m_dir.path() + QLatin1Char('/') + relative;
}

std::unique_ptr<UserDefaults> TempHome::reopenDefaults() const
{
    return std::make_unique<UserDefaults>(m_defaults->domain(), m_defaults->filePath());
}

namespace {

constexpr const char* kSmallDiskVariable = "LUMIVAST_TEST_SMALL_DISK";

// Runs `command` in a private mount namespace with a tmpfs of `size` mounted at `folder`.
std::unique_ptr<QProcess> mountedRun(const QString& folder, const QString& size, const QStringList& command,
                                     const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::MergedChannels);
    const QStringList arguments{QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                                QStringLiteral("sh"), QStringLiteral("-c"),
                                QStringLiteral("mount -t tmpfs -o size=%1,mode=0700 lumivast-test \"$0\" && exec \"$@\"").arg(size),
                                folder};
    process->start(QStringLiteral("unshare"), arguments + command);
    return process;
}

} // namespace

SmallDisk onSmallDisk(QString* why)
{
    if (qEnvironmentVariableIsSet(kSmallDiskVariable))
        return SmallDisk::child;
    if (::geteuid() != 0) {
        *why = QStringLiteral("mounting needs root");
        return SmallDisk::unavailable;
    }
    QTemporaryDir folder;
    const auto probe = mountedRun(folder.path(), QStringLiteral("64k"), {QStringLiteral("true")});
    if (!probe->waitForFinished(10000) || probe->exitStatus() != QProcess::NormalExit || probe->exitCode() != 0) {
        *why = (QString::fromLocal8Bit(probe->readAll()).trimmed() + QLatin1Char(' ') + probe->errorString()).trimmed();
        return SmallDisk::unavailable;
    }
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kSmallDiskVariable), QStringLiteral("1"));
    environment.insert(QStringLiteral("TMPDIR"), folder.path());
    const QString filter = QStringLiteral("--gtest_filter=%1.%2").arg(QString::fromLatin1(test->test_suite_name()),
                                                                        QString::fromLatin1(test->name()));
    const auto child = mountedRun(folder.path(), QStringLiteral("1m"), {QCoreApplication::applicationFilePath(), filter}, environment);
    const bool finished = child->waitForFinished(120000);
    const QString output = QString::fromLocal8Bit(child->readAll());
    EXPECT_TRUE(finished && child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0
                && output.contains(QLatin1String("[  PASSED  ] 1 test")))
        << "on the small disk:\n" << output.toStdString();
    return SmallDisk::parent;
}

void fillDisk(const QString& folder)
{
    QFile filler(folder + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray chunk(4096, 'f');
    while (filler.write(chunk) == chunk.size()) {
    }
    while (filler.write("f", 1) == 1) {
    }
}

QString fixture(const QString& name)
{
    return QStringLiteral(LUMIVAST_FIXTURES) + QLatin1Char('/') + name;
}

} // namespace lumivast::test
