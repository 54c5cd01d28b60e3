#include "Core/Shell/BundleInfo.h"

namespace lumivast {

BundleInfo BundleInfo::main()
{
    BundleInfo info;
#ifdef LUMIVAST_BUNDLE_VERSION
    info.shortVersion = QStringLiteral(LUMIVAST_BUNDLE_VERSION);
#endif
#ifdef LUMIVAST_BUNDLE_BUILD
    info.build = QStringLiteral(LUMIVAST_BUNDLE_BUILD);
#endif
    return info;
}

} // namespace lumivast
