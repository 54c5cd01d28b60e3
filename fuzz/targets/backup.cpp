// A settings backup chosen for import.
#include "Core/Settings/Settings.h"
#include "Core/Shell/SettingsTransfer.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/UserDefaults.h"
#include "Platform/VirtualScheduler.h"
#include "fuzz/FuzzSupport.h"

using namespace lumivast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ensureApplication();
    const QByteArray content = fuzz::bytes(data, size);
    const auto bundle = SettingsTransfer::decode(content);
    if (bundle) {
        const QByteArray written = SettingsTransfer::encode(*bundle);
        const auto again = SettingsTransfer::decode(written);
        fuzz::check(again.has_value(), "what is written reads back");
        fuzz::check(SettingsTransfer::encode(*again) == written, "and says the same");
    }
    // Importing: a file that does not decode changes nothing; one that does applies what it can.
    UserDefaults defaults(QStringLiteral("fuzz"));
    UserDefaults::setStandard(&defaults);
    Settings::registerDefaults();
    defaults.set(QStringLiteral("fuzz.marker"), 7);
    {
        VirtualScheduler scheduler;
        SpaceStore store(scheduler, fuzz::freshFolder(QStringLiteral("backup")) + QStringLiteral("/spaces.json"));
        store.setName(QStringLiteral("Kept"), QStringLiteral("S1")); // also a recent name, in the settings
        const QJsonObject before = defaults.storedValues();
        const auto metas = store.metas();
        // Consent given, so the commands are kept and the Spaces compare whole.
        const auto report = SettingsTransfer::importData(content, store, [](const QStringList&) { return true; });
        fuzz::check(report.has_value() == bundle.has_value(), "import decodes as decode does");
        if (!report) {
            fuzz::check(defaults.storedValues() == before, "a failed import leaves the settings");
            fuzz::check(store.metas() == metas, "and the Spaces");
        } else {
            // As the store keeps them: names on one line.
            SpaceStore expected(scheduler, fuzz::freshFolder(QStringLiteral("backup-expected")) + QStringLiteral("/spaces.json"));
            expected.replaceAll(bundle->spaces);
            fuzz::check(store.metas() == expected.metas(), "the Spaces are replaced whole");
        }
    }
    UserDefaults::setStandard(nullptr);
    return 0;
}
