// stats.json: seconds spent per day and Space.
#include "Core/Time/TimeTracker.h"
#include "fuzz/FuzzSupport.h"

using namespace lumivast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto record = TimeTracker::decode(fuzz::bytes(data, size));
    if (!record)
        return 0;
    const QByteArray written = TimeTracker::encode(*record);
    const auto again = TimeTracker::decode(written);
    fuzz::check(again.has_value(), "what is written reads back");
    fuzz::check(TimeTracker::encode(*again) == written, "and says the same");
    return 0;
}
