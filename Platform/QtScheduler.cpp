#include "Platform/QtScheduler.h"

#include <QMetaObject>
#include <QTimer>

namespace lumivast {

namespace {

class QtWork final : public ScheduledWork {
public:
    QtWork(QObject* context, Duration delay, std::function<void()> fn, bool repeating, Duration tolerance)
        : m_timer(new QTimer(context)), m_delay(delay), m_fn(std::move(fn))
    {
        m_timer->setSingleShot(!repeating);
        // A tolerance of a fifth or more of the interval is what coarse timers give.
        m_timer->setTimerType(tolerance > Duration::zero() ? Qt::CoarseTimer : Qt::PreciseTimer);
        QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] {
            // Keep the function alive even if the work cancels or replaces itself.
            auto fn = m_fn;
            if (fn)
                fn();
        });
        m_timer->start(m_delay);
    }
    ~QtWork() override
    {
        // The owner may drop its work item from inside the timer's own callback.
        if (m_timer) {
            m_timer->stop();
            m_timer->disconnect();
            m_timer->deleteLater();
        }
    }

    void cancel() override
    {
        if (m_timer)
            m_timer->stop();
    }
    void rearm(std::optional<Duration> delay) override
    {
        if (!m_timer)
            return;
        if (delay)
            m_delay = *delay;
        m_timer->start(m_delay);
    }
    bool isPending() const override { return m_timer && m_timer->isActive(); }

private:
    QPointer<QTimer> m_timer;
    Duration m_delay;
    std::function<void()> m_fn;
};

} // namespace

QtScheduler::QtScheduler() : m_context(std::make_unique<QObject>())
{
    m_clock.start();
}

QtScheduler::~QtScheduler() = default;

void QtScheduler::post(std::function<void()> fn)
{
    QMetaObject::invokeMethod(m_context.get(), std::move(fn), Qt::QueuedConnection);
}

WorkItem QtScheduler::after(Duration delay, std::function<void()> fn)
{
    return schedule(delay, std::move(fn), false, Duration::zero());
}

WorkItem QtScheduler::every(Duration interval, std::function<void()> fn, Duration tolerance)
{
    return schedule(interval, std::move(fn), true, tolerance);
}

WorkItem QtScheduler::schedule(Duration delay, std::function<void()> fn, bool repeating, Duration tolerance)
{
    return WorkItem(std::make_shared<QtWork>(m_context.get(), delay, std::move(fn), repeating, tolerance));
}

Duration QtScheduler::now() const
{
    return Duration(m_clock.elapsed());
}

QDateTime QtScheduler::wallNow() const
{
    return QDateTime::currentDateTimeUtc();
}

} // namespace lumivast
