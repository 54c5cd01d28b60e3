#pragma once

#include "Platform/Pasteboard.h"

namespace lumivast {

// The desktop's clipboard through QClipboard. Needs a QGuiApplication; without
// one nothing is copied.
class QtPasteboard final : public Pasteboard {
public:
    void clearContents() override;
    bool setString(const QString& text) override;
    std::optional<QString> string() override;
};

} // namespace lumivast
