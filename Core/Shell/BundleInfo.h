#pragma once

#include <QString>

#include <optional>

namespace lumivast {

// What the program says about itself: its version and build number.
struct BundleInfo {
    std::optional<QString> shortVersion; // "0.1.0"
    std::optional<QString> build;        // nothing when the build carries no number

    // This build's own.
    static BundleInfo main();
};

} // namespace lumivast
