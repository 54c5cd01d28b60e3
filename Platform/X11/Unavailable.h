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

class NoEvents final : public EventPoster {
public:
    std::optional<InputEvent> createEvent() override { return std::nullopt; }
    std::optional<InputEvent> createKeyboardEvent(quint16, bool) override { return std::nullopt; }
    std::optional<InputEvent> createMouseEvent(MouseEventType, const QPointF&) override { return std::nullopt; }
    void post(EventTap, const InputEvent&) override {}
    void postToProcess(std::int32_t, const InputEvent&) override {}
    std::optional<QByteArray> eventData(const InputEvent&) override { return std::nullopt; }
    std::optional<InputEvent> eventFromData(const QByteArray&) override { return std::nullopt; }
    bool warpPointer(const QPointF&) override { return false; }
    quint32 pressedMouseButtons() override { return 0; }
    quint64 hostTime() override { return 0; }
};

class NoHotKeys final : public HotKeyRegistry {
public:
    bool installHandler(Handler) override { return false; }
    std::expected<HotKeyRef, HotKeyError> registerHotKey(quint32, quint32, HotKeyID) override
    {
        return std::unexpected(HotKeyError::invalid);
    }
    bool unregisterHotKey(HotKeyRef) override { return false; }
};

class NoWindows final : public WindowList, public RunningApplications {
public:
    PlistValue copyWindowInfo(std::uint32_t, std::uint32_t) override { return {}; }
    std::vector<RunningApplication> runningApplications() override { return {}; }
    std::optional<RunningApplication> runningApplication(std::int32_t) override { return std::nullopt; }
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    QImage icon(std::int32_t) override { return {}; }
    QImage iconForBundle(const QString&) override { return {}; }
    std::optional<QStringList> folderEntries(const QString&) override { return std::nullopt; }
    std::optional<QString> bundleIdentifier(const QString&) override { return std::nullopt; }
    QImage iconForFile(const QString&) override { return {}; }
    bool activate(std::int32_t) override { return false; }
    bool hide(std::int32_t) override { return false; }
    bool unhide(std::int32_t) override { return false; }
};

class NoAccessibility final : public AXElements {
public:
    sysfn::AXElementRef applicationElement(std::int32_t) override { return nullptr; }
    std::expected<AXAttributeValue, AXError> copyAttributeValue(sysfn::AXElementRef, const QString&) override
    {
        return std::unexpected(AXError::apiDisabled);
    }
    std::expected<void, AXError> setAttributeValue(sysfn::AXElementRef, const QString&, const AXAttributeValue&) override
    {
        return std::unexpected(AXError::apiDisabled);
    }
    std::expected<void, AXError> performAction(sysfn::AXElementRef, const QString&) override
    {
        return std::unexpected(AXError::apiDisabled);
    }
    std::expected<void, AXError> setMessagingTimeout(sysfn::AXElementRef, double) override
    {
        return std::unexpected(AXError::apiDisabled);
    }
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
