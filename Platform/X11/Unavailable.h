#pragma once

// Services this backend does not offer (yet): each answers as the interface
// documents for a system that refuses or lacks it.

#include "Platform/Platform.h"

namespace lumivast::x11 {

// Scripting other applications has no X11 counterpart: saved Spaces keep no browser tabs.
class NoScripts final : public ScriptRunner {
public:
    std::optional<ScriptValue> run(const QString&) override { return std::nullopt; }
};

class NoMouse final : public Mouse {
public:
    std::optional<MonitorToken> addGlobalMonitor(std::uint64_t, GlobalHandler) override { return std::nullopt; }
    std::optional<MonitorToken> addLocalMonitor(std::uint64_t, LocalHandler) override { return std::nullopt; }
    void removeMonitor(MonitorToken) override {}
    std::uint32_t pressedMouseButtons() override { return 0; }
    std::optional<QPointF> eventLocation() override { return std::nullopt; }
};

class NoCapture final : public ScreenCapture {
public:
    explicit NoCapture(Scheduler& scheduler) : m_scheduler(scheduler) {}
    void shareableContent(bool, bool, Answer<ShareableContent> answer) override
    {
        m_scheduler.post([answer] { answer(std::unexpected(QStringLiteral("Screen capture is not available."))); });
    }
    void captureImage(const StillImageRequest&, Answer<QImage> answer) override
    {
        m_scheduler.post([answer] { answer(std::unexpected(QStringLiteral("Screen capture is not available."))); });
    }

private:
    Scheduler& m_scheduler;
};

} // namespace lumivast::x11
