#pragma once

#include "Platform/UserDefaults.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace lumivast::test {

// Points HOME and the XDG folders at a fresh temporary folder and installs a
// fresh, file-backed standard defaults store, so no test sees another's files.
class TempHome {
public:
    TempHome();
    ~TempHome();

    QString path(const QString& relative = {}) const;
    UserDefaults& defaults() { return *m_defaults; }
    // A new store on the same file, as the next launch would see it.
    std::unique_ptr<UserDefaults> reopenDefaults() const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
};

class TempHomeTest : public ::testing::Test {
protected:
    TempHome home;
};

QString fixture(const QString& name);

// A real full disk: the current test runs again in a child process whose
// temporary folder (and so its TempHome) is a small tmpfs, mounted in a
// private mount namespace that nothing outside sees. Needs root, as CI has.
//   child: the test body runs here, on the small disk
//   parent: the child ran; its outcome is this test's (a failure is reported here)
//   unavailable: no such disk can be made here; `why` says why
enum class SmallDisk { child, parent, unavailable };
SmallDisk onSmallDisk(QString* why);
// Fills the disk that holds `folder` until not one more byte fits.
void fillDisk(const QString& folder);

// In a test: runs the rest of the body on a small disk, or ends the test.
#define LUMIVAST_ON_SMALL_DISK()                                                        \
    do {                                                                                \
        QString smallDiskWhy;                                                           \
        const auto smallDisk = ::lumivast::test::onSmallDisk(&smallDiskWhy);            \
        if (smallDisk == ::lumivast::test::SmallDisk::unavailable)                      \
            GTEST_SKIP() << "no small disk can be mounted: " << smallDiskWhy.toStdString(); \
        if (smallDisk == ::lumivast::test::SmallDisk::parent)                           \
            return;                                                                     \
    } while (false)

} // namespace lumivast::test
