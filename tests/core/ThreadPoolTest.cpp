#include "PoolGate.hpp"
#include "ThreadPool.hpp"
#include "Thrown.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using pooltest::drainPool;
using pooltest::PoolGate;
using thrown::messageOf;

TEST(ThreadPoolInit, RefusesBadCountsASecondInitAndInitAfterStop) {
    ThreadPool pool;
    EXPECT_EQ(messageOf<std::invalid_argument>([&] { pool.init(0); }), "threadCount must be greater than 0");
    pool.init(1); // the refused calls started nothing
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pool.init(1); }), "ThreadPool already initialized");
    ThreadPool stopped;
    stopped.stop();
    // Workers started after stop() would never be joined.
    EXPECT_EQ(messageOf<std::runtime_error>([&] { stopped.init(1); }), "ThreadPool is stopped");
}

// A guarded task runs only while its owner lives. Only the worker writes `ran`.
TEST(ThreadPoolOrder, OneWorkerRunsTasksInOrderTasksMaySubmitMoreAndExpiredOwnersDropTheirs) {
    ThreadPool pool;
    std::vector<int> ran;
    auto gone = std::make_shared<int>(0);
    auto live = std::make_shared<int>(0);
    auto capturedByDropped = std::make_shared<int>(0);
    pool.init(1);
    {
        PoolGate gate(pool);
        pool.submit([&ran] { ran.push_back(1); });
        pool.submit(std::weak_ptr<void>(gone), [&ran, keep = capturedByDropped] { ran.push_back(0); });
        pool.submit(std::weak_ptr<void>(live), [&ran] { ran.push_back(2); });
        pool.submit([&] { pool.submit([&ran] { ran.push_back(4); }); });
        pool.submit([&ran] { ran.push_back(3); });
        gone.reset();
    }
    drainPool(pool);
    drainPool(pool); // queued behind the task the worker submitted
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(capturedByDropped.use_count(), 1) << "the dropped task released what it captured";
}

// An idle pool's destructor discards the tasks no worker took; stop() runs everything
// queued and refuses new work.
TEST(ThreadPoolStop, DiscardsUntakenTasksWhenIdleAndRunsEverythingQueuedWhenRunning) {
    auto captured = std::make_shared<int>(0);
    std::atomic<int> ran{0};
    {
        ThreadPool idle;
        idle.submit([&ran, keep = captured] { ++ran; });
    }
    EXPECT_EQ(captured.use_count(), 1);
    ThreadPool pool;
    pool.init(1);
    PoolGate gate(pool);
    for (int i = 0; i < 4; ++i) {
        pool.submit([&ran] { ++ran; });
    }
    // stop() on another thread cannot finish while the worker is held. Submitting until the
    // pool refuses shows when stop() has taken effect with tasks still queued.
    std::thread stopper([&pool] { pool.stop(); });
    int acceptedWhileStopping = 0;
    std::string refusal;
    while (refusal.empty()) {
        try {
            pool.submit([&ran] { ++ran; });
            ++acceptedWhileStopping;
        } catch (const std::runtime_error& error) {
            refusal = error.what();
        }
    }
    gate.open();
    stopper.join();
    EXPECT_EQ(refusal, "ThreadPool is stopped");
    EXPECT_EQ(ran.load(), 4 + acceptedWhileStopping);
}

} // namespace
