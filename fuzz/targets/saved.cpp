// saved-spaces.json: closed Spaces and the windows to open again.
#include "Core/Windows/SavedSpaces.h"
#include "fuzz/FuzzSupport.h"

using namespace lumivast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto records = SavedSpaces::decode(fuzz::bytes(data, size));
    if (!records)
        return 0;
    const QByteArray written = SavedSpaces::encode(*records);
    const auto again = SavedSpaces::decode(written);
    fuzz::check(again.has_value(), "what is written reads back");
    fuzz::check(SavedSpaces::encode(*again) == written, "and says the same");
    return 0;
}
