// The settings file (defaults.json), which a user may edit by hand.
#include "Platform/DataFile.h"
#include "Platform/UserDefaults.h"
#include "fuzz/FuzzSupport.h"

#include <QJsonDocument>

using namespace lumivast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ensureApplication();
    const QByteArray content = fuzz::bytes(data, size);
    const QString folder = fuzz::freshFolder(QStringLiteral("defaults"));
    const QString path = folder + QStringLiteral("/defaults.json");
    fuzz::check(fuzz::writeFile(path, content), "scratch file");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(content, &error);
    const bool readable = error.error == QJsonParseError::NoError && document.isObject();
    {
        UserDefaults defaults(QStringLiteral("fuzz"), path);
        if (readable)
            fuzz::check(defaults.storedValues() == document.object(), "every stored value is read");
        else
            fuzz::check(defaults.storedValues().isEmpty(), "an unreadable file gives nothing");
        defaults.set(QStringLiteral("fuzz.written"), true); // saves at once
        QJsonObject expected = readable ? document.object() : QJsonObject();
        expected.insert(QStringLiteral("fuzz.written"), true);
        const QJsonDocument saved = QJsonDocument::fromJson(fuzz::readFile(path));
        fuzz::check(saved.object() == expected, "a save keeps what was there");
    }
    if (!readable)
        fuzz::check(fuzz::keptWhole(folder, content), "the unreadable file is kept whole");
    DataFile::forgetSetAsideFiles();
    return 0;
}
