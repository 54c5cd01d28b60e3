#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceMeta.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "Platform/VirtualScheduler.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <sys/resource.h>

using namespace lumivast;

namespace {

// A disk with room for `bytes` more per file: writes past it fail with EFBIG
// (the signal that would otherwise end the process is ignored meanwhile), as
// they fail with ENOSPC on a full disk.
class DiskLimit {
public:
    explicit DiskLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~DiskLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_signal);
    }

private:
    rlimit m_before{};
    void (*m_signal)(int) = nullptr;
};

struct Messages {
    Messages() { previous = qInstallMessageHandler(&Messages::record); }
    ~Messages() { qInstallMessageHandler(previous); }
    static void record(QtMsgType, const QMessageLogContext&, const QString& text) { lines() << text; }
    static QStringList& lines()
    {
        static QStringList all;
        return all;
    }
    QtMessageHandler previous;
};

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FullDiskTest : public test::TempHomeTest {
protected:
    // Everything in the file's folder apart from the file itself: a left-over temporary file would show here.
    QStringList strays(const QString& path) const
    {
        QStringList names = QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(QFileInfo(path).fileName());
        return names;
    }
};

} // namespace

TEST_F(FullDiskTest, AWriteThatDoesNotFitFailsAndLeavesTheOldFileWhole)
{
    const QString path = home.path(QStringLiteral("data/example.json"));
    const QByteArray old = QByteArrayLiteral(R"({"kept": true})");
    ASSERT_TRUE(DataFile::write(path, old));
    const QByteArray big(64 * 1024, 'x');
    for (const bool restricted : {false, true}) {
        Messages::lines().clear();
        Messages messages;
        bool written = true;
        {
            DiskLimit limit(4096);
            written = restricted ? DataFile::write(path, big, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
                                 : DataFile::write(path, big);
        }
        EXPECT_FALSE(written) << restricted;
        EXPECT_EQ(contentOf(path), old) << restricted;
        EXPECT_TRUE(strays(path).isEmpty()) << strays(path).join(' ').toStdString();
        EXPECT_TRUE(Messages::lines().join('\n').contains(QLatin1String("cannot write"))) << restricted;
    }
}

TEST_F(FullDiskTest, AStoreWhoseSaveFailsKeepsTheLastGoodFileAndSavesOnceThereIsRoom)
{
    Settings::registerDefaults();
    const QString path = AppPaths::file(QStringLiteral("spaces.json"));
    VirtualScheduler scheduler;
    {
        SpaceStore store(scheduler, path);
        store.setName(QStringLiteral("Mail"), QStringLiteral("S1"));
        scheduler.advance(SpaceStore::saveDelay);
    }
    const QByteArray good = contentOf(path);
    ASSERT_TRUE(good.contains("Mail"));

    SpaceStore store(scheduler, path);
    Messages::lines().clear();
    Messages messages;
    {
        DiskLimit limit(good.size() + 16);
        store.setNote(QString(32 * 1024, QLatin1Char('n')), QStringLiteral("S2"));
        scheduler.advance(SpaceStore::saveDelay);
    }
    EXPECT_EQ(contentOf(path), good);
    EXPECT_TRUE(strays(path).isEmpty()) << strays(path).join(' ').toStdString();
    EXPECT_TRUE(Messages::lines().join('\n').contains(QLatin1String("cannot write")));
    ASSERT_TRUE(SpaceMetaCoding::fromFileBytes(contentOf(path)));

    // With room again, the next change saves everything.
    store.setName(QStringLiteral("Post"), QStringLiteral("S3"));
    scheduler.advance(SpaceStore::saveDelay);
    const auto saved = SpaceMetaCoding::fromFileBytes(contentOf(path));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->at(QStringLiteral("S2")).note->size(), 32 * 1024);
    EXPECT_EQ(saved->at(QStringLiteral("S3")).name, "Post");
}
