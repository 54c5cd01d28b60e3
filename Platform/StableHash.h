#pragma once

#include <QString>

#include <cstdint>

namespace lumivast {

// A 64-bit hash of a text that never changes between runs or machines
// (FNV-1a over its UTF-8 bytes), for names kept on disk and colours derived from ids.
inline std::uint64_t stableHash(const QString& text)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char byte : text.toUtf8()) {
        hash ^= std::uint8_t(byte);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

} // namespace lumivast
