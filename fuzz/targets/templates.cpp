// templates.json: imported presets for a row of desktops.
#include "Core/Profiles/SpaceTemplate.h"
#include "Platform/DataFile.h"
#include "fuzz/FuzzSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace lumivast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ensureApplication();
    const QByteArray content = fuzz::bytes(data, size);
    const QJsonDocument document = QJsonDocument::fromJson(content);
    for (const QJsonValue& value : document.array()) {
        const auto decoded = SpaceTemplate::decode(value);
        if (!decoded)
            continue;
        const QJsonObject written = SpaceTemplate::encode(*decoded);
        const auto again = SpaceTemplate::decode(written);
        fuzz::check(again.has_value(), "what is written reads back");
        fuzz::check(SpaceTemplate::encode(*again) == written, "and says the same");
    }
    // Reading the file never rewrites it: it is there as it was, or set aside whole.
    const QString folder = fuzz::freshFolder(QStringLiteral("templates"));
    const QString path = folder + QStringLiteral("/templates.json");
    fuzz::check(fuzz::writeFile(path, content), "scratch file");
    (void)SpaceTemplate::imported(path);
    fuzz::check(fuzz::keptWhole(folder, content), "the file is kept whole");
    DataFile::forgetSetAsideFiles();
    return 0;
}
