#include "Platform/SerialQueue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace lumivast;

TEST(SerialQueueTest, RunsWorkInOrderOffTheCallingThread)
{
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    {
        SerialQueue queue(QStringLiteral("lumivast.test"));
        for (int i = 0; i < 100; ++i) {
            queue.async([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
        }
        queue.waitUntilIdle();
        EXPECT_EQ(order.size(), 100u);
        for (int i = 0; i < 50; ++i)
            queue.async([&, i] { order.push_back(100 + i); });
    } // destruction finishes what was queued
    ASSERT_EQ(order.size(), 150u);
    for (int i = 0; i < 150; ++i)
        EXPECT_EQ(order[std::size_t(i)], i);
    EXPECT_NE(threads.front(), std::this_thread::get_id());
    EXPECT_EQ(std::count(threads.begin(), threads.end(), threads.front()), 100);
}
