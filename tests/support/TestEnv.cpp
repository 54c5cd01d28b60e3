#include "tests/support/TestEnv.h"

#include "Platform/DataFile.h"

#include <QDir>
#include <QStandardPaths>

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

QString fixture(const QString& name)
{
    return QStringLiteral(LUMIVAST_FIXTURES) + QLatin1Char('/') + name;
}

} // namespace lumivast::test
