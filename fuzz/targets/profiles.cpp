// profiles.json: saved sets of names, symbols and colours.
#include "Core/Profiles/ProfileStore.h"
#include "fuzz/FuzzSupport.h"

using namespace lumivast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto profiles = ProfileStore::decode(fuzz::bytes(data, size));
    if (!profiles)
        return 0;
    const QByteArray written = ProfileStore::encode(*profiles);
    const auto again = ProfileStore::decode(written);
    fuzz::check(again.has_value(), "what is written reads back");
    fuzz::check(ProfileStore::encode(*again) == written, "and says the same");
    return 0;
}
