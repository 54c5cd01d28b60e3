#pragma once

#include "Platform/PlistValue.h"

#include <QString>

#include <optional>

namespace lumivast {

// Facts about the running system and the user's session.
class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    virtual int operatingSystemMajorVersion() = 0;
    // The human-readable version, as support requests quote it ("Version 15").
    virtual QString operatingSystemVersionString() { return QStringLiteral("Version %1").arg(operatingSystemMajorVersion()); }
    // The login session's dictionary ("CGSSessionScreenIsLocked", ...); null when there is none.
    virtual PlistValue sessionDictionary() = 0;
    // A preference of the global domain (any application, current user, any host); nothing when absent.
    virtual std::optional<PlistValue> globalPreference(const QString& key) = 0;
    // Seconds since the system booted.
    virtual double systemUptime() = 0;
    // The user asked the desktop to reduce motion (animations jump instead of gliding).
    virtual bool reduceMotion() { return false; }
};

} // namespace lumivast
