#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace lumivast {

// A serial queue on one worker thread of low priority: work runs in the order
// it was queued, one item at a time. Destroying the queue finishes the work
// already queued and joins the thread.
class SerialQueue {
public:
    explicit SerialQueue(QString label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const QString& label() const { return m_label; }
    void async(std::function<void()> work);
    // Blocks until everything queued so far has run.
    void waitUntilIdle();

private:
    void run();

    QString m_label;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_work;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace lumivast
