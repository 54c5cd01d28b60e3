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

} // namespace lumivast::test
