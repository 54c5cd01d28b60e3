#pragma once

#include "Platform/Scheduler.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

namespace lumivast {

// Runs work on the Qt event loop of the thread that created it (the main thread).
class QtScheduler final : public Scheduler {
public:
    QtScheduler();
    ~QtScheduler() override;

    void post(std::function<void()> fn) override;
    WorkItem after(Duration delay, std::function<void()> fn) override;
    WorkItem every(Duration interval, std::function<void()> fn, Duration tolerance = Duration::zero()) override;
    Duration now() const override;
    QDateTime wallNow() const override;

private:
    WorkItem schedule(Duration delay, std::function<void()> fn, bool repeating, Duration tolerance);

    std::unique_ptr<QObject> m_context;
    QElapsedTimer m_clock;
};

} // namespace lumivast
