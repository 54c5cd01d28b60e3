#pragma once

#include "Platform/Pasteboard.h"
#include "Platform/Updates.h"

#include <QStringList>

namespace lumivast {

// The simulated pasteboard: holds the text and records every write for tests.
class SimPasteboard final : public Pasteboard {
public:
    void clearContents() override
    {
        ++clears;
        text.reset();
    }
    bool setString(const QString& value) override
    {
        text = value;
        written.append(value);
        return true;
    }
    std::optional<QString> string() override { return text; }

    std::optional<QString> text;
    QStringList written;
    int clears = 0;
};

// The simulated update service: records what was asked of it and shows nothing.
class SimUpdates final : public UpdateService {
public:
    void start() override { ++starts; }
    std::optional<QString> checkForUpdates() override
    {
        ++checkRequests;
        return std::nullopt;
    }

    int starts = 0;
    int checkRequests = 0;
};

} // namespace lumivast
