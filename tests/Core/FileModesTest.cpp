#include "Core/Notes/NoteFiles.h"
#include "Core/Settings/Settings.h"
#include "Core/Shell/SettingsTransfer.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Time/TimeTracker.h"
#include "Core/Windows/LayoutManager.h"
#include "Platform/DataFile.h"
#include "tests/support/SimWorldTest.h"

#include <QDirIterator>
#include <QFileInfo>

#include <sys/stat.h>

using namespace lumivast;

namespace {

class FileModesTest : public test::SimWorldTest, public ::testing::WithParamInterface<mode_t> {
protected:
    static mode_t modeOf(const QString& path)
    {
        struct stat info {};
        EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
        return info.st_mode & 07777;
    }
};

// Sets the umask for one scope.
class Umask {
public:
    explicit Umask(mode_t mask) : m_previous(::umask(mask)) {}
    ~Umask() { ::umask(m_previous); }

private:
    mode_t m_previous;
};

} // namespace

TEST_P(FileModesTest, TheProgramsFoldersAndFilesAreTheUsersAloneWhateverTheUmask)
{
    const Umask umask(GetParam());
    Settings::registerDefaults();
    Settings::defaults().set(Settings::Key::activeProfile, QStringLiteral("Work"));
    SpaceStore store(scheduler, AppPaths::file(QStringLiteral("spaces.json")));
    store.setName(QStringLiteral("Mail"), QStringLiteral("S1"));
    ASSERT_TRUE(store.saveNow());
    ASSERT_TRUE(DataFile::write(AppPaths::thumbnailsDirectory() + QStringLiteral("/S1.jpg"), "picture"));
    ASSERT_TRUE(DataFile::write(LayoutManager::folder() + QStringLiteral("/Desk--Main.json"), "{}"));
    const Space space = *SpaceProvider::snapshot(scheduler)->currentSpace();
    const QString note = NoteFiles::open(space, store);
    ASSERT_TRUE(QFileInfo::exists(note));
    // What the user exports to a place of their choosing keeps the umask's mode.
    const QString backup = home.path(QStringLiteral("Exports/Lumivast Settings.json"));
    ASSERT_TRUE(QDir().mkpath(home.path(QStringLiteral("Exports"))));
    ASSERT_TRUE(SettingsTransfer::exportTo(backup, store, scheduler));
    TimeTracker tracker(scheduler, AppPaths::file(QStringLiteral("stats.json")));
    const QString csv = home.path(QStringLiteral("Exports/Lumivast time.csv"));
    ASSERT_TRUE(tracker.exportCSV(csv, {}));

    int files = 0;
    for (QDirIterator it(home.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (path.startsWith(home.path(QStringLiteral("Exports"))))
            continue;
        if (QFileInfo(path).isDir()) {
            EXPECT_EQ(modeOf(path), 0700u) << path.toStdString();
        } else {
            EXPECT_EQ(modeOf(path), 0600u) << path.toStdString();
            ++files;
        }
    }
    EXPECT_GE(files, 5);
    for (const QString& exported : {backup, csv})
        EXPECT_EQ(modeOf(exported), 0666u & ~GetParam()) << exported.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Umasks, FileModesTest, ::testing::Values(mode_t(0), mode_t(022), mode_t(077)));
