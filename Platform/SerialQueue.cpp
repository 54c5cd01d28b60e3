#include "Platform/SerialQueue.h"

#include <pthread.h>
#include <sched.h>

namespace lumivast {

SerialQueue::SerialQueue(QString label) : m_label(std::move(label))
{
    m_thread = std::thread([this] { run(); });
}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void SerialQueue::async(std::function<void()> work)
{
    {
        std::lock_guard lock(m_mutex);
        m_work.push_back(std::move(work));
    }
    m_wake.notify_one();
}

void SerialQueue::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_work.empty() && !m_busy; });
}

void SerialQueue::run()
{
    // Utility work: yield to everything interactive. Thread names are limited to 15 bytes.
    pthread_setname_np(pthread_self(), m_label.left(15).toUtf8().constData());
    sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &param);
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_work.empty(); });
        if (m_work.empty())
            return; // stopping, and everything queued has run
        auto work = std::move(m_work.front());
        m_work.pop_front();
        m_busy = true;
        lock.unlock();
        work();
        lock.lock();
        m_busy = false;
        if (m_work.empty())
            m_idle.notify_all();
    }
}

} // namespace lumivast
