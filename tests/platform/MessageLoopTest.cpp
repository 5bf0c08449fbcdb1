#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/core/MessageLoop.h"

using namespace trek::platform;

TEST(MessageLoop, PostsFromManyThreadsArriveInOrderPerThread) {
    MessageLoop loop;
    constexpr int kThreads = 4, kEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) loop.post(1, WM_USER + t, i);
        });
    for (auto& th : threads) th.join();
    std::vector<int64_t> last(kThreads, -1);
    int count = 0;
    loop.setHandler(1, [&](const Message& m) {
        int t = m.message - WM_USER;
        EXPECT_EQ(static_cast<int64_t>(m.wParam), last[t] + 1);
        last[t] = m.wParam;
        if (++count == kThreads * kEach) loop.quit(7);
        return 0;
    });
    EXPECT_EQ(loop.run(), 7);
    EXPECT_EQ(count, kThreads * kEach);
}

TEST(MessageLoop, TimersFireRepeatedlyAndStopWhenKilled) {
    MessageLoop loop;
    int ticks = 0;
    loop.setHandler(3, [&](const Message& m) {
        EXPECT_EQ(m.message, WM_TIMER);
        EXPECT_EQ(m.wParam, 42u);
        if (++ticks == 3) {
            loop.killTimer(3, 42);
            loop.post(3, WM_USER);  // handled below
        }
        return 0;
    });
    loop.setFallbackHandler([&](const Message&) { return 0; });
    loop.setTimer(3, 42, 5);
    Message m;
    while (loop.getFor(m, 500)) {
        if (m.message == WM_USER) break;
        loop.dispatch(m);
    }
    EXPECT_EQ(ticks, 3);
    // No further WM_TIMER once killed.
    EXPECT_FALSE(loop.getFor(m, 30));
}

TEST(MessageLoop, QuitDeliversQueuedMessagesFirstAndRefusesLaterPosts) {
    MessageLoop loop;
    loop.post(0, WM_USER + 1);
    loop.quit(3);
    EXPECT_FALSE(loop.post(0, WM_USER + 2));
    Message m;
    ASSERT_TRUE(loop.get(m));
    EXPECT_EQ(m.message, WM_USER + 1u);
    EXPECT_FALSE(loop.get(m));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
}

TEST(MessageLoop, PeekWithoutRemoveLeavesMessageAndSendDispatchesAtOnce) {
    MessageLoop loop;
    Message m;
    EXPECT_FALSE(loop.peek(m));
    loop.post(5, WM_COMMAND, 1001);
    ASSERT_TRUE(loop.peek(m, false));
    EXPECT_EQ(loop.pending(), 1u);
    ASSERT_TRUE(loop.peek(m));
    EXPECT_EQ(loop.pending(), 0u);
    loop.setHandler(5, [](const Message& msg) { return static_cast<int64_t>(msg.wParam * 2); });
    EXPECT_EQ(loop.send(5, WM_COMMAND, 21), 42);
}
