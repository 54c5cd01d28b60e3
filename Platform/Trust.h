#pragma once

namespace lumivast {

// The privacy permissions the system grants per application.
class Trust {
public:
    virtual ~Trust() = default;
    // With `prompt`, the system asks the user when the app is not trusted yet.
    virtual bool isAccessibilityTrusted(bool prompt) = 0;
    virtual bool preflightScreenCaptureAccess() = 0;
    virtual bool requestScreenCaptureAccess() = 0;
};

} // namespace lumivast
