// Layouts/<name>.json: window frames saved per Space.
#include "Core/Windows/LayoutManager.h"
#include "fuzz/FuzzSupport.h"

using namespace lumivast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto layout = WindowLayout::decode(fuzz::bytes(data, size));
    if (!layout)
        return 0;
    const QByteArray written = layout->encoded();
    const auto again = WindowLayout::decode(written);
    fuzz::check(again.has_value(), "what is written reads back");
    fuzz::check(again->encoded() == written, "and says the same");
    return 0;
}
