// spaces.json: every Space's name, symbol, colour, icon, note and automation.
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceMeta.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "Platform/UserDefaults.h"
#include "Platform/VirtualScheduler.h"
#include "fuzz/FuzzSupport.h"

using namespace lumivast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ensureApplication();
    static UserDefaults defaults(QStringLiteral("fuzz"));
    static const bool ready = [] {
        UserDefaults::setStandard(&defaults);
        Settings::registerDefaults();
        return true;
    }();
    (void)ready;
    const QByteArray content = fuzz::bytes(data, size);
    if (const auto metas = SpaceMetaCoding::fromFileBytes(content)) {
        const QByteArray written = SpaceMetaCoding::toFileBytes(*metas);
        const auto again = SpaceMetaCoding::fromFileBytes(written);
        fuzz::check(again.has_value(), "what is written reads back");
        fuzz::check(SpaceMetaCoding::toFileBytes(*again) == written, "and says the same");
        return 0;
    }
    // Not readable: the store starts empty, and its next save must not destroy the user's file.
    const QString folder = fuzz::freshFolder(QStringLiteral("spaces"));
    const QString path = folder + QStringLiteral("/spaces.json");
    fuzz::check(fuzz::writeFile(path, content), "scratch file");
    {
        VirtualScheduler scheduler;
        SpaceStore store(scheduler, path);
        fuzz::check(store.metas().empty(), "an unreadable file gives no metadata");
        store.setName(QStringLiteral("Fuzz"), QStringLiteral("S1"));
        scheduler.advance(std::chrono::seconds(1));
    }
    fuzz::check(fuzz::keptWhole(folder, content), "the unreadable file is kept whole");
    DataFile::forgetSetAsideFiles();
    return 0;
}
