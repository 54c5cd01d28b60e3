#include "Core/Profiles/ProfileStore.h"
#include "Core/Settings/Settings.h"
#include "Core/Shell/SettingsTransfer.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceMeta.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Time/TimeTracker.h"
#include "Platform/DataFile.h"
#include "Platform/VirtualScheduler.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
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
            written = DataFile::write(path, big, restricted ? DataFile::Access::Private : DataFile::Access::Exported);
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

TEST_F(FullDiskTest, OnAFullDiskEveryOldFileStaysWholeAndEveryFailureSaysWhy)
{
    LUMIVAST_ON_SMALL_DISK();
    Settings::registerDefaults();
    VirtualScheduler scheduler;
    SpaceStore store(scheduler, AppPaths::file(QStringLiteral("spaces.json")));
    ProfileStore profiles(store, scheduler, AppPaths::file(QStringLiteral("profiles.json")));
    TimeTracker tracker(scheduler, AppPaths::file(QStringLiteral("stats.json")));
    std::vector<QString> reasons;
    store.onSaveFailed = [&](const QString& reason) { reasons.push_back(reason); };

    // Everything written once while there is room.
    store.setName(QStringLiteral("Code"), QStringLiteral("A"));
    ASSERT_TRUE(profiles.saveCurrent(QStringLiteral("Beta")));
    store.setName(QStringLiteral("Mail"), QStringLiteral("A"));
    ASSERT_TRUE(profiles.saveCurrent(QStringLiteral("Alpha")));
    ASSERT_TRUE(store.saveNow());
    tracker.track(QStringLiteral("A"));
    scheduler.advance(std::chrono::minutes(2));
    tracker.saveNow();
    const QString backup = home.path(QStringLiteral("Lumivast Settings.json"));
    const QString csv = home.path(QStringLiteral("Lumivast time.csv"));
    ASSERT_TRUE(SettingsTransfer::exportTo(backup, store, scheduler));
    ASSERT_TRUE(tracker.exportCSV(csv, {}));

    std::map<QString, QByteArray> before;
    for (QDirIterator it(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        before[path] = contentOf(path);
    }
    ASSERT_GE(before.size(), 6u);
    test::fillDisk(home.path());
    const QString filler = home.path(QStringLiteral("filler"));
    const QString full = QString::fromLocal8Bit(::strerror(ENOSPC));

    // A rename: the names stay in memory, the file as it was, and the reason goes out.
    store.setName(QStringLiteral("Post"), QStringLiteral("A"));
    scheduler.advance(SpaceStore::saveDelay);
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_EQ(reasons.front(), full);
    // A profile switch: nothing changes, the active profile included.
    const auto switched = profiles.activate(QStringLiteral("Beta"));
    ASSERT_FALSE(switched);
    EXPECT_EQ(switched.error(), ProfileStore::Failure::notWritten);
    EXPECT_EQ(Settings::defaults().string(Settings::Key::activeProfile), QStringLiteral("Alpha"));
    EXPECT_EQ(store.meta(QStringLiteral("A")).name, QStringLiteral("Post"));
    // Both exports, over the earlier ones.
    const auto exported = SettingsTransfer::exportTo(backup, store, scheduler);
    ASSERT_FALSE(exported);
    EXPECT_EQ(exported.error(), full);
    const auto csvExported = tracker.exportCSV(csv, {});
    ASSERT_FALSE(csvExported);
    EXPECT_EQ(csvExported.error(), full);
    // Time and a small file of each kind.
    scheduler.advance(std::chrono::minutes(2));
    tracker.saveNow();
    EXPECT_FALSE(DataFile::write(AppPaths::file(QStringLiteral("state.json")), "{}"));

    for (const auto& [path, bytes] : before)
        EXPECT_EQ(contentOf(path), bytes) << path.toStdString();
    for (QDirIterator it(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        EXPECT_TRUE(before.contains(path) || path == filler) << "left behind: " << path.toStdString();
    }

    // With room again, the next save takes everything.
    ASSERT_TRUE(QFile::remove(filler));
    store.setName(QStringLiteral("Desk"), QStringLiteral("B"));
    scheduler.advance(SpaceStore::saveDelay);
    const auto saved = SpaceMetaCoding::fromFileBytes(contentOf(AppPaths::file(QStringLiteral("spaces.json"))));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->at(QStringLiteral("A")).name, QStringLiteral("Post"));
    EXPECT_EQ(saved->at(QStringLiteral("B")).name, QStringLiteral("Desk"));
}
